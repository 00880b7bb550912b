#include "engine/text/schema_file.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "engine/companion_files.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb::text {

namespace {

// Limits that keep a hostile schema from asking for absurd records; real tables stay far below.
constexpr int kMaxWidth = 32767;
constexpr int kMaxOffset = 1 << 20;
constexpr int kMaxFields = 4096;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return u;
}

struct TypeName {
  const char* name;
  FieldType type;
};
constexpr TypeName kTypes[] = {
    {"CHAR", FieldType::ftString},        {"FLOAT", FieldType::ftFloat},
    {"NUMBER", FieldType::ftFloat},       {"BOOL", FieldType::ftBoolean},
    {"DATE", FieldType::ftDate},          {"TIME", FieldType::ftTime},
    {"TIMESTAMP", FieldType::ftDateTime}, {"LONGINT", FieldType::ftInteger},
    {"SHORTINT", FieldType::ftSmallint},
};

class SchemaParser {
 public:
  SchemaParser(std::string_view bytes, const std::string& path) : bytes_(bytes), path_(path) {}

  Schema parse() {
    std::map<int, std::pair<SchemaField, int>> fields;  // number -> field, its line
    bool inSection = false;
    size_t at = 0;
    while (at <= bytes_.size()) {
      size_t end = bytes_.find('\n', at);
      if (end == std::string_view::npos) end = bytes_.size();
      std::string_view raw = bytes_.substr(at, end - at);
      at = end + 1;
      ++line_;
      if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
      const std::string_view text = trim(raw);
      if (text.empty() || text[0] == ';' || text == "\x1A") continue;
      if (text[0] == '[') {
        if (text.back() != ']') fail("节名缺少']'");
        if (inSection) fail("只能有一个[表名]节");
        inSection = true;
        schema_.tableName = std::string(trim(text.substr(1, text.size() - 2)));
        continue;
      }
      const size_t eq = raw.find('=');
      if (eq == std::string_view::npos) fail("应为\"名称 = 值\"");
      if (!inSection) fail("设置出现在[表名]节之前");
      const std::string key = upper(trim(raw.substr(0, eq)));
      const std::string_view value = raw.substr(eq + 1);
      if (key.size() > 5 && key.compare(0, 5, "FIELD") == 0) {
        const int number = fieldNumber(key.substr(5));
        if (fields.count(number)) fail("字段" + std::to_string(number) + "重复定义");
        if (fields.size() >= static_cast<size_t>(kMaxFields)) fail("字段过多");
        fields[number] = {fieldLine(trim(value)), line_};
      } else if (key == "FILETYPE") {
        const std::string v = upper(trim(value));
        if (v == "VARYING")
          schema_.fileType = FileType::Varying;
        else if (v == "FIXED")
          schema_.fileType = FileType::Fixed;
        else
          fail("文件类型" + quoted(v) + "无效,应为VARYING或FIXED");
      } else if (key == "CHARSET") {
        schema_.charset = std::string(trim(value));
      } else if (key == "DELIMITER") {
        schema_.delimiter = character(value, true);
      } else if (key == "SEPARATOR") {
        schema_.separator = character(value, false);
        separatorLine_ = line_;
      } else if (key == "DATEFORMAT") {
        schema_.dateFormat = dateFormat(upper(trim(value)));
      }
      // Other keys belong to other programs' extensions; they do not change how we read.
    }
    if (!inSection) failFile("缺少[表名]节");
    if (fields.empty()) failFile("没有字段定义(Field1 = ...)");
    if (schema_.delimiter != '\0' && schema_.delimiter == schema_.separator) {
      line_ = separatorLine_;
      fail("分隔符不能与引号字符相同");
    }
    int expected = 1;
    for (auto& [number, entry] : fields) {
      line_ = entry.second;
      if (number != expected)
        fail("字段编号应为" + std::to_string(expected) + ",而不是" + std::to_string(number));
      ++expected;
      for (const SchemaField& other : schema_.fields)
        if (sameName(other.name, entry.first.name))
          fail("字段名" + quoted(entry.first.name) + "重复");
      schema_.fields.push_back(entry.first);
    }
    if (schema_.fileType == FileType::Fixed) checkFixedLayout(fields);
    return schema_;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw EngineError("文本表结构文件[" + path_ + "]第" + std::to_string(line_) + "行: " + what);
  }
  [[noreturn]] void failFile(const std::string& what) const {
    throw EngineError("文本表结构文件[" + path_ + "]: " + what);
  }
  static std::string quoted(std::string_view gbk) { return "'" + shownText(gbk) + "'"; }

