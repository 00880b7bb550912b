#include "tests/interop/interop_support.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include "engine/convert.h"
#include "engine/gbk_codec.h"
#include "engine/number_text.h"

namespace tdb::interop {

namespace {

std::string shellQuoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string jsonString(const Text& text) {
  if (!text) return "null";
  std::string out = "\"";
  for (unsigned char c : *text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Four hex digits at `at`, or -1.
long hex4(const std::string& s, size_t at) {
  if (at + 4 > s.size()) return -1;
  long v = 0;
  for (size_t i = at; i < at + 4; ++i) {
    const char c = s[i];
    const int d = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
    if (d < 0) return -1;
    v = v * 16 + d;
  }
  return v;
}

void writeFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string readFile(const std::string& path) {
  std::string out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

// The fields of the one line that starts with `tag` (without the tag), for a writing script.
Row taggedLine(const std::vector<std::string>& lines, const std::string& tag) {
  for (const std::string& line : lines) {
    std::optional<Row> row = parseLine(line);
    if (row && !row->empty() && row->front() == tag) return Row(row->begin() + 1, row->end());
  }
  ADD_FAILURE() << "no line [\"" << tag << "\", ...] in the script's output";
  return {};
}

}  // namespace

std::vector<std::string> runScript(const std::string& script, const std::vector<std::string>& args,
                                   const test::TempDir& scratch) {
  const std::string errors = scratch.file(script + ".stderr");
  std::string command = shellQuoted(INTEROP_PYTHON) + " " +
                        shellQuoted(std::string(INTEROP_SCRIPT_DIR) + "/" + script);
  for (const std::string& a : args) command += " " + shellQuoted(a);
  command += " 2>" + shellQuoted(errors);

  std::vector<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return lines;
  }
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  const int status = pclose(pipe);
  size_t start = 0;
  for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(out.substr(start, end - start));
  if (start < out.size()) lines.push_back(out.substr(start));
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    ADD_FAILURE() << script << " failed (status " << status << "): " << readFile(errors);
  return lines;
}

std::optional<Row> parseLine(const std::string& s) {
  Row row;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
  };
  skipBlanks();
  if (i == s.size() || s[i++] != '[') return std::nullopt;
  skipBlanks();
  if (i < s.size() && s[i] == ']') return row;
  for (;;) {
    skipBlanks();
    if (s.compare(i, 4, "null") == 0) {
      row.emplace_back();
      i += 4;
    } else if (i < s.size() && s[i] == '"') {
      std::string text;
      for (++i;; ++i) {
        if (i >= s.size()) return std::nullopt;
        const char c = s[i];
        if (c == '"') break;
        if (c != '\\') {
          text += c;
          continue;
        }
        if (++i >= s.size()) return std::nullopt;
        switch (s[i]) {
          case '"':
          case '\\':
          case '/':
            text += s[i];
            break;
          case 'b':
            text += '\b';
            break;
          case 'f':
            text += '\f';
            break;
          case 'n':
            text += '\n';
            break;
          case 'r':
            text += '\r';
            break;
          case 't':
            text += '\t';
            break;
          case 'u': {
            long cp = hex4(s, i + 1);
            if (cp < 0) return std::nullopt;
            i += 4;
            if (cp >= 0xD800 && cp < 0xDC00) {  // a surrogate pair
              const long low = s.compare(i + 1, 2, "\\u") == 0 ? hex4(s, i + 3) : -1;
              if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
              i += 6;
            }
            appendUtf8(text, static_cast<uint32_t>(cp));
            break;
          }
          default:
            return std::nullopt;
        }
      }
      ++i;  // the closing quote
      row.emplace_back(std::move(text));
    } else {
      return std::nullopt;
    }
    skipBlanks();
    if (i < s.size() && s[i] == ',') {
      ++i;
      continue;
    }
    if (i < s.size() && s[i] == ']') break;
    return std::nullopt;
  }
  return row;
}

Dump dumpWith(const std::string& script, const std::string& table, const test::TempDir& scratch,
              const std::vector<std::string>& options) {
  std::vector<std::string> args{table};
  args.insert(args.end(), options.begin(), options.end());
  Dump dump;
  bool sawTable = false, sawFields = false;
  for (const std::string& line : runScript(script, args, scratch)) {
    const std::optional<Row> row = parseLine(line);
    if (!row || row->empty() || !row->front()) {
      ADD_FAILURE() << script << " printed an unexpected line: " << line;
      return dump;
    }
    const std::string& tag = *row->front();
    if (tag == "table" && row->size() == 3) {
      dump.version = row->at(1).value_or("");
      dump.encoding = row->at(2).value_or("");
      sawTable = true;
    } else if (tag == "fields") {
      for (size_t k = 1; k < row->size(); ++k) dump.fields.push_back(row->at(k).value_or(""));
      sawFields = true;
    } else if (tag == "record" && row->size() == dump.fields.size() + 2 && row->at(1)) {
      dump.records.push_back({*row->at(1) == "deleted", Row(row->begin() + 2, row->end())});
    } else {
      ADD_FAILURE() << script << " printed an unexpected line: " << line;
      return dump;
    }
  }
  dump.ok = sawTable && sawFields;
  return dump;
}

Row createWithDbf(const std::string& flavor, const std::string& table, const std::string& specs,
                  const std::vector<std::string>& fields, const std::vector<Record>& records,
                  const test::TempDir& scratch) {
  std::string json = "[";
  for (const Record& r : records) {
    if (json.size() > 1) json += ",\n";
    json += std::string("{\"deleted\": ") + (r.deleted ? "true" : "false") + ", \"values\": {";
    bool first = true;
    for (size_t k = 0; k < fields.size() && k < r.values.size(); ++k) {
      if (!r.values[k]) continue;  // left blank
      json += (first ? "" : ", ") + jsonString(fields[k]) + ": " + jsonString(r.values[k]);
      first = false;
    }
    json += "}}";
  }
  json += "]\n";
  const std::string rows = scratch.file("create-rows.json");
  writeFile(rows, json);
  return taggedLine(runScript("dbf_create.py", {flavor, table, specs, rows}, scratch), "table");
}

Row updateWithDbf(const std::string& table, const std::vector<Change>& changes,
                  const test::TempDir& scratch) {
  std::string json = "[";
  for (const Change& c : changes) {
    if (json.size() > 1) json += ",\n";
    json += "{";
    if (c.record > 0) json += "\"record\": " + std::to_string(c.record) + ", ";
    json += std::string("\"deleted\": ") + (c.deleted ? "true" : "false") + ", \"values\": {";
    for (size_t k = 0; k < c.values.size(); ++k)
      json +=
          (k ? ", " : "") + jsonString(c.values[k].first) + ": " + jsonString(c.values[k].second);
    json += "}}";
  }
  json += "]\n";
  const std::string rows = scratch.file("update-rows.json");
  writeFile(rows, json);
  return taggedLine(runScript("dbf_update.py", {table, rows}, scratch), "table");
}

Text textForm(const Field& field) {
  const Value v = field.value();
  switch (v.kind()) {
    case Value::Kind::Null:
      return std::nullopt;
    case Value::Kind::Integer:
      return std::to_string(v.integerValue());
    case Value::Kind::Double:
      return shortestNumberText(v.doubleValue());
    case Value::Kind::DateTime:
      return field.dataType() == FieldType::ftDate ? formatDate(v.doubleValue())
                                                   : formatDateTime(v.doubleValue());
    case Value::Kind::Boolean:
      return std::string(v.booleanValue() ? "T" : "F");
    case Value::Kind::Text:
      return v.textValue().empty() ? Text() : Text(gbkToUtf8(v.textValue()));
    case Value::Kind::Bytes: {
      if (v.textValue().empty()) return std::nullopt;
      static const char digits[] = "0123456789abcdef";
      std::string out = "hex:";
      for (unsigned char c : v.textValue()) {
        out += digits[c >> 4];
        out += digits[c & 15];
      }
      return out;
    }
  }
  return std::nullopt;
}

std::vector<Row> visibleRows(Table& table) {
  std::vector<Row> rows;
  for (table.first(); !table.eof(); table.next()) {
    Row row;
    for (int k = 0; k < table.fieldCount(); ++k) row.push_back(textForm(table.field(k)));
    rows.push_back(std::move(row));
  }
  return rows;
}

void setFromText(Field& field, const Text& text) {
  if (!text) {
    field.clear();
  } else if (text->rfind("hex:", 0) == 0) {
    std::string bytes;
    for (size_t k = 4; k + 1 < text->size(); k += 2)
      bytes += static_cast<char>(std::stoi(text->substr(k, 2), nullptr, 16));
    field.setValue(Value::bytes(bytes));
  } else {
    field.setAsString(utf8ToGbk(*text));
  }
}

namespace {

std::string preview(const Text& text) {
  if (!text) return "null";
  constexpr size_t kShown = 48;
  if (text->size() <= kShown) return "\"" + *text + "\"";
  size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>((*text)[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + text->substr(0, cut) + "...\" (" + std::to_string(text->size()) + " bytes)";
}

// Where two texts first differ, for long memos.
std::string firstDifference(const Text& a, const Text& b) {
  if (!a || !b) return "";
  size_t at = 0;
  while (at < a->size() && at < b->size() && (*a)[at] == (*b)[at]) ++at;
  return ", first difference at byte " + std::to_string(at);
}

}  // namespace

void expectSameRows(const std::vector<Row>& actual, const std::vector<Row>& expected,
                    const std::vector<std::string>& fields, const std::string& what) {
  EXPECT_EQ(actual.size(), expected.size()) << what << ": number of records";
  for (size_t r = 0; r < actual.size() && r < expected.size(); ++r) {
    EXPECT_EQ(actual[r].size(), expected[r].size()) << what << ": fields of record " << r + 1;
    for (size_t k = 0; k < actual[r].size() && k < expected[r].size(); ++k) {
      if (actual[r][k] == expected[r][k]) continue;
      ADD_FAILURE() << what << ", record " << r + 1 << ", field "
                    << (k < fields.size() ? fields[k] : std::to_string(k + 1)) << ":\n  expected "
                    << preview(expected[r][k]) << "\n  actual   " << preview(actual[r][k])
                    << firstDifference(expected[r][k], actual[r][k]);
    }
  }
}

std::vector<Row> rowsWhere(const std::vector<Record>& records, bool deleted) {
  std::vector<Row> rows;
  for (const Record& r : records)
    if (r.deleted == deleted) rows.push_back(r.values);
  return rows;
}

}  // namespace tdb::interop