  int number(std::string_view s, const char* what, int max) const {
    s = trim(s);
    int v = -1;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || v < 0 || v > max)
      fail(std::string(what) + quoted(s) + "无效");
    return v;
  }

  int fieldNumber(std::string_view digits) const {
    for (char c : digits)
      if (c < '0' || c > '9') fail("字段编号" + quoted(digits) + "无效");
    return number(digits, "字段编号", kMaxFields * 16);
  }

  // "Name,Type,Width,Decimals,Offset": the name is everything before the last four parts, so a
  // name may hold commas. Decimals and offset may be left out.
  SchemaField fieldLine(std::string_view value) const {
    std::vector<std::string_view> parts;
    size_t from = 0;
    // No GBK trail byte is a comma, so splitting bytes is safe with Chinese names.
    for (size_t i = 0; i <= value.size(); ++i) {
      if (i == value.size() || value[i] == ',') {
        parts.push_back(value.substr(from, i - from));
        from = i + 1;
      }
    }
    // The type is the first part naming one among the last four but one: before it, the name.
    size_t typeAt = 0;
    const size_t first = parts.size() > 5 ? parts.size() - 4 : 1;
    for (size_t i = first; i + 1 < parts.size() && typeAt == 0; ++i)
      if (typeOf(trim(parts[i])) != FieldType::ftUnknown) typeAt = i;
    if (typeAt == 0) {
      if (parts.size() < 3) fail("字段定义应为\"名称,类型,宽度,小数位,偏移\"");
      fail("字段类型" + quoted(trim(parts[first])) + "无效");
    }
    if (parts.size() - typeAt < 2) fail("字段定义缺少宽度");
    SchemaField f;
    std::string name;
    for (size_t i = 0; i < typeAt; ++i) name += (i ? "," : "") + std::string(parts[i]);
    f.name = std::string(trim(name));
    if (f.name.empty()) fail("字段名为空");
    f.typeName = upper(trim(parts[typeAt]));
    f.type = typeOf(f.typeName);
    f.width = number(parts[typeAt + 1], "宽度", kMaxWidth);
    if (f.width < 1) fail("宽度不能为0");
    if (typeAt + 2 < parts.size() && !trim(parts[typeAt + 2]).empty())
      f.decimals = number(parts[typeAt + 2], "小数位", kMaxWidth);
    f.offset = -1;  // not given: after the previous field
    if (typeAt + 3 < parts.size() && !trim(parts[typeAt + 3]).empty())
      f.offset = number(parts[typeAt + 3], "偏移", kMaxOffset);
    if (f.type != FieldType::ftFloat) f.decimals = 0;
    if (f.decimals >= f.width) fail("小数位" + std::to_string(f.decimals) + "不小于宽度");
    return f;
  }

  static FieldType typeOf(std::string_view name) {
    const std::string u = upper(name);
    for (const TypeName& t : kTypes)
      if (u == t.name) return t.type;
    return FieldType::ftUnknown;
  }

  // A one-character setting: the character itself (a tab or a blank given literally), or TAB or
  // SPACE spelled out; empty means none, which only the delimiter may be.
  char character(std::string_view raw, bool mayBeEmpty) const {
    const std::string_view t = trim(raw);
    const std::string u = upper(t);
    if (u == "TAB" || u == "\\T" || u == "^I") return '\t';
    if (u == "SPACE") return ' ';
    if (t.size() == 1) return t[0];
    if (t.empty()) {
      if (raw.find('\t') != std::string_view::npos) return '\t';
      if (!raw.empty()) return ' ';
      if (mayBeEmpty) return '\0';
      fail("分隔符为空");
    }
    fail("应为一个字符,而不是" + quoted(t));
  }

  DateFormat dateFormat(const std::string& v) const {
    // Three parts of letters with one separator between them, the year first or last.
    DateFormat f;
    char sep = 0;
    std::string letters;
    for (char c : v) {
      if (c == 'Y' || c == 'M' || c == 'D') {
        if (letters.empty() || letters.back() != c) letters += c;
      } else if (sep == 0 || c == sep) {
        sep = c;
      } else {
        sep = 1;
      }
    }
    if (sep == 0 || sep == 1 || sep == ' ' || sep == ':' || (sep >= '0' && sep <= '9'))
      fail("日期格式" + quoted(v) + "无效");
    f.separator = sep;
    if (letters == "MDY")
      f.order = DateFormat::Order::MDY;
    else if (letters == "DMY")
      f.order = DateFormat::Order::DMY;
    else if (letters == "YMD")
      f.order = DateFormat::Order::YMD;
    else
      fail("日期格式" + quoted(v) + "无效");
    return f;
  }

  void checkFixedLayout(const std::map<int, std::pair<SchemaField, int>>& fields) {
    // Offsets left out follow the previous field; then no two fields may share a byte, so that
    // a write puts every value where the next read finds it.
    int next = 0;
    auto it = fields.begin();
    for (SchemaField& f : schema_.fields) {
      line_ = (it++)->second.second;
      if (f.offset < 0) f.offset = next;
      if (f.offset + f.width > kMaxOffset) fail("字段超出行的最大长度");
      next = f.offset + f.width;
    }
    std::vector<size_t> order(schema_.fields.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return schema_.fields[a].offset < schema_.fields[b].offset;
    });
    for (size_t k = 1; k < order.size(); ++k) {
      const SchemaField& prev = schema_.fields[order[k - 1]];
      const SchemaField& f = schema_.fields[order[k]];
      if (f.offset < prev.offset + prev.width) {
        line_ = std::next(fields.begin(), static_cast<long>(order[k]))->second.second;
        fail("字段" + quoted(f.name) + "(偏移" + std::to_string(f.offset) + ")与字段" +
             quoted(prev.name) + "重叠");
      }
    }
  }

 private:
  std::string_view bytes_;
  const std::string& path_;
  int line_ = 0;
  int separatorLine_ = 0;
  Schema schema_;
};

std::string dateFormatText(const DateFormat& f) {
  const std::string s(1, f.separator);
  switch (f.order) {
    case DateFormat::Order::MDY:
      return "MM" + s + "DD" + s + "YYYY";
    case DateFormat::Order::DMY:
      return "DD" + s + "MM" + s + "YYYY";
    case DateFormat::Order::YMD:
      break;
  }
  return "YYYY" + s + "MM" + s + "DD";
}

}  // namespace

int Schema::lineLength() const {
  int n = 0;
  for (const SchemaField& f : fields) n = std::max(n, f.offset + f.width);
  return n;
}

Schema parseSchema(std::string_view bytes, const std::string& path) {
  SchemaParser parser(bytes, path);
  Schema s = parser.parse();
  // VARYING files ignore offsets, but a missing one still gets a sensible value for FIXED use.
  for (size_t i = 0, next = 0; i < s.fields.size(); ++i) {
    if (s.fields[i].offset < 0) s.fields[i].offset = static_cast<int>(next);
    next = static_cast<size_t>(s.fields[i].offset + s.fields[i].width);
  }
  return s;
}

const char* schemaTypeName(FieldType type) {
  switch (type) {
    case FieldType::ftString:
      return "CHAR";
    case FieldType::ftFloat:
    case FieldType::ftCurrency:
    case FieldType::ftBCD:
      return "FLOAT";
    case FieldType::ftLargeint:
      return "NUMBER";
    case FieldType::ftSmallint:
      return "SHORTINT";
    case FieldType::ftInteger:
    case FieldType::ftWord:
    case FieldType::ftAutoInc:
      return "LONGINT";
    case FieldType::ftBoolean:
      return "BOOL";
    case FieldType::ftDate:
      return "DATE";
    case FieldType::ftTime:
      return "TIME";
    case FieldType::ftDateTime:
      return "TIMESTAMP";
    default:
      return nullptr;
  }
}

std::string formatSchema(const Schema& s) {
  std::string out = "[" + s.tableName + "]\r\n";
  out +=
      std::string("FILETYPE = ") + (s.fileType == FileType::Fixed ? "FIXED" : "VARYING") + "\r\n";
  out += "CHARSET = " + s.charset + "\r\n";
  // Written with no blank before the value, so that a blank itself survives the reading.
  out += "DELIMITER =";
  if (s.delimiter != '\0')
    out += s.delimiter == '\t' ? std::string("TAB") : std::string(1, s.delimiter);
  out += "\r\nSEPARATOR =";
  out += s.separator == '\t' ? std::string("TAB") : std::string(1, s.separator);
  out += "\r\n";
  if (!(s.dateFormat == DateFormat{}))
    out += "DATEFORMAT = " + dateFormatText(s.dateFormat) + "\r\n";
  for (size_t i = 0; i < s.fields.size(); ++i) {
    const SchemaField& f = s.fields[i];
    const std::string type = f.typeName.empty() ? schemaTypeName(f.type) : f.typeName;
    out += "Field" + std::to_string(i + 1) + " = " + f.name + "," + type + "," +
           std::to_string(f.width) + "," + std::to_string(f.decimals) + "," +
           std::to_string(f.offset) + "\r\n";
  }
  return out;
}

Schema designSchema(const std::string& tableName, const FieldDefs& defs, const std::string& path) {
  auto refuse = [&](const std::string& what) {
    throw EngineError("数据表[" + path + "]: " + what);
  };
  if (defs.count() == 0) refuse("没有字段");
  Schema s;
  s.tableName = tableName;
  int offset = 0;
  for (int i = 0; i < defs.count(); ++i) {
    const FieldDef& d = defs[i];
    const std::string shown = "字段[" + shownText(d.name) + "]";
    const std::string_view name = trim(d.name);
    if (name.empty()) refuse("第" + std::to_string(i + 1) + "个字段没有名字");
    if (name.find_first_of("\r\n\x1A") != std::string_view::npos || name[0] == '[' ||
        name[0] == ';')
      refuse(shown + "的名字不能写进结构文件");
    for (int k = 0; k < i; ++k)
      if (sameName(std::string(trim(defs[k].name)), std::string(name))) refuse(shown + "重复");
    // A text table numbers nothing itself: an auto-increment field would stay empty.
    if (!schemaTypeName(d.type) || d.type == FieldType::ftAutoInc)
      refuse(shown + "的类型" + fieldTypeName(d.type) + "不能存入文本表");
    SchemaField f;
    f.name = std::string(name);
    f.type = d.type;
    switch (d.type) {
      case FieldType::ftString:
        if (d.size < 1 || d.size > kMaxWidth)
          refuse(shown + "的长度" + std::to_string(d.size) + "无效");
        f.width = d.size;
        break;
      case FieldType::ftFloat:
      case FieldType::ftCurrency:
      case FieldType::ftBCD: {
        const bool money = d.type != FieldType::ftFloat;
        f.width = d.size > 0 ? std::min(d.size, 40) : 20;
        f.decimals = d.size > 0 ? std::max(0, d.precision) : (money ? 4 : 0);
        if (f.decimals >= f.width) refuse(shown + "的小数位过多");
        f.type = FieldType::ftFloat;
        break;
      }
      case FieldType::ftLargeint:
        f.width = 20, f.type = FieldType::ftFloat, f.typeName = "NUMBER";
        break;
      case FieldType::ftSmallint:
        f.width = 6;
        break;
      case FieldType::ftInteger:
      case FieldType::ftWord:
      case FieldType::ftAutoInc:
        f.width = 11, f.type = FieldType::ftInteger;
        break;
      case FieldType::ftBoolean:
        f.width = 5;
        break;
      case FieldType::ftDate:
        f.width = 10;
        break;
      case FieldType::ftTime:
        f.width = 8;
        break;
      default:  // ftDateTime
        f.width = 19;
        break;
    }
    f.offset = offset;
    offset += f.width;
    s.fields.push_back(std::move(f));
  }
  return s;
}

FieldDefs fieldDefsOf(const Schema& schema) {
  FieldDefs defs;
  for (const SchemaField& f : schema.fields) {
    FieldDef d;
    d.name = f.name;
    d.type = f.type;
    d.size = f.type == FieldType::ftString || f.type == FieldType::ftFloat ? f.width : 0;
    d.precision = f.type == FieldType::ftFloat ? f.decimals : 0;
    defs.add(std::move(d));
  }
  return defs;
}

std::string schemaPathFor(const std::string& tablePath) {
  return companions::pathFor(tablePath, ".SCH");
}

}  // namespace tdb::text
