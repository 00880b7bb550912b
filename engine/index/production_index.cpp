#include "engine/index/production_index.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>

#include "engine/companion_files.h"
#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/index/cdx_file.h"
#include "engine/index/cdx_writer.h"
#include "engine/index/key_encoding.h"
#include "engine/index/mdx_file.h"
#include "engine/index/mdx_writer.h"
#include "engine/index/record_fields.h"
#include "engine/index/tag_image.h"
#include "engine/index/unique_keys.h"

namespace tdb {

namespace fs = std::filesystem;
namespace ke = key_encoding;

namespace {

constexpr size_t kMaxMdxTags = 47;

// Why a unique tag refuses a record: record `holder` has its key already.
EngineError keyViolation(const ProductionIndex::Tag& tag, uint32_t holder) {
  return EngineError("违反唯一索引[" + gbkToUtf8(tag.info.name) + "]: 第" + std::to_string(holder) +
                     "条记录已有相同的键值");
}
// What a damaged index file's owner can do about it.
constexpr const char* kRepair = " (可用 tdb reindex 修复)";
constexpr size_t kMaxTagName = 10;
// What the two index files hold of a tag: the bytes of a text key, and of its expression.
constexpr int kMaxMdxKey = 100, kMaxCdxKey = 240;
constexpr size_t kMaxMdxExpression = 219, kMaxCdxExpression = 510;

std::string upperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

std::string trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

// The expression's parts joined by "+" outside parentheses and quotes.
std::vector<std::string> topLevelParts(const std::string& text) {
  std::vector<std::string> parts;
  int depth = 0;
  char quote = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (static_cast<unsigned char>(c) >= 0x81 && i + 1 < text.size()) {
      ++i;  // a GBK character: its trail byte is never an operator
      continue;
    }
    if (c == '\'' || c == '"') quote = c;
    if (c == '[') quote = ']';
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (c == '+' && depth == 0) {
      parts.push_back(trimmed(std::string_view(text).substr(start, i - start)));
      start = i + 1;
    }
  }
  parts.push_back(trimmed(std::string_view(text).substr(start)));
  return parts;
}

// The first field a part of a key names (outside quotes and function names), -1 when none.
int firstField(const std::string& part, const FieldDefs& defs) {
  char quote = 0;
  for (size_t i = 0; i < part.size();) {
    const auto c = static_cast<unsigned char>(part[i]);
    if (quote) {
      if (c == static_cast<unsigned char>(quote)) quote = 0;
      ++i;
      continue;
    }
    if (c == '\'' || c == '"') quote = static_cast<char>(c);
    if (c == '[') quote = ']';
    const bool wordStart = std::isalpha(c) || c == '_' || c >= 0x81;
    if (!wordStart) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < part.size()) {
      const auto d = static_cast<unsigned char>(part[end]);
      if (d >= 0x81 && end + 1 < part.size())
        end += 2;
      else if (std::isalnum(d) || d == '_')
        ++end;
      else
        break;
    }
    const std::string word = part.substr(i, end - i);
    size_t after = end;
    while (after < part.size() && part[after] == ' ') ++after;
    const bool call = after < part.size() && part[after] == '(';
    if (!call) {
      const int f = defs.indexOf(word);
      if (f >= 0) return f;
    }
    i = end;
  }
  return -1;
}

// The field of a part that is a plain field, or (in a key of several parts) DTOS/STR of one as
// such keys write dates and numbers; -1 otherwise. Alone, DTOS(DAY) is a text key, not DAY's.
int plainField(const std::string& part, const FieldDefs& defs, bool alone) {
  const int direct = defs.indexOf(part);
  if (direct >= 0 || alone) return direct;
  const std::string upper = upperAscii(part);
  const int f = firstField(part, defs);
  if (f < 0) return -1;
  const FieldDef& d = defs[f];
  const std::string name = upperAscii(d.name);
  if (upper == "DTOS(" + name + ")" && d.type == FieldType::ftDate) return f;
  if (isNumericType(d.type) && upper == "STR(" + name + "," + std::to_string(d.size) + "," +
                                            std::to_string(d.precision) + ")")
    return f;
  return -1;
}

// How a field stands in a key of several fields.
std::string keyPartFor(const FieldDef& d) {
  if (d.type == FieldType::ftDate) return "DTOS(" + d.name + ")";
  if (isNumericType(d.type))
    return "STR(" + d.name + "," + std::to_string(d.size) + "," + std::to_string(d.precision) + ")";
  if (d.type == FieldType::ftBoolean) return "IIF(" + d.name + ",\"T\",\"F\")";
  return d.name;
}

std::vector<std::string> splitFields(const std::string& names) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == std::string::npos) end = names.size();
    std::string name = trimmed(std::string_view(names).substr(start, end - start));
    if (!name.empty()) out.push_back(name);
    start = end + 1;
  }
  return out;
}

}  // namespace

ProductionIndex::ProductionIndex(Storage& records, PosixFile& tableFile, uint64_t lockBase,
                                 std::string tablePath, Format format, bool exclusive,
                                 BadTags badTags)
    : records_(records),
      tableFile_(tableFile),
      lockBase_(lockBase),
      tablePath_(std::move(tablePath)),
      path_(pathFor(tablePath_, format)),
      format_(format),
      exclusive_(exclusive),
      badTags_(badTags) {
  openFile();
}

ProductionIndex::~ProductionIndex() = default;

std::string ProductionIndex::pathFor(const std::string& tablePath, Format format) {
  return companions::pathFor(tablePath, format == Format::Cdx ? ".CDX" : ".MDX");
}

std::string ProductionIndex::markerFor(const std::string& tablePath) {
  return tablePath + ".tdb-index-stale";
}

void ProductionIndex::fail(const std::string& what) const {
  throw EngineError("索引文件[" + path_ + "]: " + what);
}

void ProductionIndex::openFile() {
  stale_ = fs::exists(markerFor(tablePath_));
  if (!fs::exists(path_)) return;
  // Kept for repair, a damaged file gives what it still can: the tags whose definitions read.
  const bool salvage = badTags_ == BadTags::Keep;
  std::vector<IndexTagInfo> infos;
  try {
    if (format_ == Format::Cdx) {
      cdx_ = std::make_unique<CdxFile>(path_, salvage);
      infos = cdx_->tags();
      damage_ = cdx_->lost();
    } else {
      mdx_ = std::make_unique<MdxFile>(path_, salvage);
      infos = mdx_->tags();
      damage_ = mdx_->lost();
    }
  } catch (const EngineError& e) {
    if (!salvage) throw EngineError(e.what() + std::string(kRepair));
    cdx_.reset();
    mdx_.reset();
    damage_ = {e.what() + std::string(",其中的索引都无法读出")};
  }
  for (const IndexTagInfo& info : infos) tags_.push_back(makeTag(info, info.forExpression, true));
  if (stale_) beginChange();  // this holder will write the file again, repaired
}

void ProductionIndex::ensureLoaded(int index) {
  Tag& t = tags_[index];
  if (t.loaded || !t.key) return;
  if (stale_ || (!cdx_ && !mdx_)) {
    build(t);
    return;
  }
  try {
    loadFromFile(index);
  } catch (const EngineError& e) {
    if (badTags_ == BadTags::Refuse) throw EngineError(e.what() + std::string(kRepair));
    build(t);  // a damaged tree: its definition is enough to build it again
    beginChange();
  }
}

void ProductionIndex::ensureAllLoaded() {
  for (int i = 0; i < tagCount(); ++i) ensureLoaded(i);
}

ProductionIndex::Tag ProductionIndex::makeTag(const IndexTagInfo& info, const std::string& forText,
                                              bool fromFile) {
  Tag t;
  t.info = info;
  const FieldDefs& defs = records_.fieldDefs();
  const std::string name = gbkToUtf8(info.name);
  try {
    t.key = KeyExpression::parse(info.expression, defs);
    if (!forText.empty()) {
      t.condition = KeyExpression::parse(forText, defs);
      if (t.condition->type() != KeyExpression::Type::Logical)
        throw EngineError("FOR条件[" + gbkToUtf8(forText) + "]不是逻辑表达式");
    }
  } catch (const EngineError& e) {
    // Only a tag the file holds can be repaired; a new one is simply refused.
    if (badTags_ == BadTags::Refuse)
      fail("索引[" + name + "]的表达式无法计算: " + e.what() +
           (fromFile ? " (可用 tdb reindex 重建或去掉它)" : ""));
    t.key.reset();
    t.condition.reset();
    t.problem = e.what();
    return t;
  }
  int length = 8;
  switch (t.key->type()) {
    case KeyExpression::Type::Character:
      t.info.keyType = 'C';
      length = fromFile && format_ == Format::Cdx ? info.keyLength : t.key->width();
      break;
    case KeyExpression::Type::Numeric:
      t.info.keyType = 'N';
      break;
    case KeyExpression::Type::Date:
      t.info.keyType = 'D';
      break;
    case KeyExpression::Type::Logical:
      t.info.keyType = 'L';
      length = 1;
      break;
  }
  if (fromFile) {
    // The file's own description of its keys must agree with what the expression gives.
    bool agrees = true;
    if (format_ == Format::Cdx) {
      agrees = t.info.keyType == 'C' || info.keyLength == length;
    } else {
      const char fileType = info.keyType == 'F' ? 'N' : info.keyType;
      const char want = t.info.keyType == 'L' ? 'C' : t.info.keyType;
      agrees = fileType == want && (want != 'C' || info.keyLength == length);
    }
    if (!agrees)
      fail("索引[" + name + "]的键长度或类型与表达式[" + gbkToUtf8(info.expression) + "]不符");
  }
  t.info.keyLength = length;
  t.keys = KeyList(length);

  // Plain fields give the key's field list; any other part makes it an expression key.
  const std::vector<std::string> parts = topLevelParts(info.expression);
  std::string fields;
  bool plain = true;
  for (const std::string& p : parts) {
    const int f = plainField(p, defs, parts.size() == 1);
    if (f < 0) {
      plain = false;
      break;
    }
    fields += (fields.empty() ? "" : ";") + defs[f].name;
  }
  if (plain && (parts.size() == 1 || t.info.keyType == 'C')) t.fields = fields;
  try {
    for (const std::string& p : parts) {
      t.parts.push_back(KeyExpression::parse(p, defs));
      t.partFields.push_back(firstField(p, defs));
    }
    if (parts.size() > 1)
      for (const KeyExpression& k : t.parts)
        if (k.type() != KeyExpression::Type::Character) throw EngineError("mixed");
  } catch (const EngineError&) {
    t.parts = {*t.key};  // a key that only reads as a whole
    t.partFields = {firstField(info.expression, defs)};
  }
  return t;
}

std::string ProductionIndex::encode(const Tag& tag, const Value& key) const {
  std::string out;
  switch (tag.info.keyType) {
    case 'C':
      out = key.kind() == Value::Kind::Text ? key.textValue() : std::string();
      out.resize(tag.info.keyLength, ' ');
      break;
    case 'N':
      out = ke::sortableNumber(key.isNull() ? 0 : toNumber(key));
      break;
    case 'D':
      out = ke::sortableNumber(key.isNull() ? 0 : key.doubleValue() + ke::kJulianOfDayZero);
      break;
    default:
      out = !key.isNull() && key.booleanValue() ? "T" : "F";
  }
  return tag.info.descending ? ke::inverted(out) : out;
}

std::optional<std::string> ProductionIndex::keyOf(int tag, const RecordBuffer& buf,
                                                  uint32_t recno) {
  const Tag& t = tags_[tag];
  if (!t.key) return std::nullopt;
  RecordFields fields(records_, buf);
  if (t.condition) {
    const Value keep = t.condition->evaluate(fields, recno);
    if (keep.isNull() || !keep.booleanValue()) return std::nullopt;
  }
  return encode(t, t.key->evaluate(fields, recno));
}

void ProductionIndex::build(Tag& tag) {
  const uint32_t count = records_.recordCount();
  std::string keys;
  keys.reserve(size_t(count) * tag.info.keyLength);
  std::vector<uint32_t> recnos;
  recnos.reserve(count);
  RecordBuffer buf;
  const int index = static_cast<int>(&tag - tags_.data());
  for (uint32_t r = 1; r <= count; ++r) {
    records_.read(r, buf);
    std::optional<std::string> key = keyOf(index, buf, r);
    if (!key) continue;
    keys += *key;
    recnos.push_back(r);
  }
  tag.keys.assign(std::move(keys), std::move(recnos));
  tag.loaded = true;
}

void ProductionIndex::loadFromFile(int index) {
  Tag& t = tags_[index];
  const uint32_t count = records_.recordCount();
  std::string keys;
  std::vector<uint32_t> recnos;
  bool trusted = true;
  std::vector<bool> seen(size_t(count) + 1);
  auto take = [&](const IndexEntry& e) {
    // A record the table no longer has, or one keyed twice: the file is behind the table.
    if (e.recno < 1 || e.recno > count || seen[e.recno]) {
      trusted = false;
      return false;
    }
    seen[e.recno] = true;
    std::string key;
    if (format_ == Format::Mdx && t.info.keyType == 'N')
      key = ke::sortableNumber(ke::numberOfMdx(e.key));
    else if (format_ == Format::Mdx && t.info.keyType == 'D')
      key = ke::sortableNumber(ke::julianOfMdxDate(e.key));
    else
      key = e.key;
    key.resize(t.info.keyLength, t.info.keyType == 'C' ? ' ' : '\0');
    keys += t.info.descending ? ke::inverted(key) : key;
    recnos.push_back(e.recno);
    return true;
  };
  if (cdx_)
    cdx_->walk(cdx_->tagIndex(t.info.name), take, t.info.keyType == 'C' ? ' ' : '\0');
  else
    mdx_->walk(mdx_->tagIndex(t.info.name), take);
  // Every record has a key in a tag without a condition; a count that differs means another
  // program changed the table alone. A unique tag keeps only the first of equal keys, so a
  // record it misses must have a key it holds already.
  if (trusted && !t.condition && !t.info.unique && recnos.size() != count) trusted = false;
  const bool missing = recnos.size() != count;
  if (trusted) {
    t.keys.assign(std::move(keys), std::move(recnos));
    if (t.info.unique && missing) trusted = coversUnseen(index, seen);
  }
  if (!trusted) {
    build(t);
    beginChange();
    return;
  }
  t.loaded = true;
}

bool ProductionIndex::coversUnseen(int index, const std::vector<bool>& seen) {
  const Tag& t = tags_[index];
  RecordBuffer buf;
  for (uint32_t r = 1; r < seen.size(); ++r) {
    if (seen[r]) continue;
    records_.read(r, buf);
    const std::optional<std::string> key = keyOf(index, buf, r);
    if (!key) continue;  // its FOR condition leaves it out
    const KeyList::Pos p = t.keys.lowerBound(*key);
    if (p == t.keys.end() || t.keys.key(p) != *key) return false;
  }
  return true;
}

int ProductionIndex::findTag(const std::string& name) const {
  for (size_t i = 0; i < tags_.size(); ++i)
    if (sameName(tags_[i].info.name, trimmed(name))) return static_cast<int>(i);
  return -1;
}

int ProductionIndex::findTagByFields(const std::string& fields) const {
  const std::vector<std::string> want = splitFields(fields);
  if (want.empty()) return -1;
  for (size_t i = 0; i < tags_.size(); ++i) {
    const std::vector<std::string> have = splitFields(tags_[i].fields);
    if (have.size() == want.size() && std::equal(have.begin(), have.end(), want.begin(), sameName))
      return static_cast<int>(i);
  }
  return -1;
}

IndexDefs ProductionIndex::indexDefs() const {
  IndexDefs defs;
  for (const Tag& t : tags_) {
    IndexDef d;
    d.name = t.info.name;
    if (!t.fields.empty()) {
      d.fields = t.fields;
    } else {
      d.expression = t.info.expression;
      d.options |= ixExpression;
    }
    if (t.info.unique) d.options |= ixUnique;
    if (t.info.descending) d.options |= ixDescending;
    defs.add(d);
  }
  return defs;
}

const KeyList& ProductionIndex::keys(int tag) {
  Tag& t = tags_[tag];
  if (!t.key) fail("索引[" + gbkToUtf8(t.info.name) + "]的表达式无法计算: " + t.problem);
  ensureLoaded(tag);
  return t.keys;
}

std::string ProductionIndex::prefixOf(int tag, const std::vector<Value>& values) {
  const Tag& t = tags_[tag];
  const FieldDefs& defs = records_.fieldDefs();
  std::vector<Value> record(defs.count());
  const size_t n = std::min(values.size(), t.parts.size());
  for (size_t i = 0; i < n; ++i)
    if (t.partFields[i] >= 0) record[t.partFields[i]] = values[i];
  ValueFields fields(defs, std::move(record));
  std::string prefix;
  if (t.parts.size() == 1) {
    prefix = encode(t, t.key->evaluate(fields, 0));
    return prefix;
  }
  for (size_t i = 0; i < n; ++i) {
    const Value v = t.parts[i].evaluate(fields, 0);
    std::string text = v.kind() == Value::Kind::Text ? v.textValue() : std::string();
    text.resize(t.parts[i].width(), ' ');
    prefix += text;
  }
  prefix.resize(std::min<size_t>(prefix.size(), t.info.keyLength));
  return t.info.descending ? ke::inverted(prefix) : prefix;
}

void ProductionIndex::prepareStore(const RecordBuffer& buf, uint32_t recno,
                                   const RecordBuffer* before) {
  ensureAllLoaded();  // the write that follows changes every tag, and a damaged one stops it here
  bool changes = false;
  for (size_t i = 0; i < tags_.size(); ++i) {
    const Tag& t = tags_[i];
    if (!t.key) continue;
    const int index = static_cast<int>(i);
    const std::optional<std::string> key = keyOf(index, buf, recno);
    if (before && keyOf(index, *before, recno) == key) continue;  // the key stays as it was
    changes = true;
    if (!t.info.unique || !key) continue;
    for (KeyList::Pos p = t.keys.lowerBound(*key); p != t.keys.end() && t.keys.key(p) == *key;
         p = t.keys.next(p)) {
      const uint32_t other = t.keys.recno(p);
      if (other != recno && other <= records_.recordCount() && !records_.isDeleted(other))
        throw keyViolation(t, other);
    }
  }
  // The marker goes down before the record does: if it cannot be written, nothing is.
  if (changes) beginChange();
}

void ProductionIndex::buildAll() {
  beginChange();
  std::optional<KeyClash> first;
  const Tag* refusing = nullptr;
  for (Tag& t : tags_) {
    if (!t.key) continue;
    build(t);
    if (!t.info.unique) continue;
    const std::optional<KeyClash> clash =
        firstClash(t.keys, [this](uint32_t r) { return records_.isDeleted(r); });
    if (clash && (!first || clash->record < first->record)) first = clash, refusing = &t;
  }
  changed_ = true;
  if (first) throw keyViolation(*refusing, first->holder);
}

void ProductionIndex::recordStored(uint32_t recno, const RecordBuffer* before,
                                   const RecordBuffer& after) {
  ensureAllLoaded();
  for (size_t i = 0; i < tags_.size(); ++i) {
    Tag& t = tags_[i];
    if (!t.key) continue;
    const int index = static_cast<int>(i);
    const std::optional<std::string> old = before ? keyOf(index, *before, recno) : std::nullopt;
    const std::optional<std::string> now = keyOf(index, after, recno);
    if (before && old == now) continue;
    beginChange();
    if (old && !t.keys.erase(*old, recno)) t.keys.eraseRecord(recno);
    if (now) t.keys.insert(*now, recno);
    changed_ = true;
  }
}

IndexTagInfo ProductionIndex::designTag(const IndexDef& def, const FieldDefs& defs, Format format) {
  const std::string name = trimmed(def.name);
  if (name.empty()) throw EngineError("索引名不能为空");
  const std::string which = "索引[" + gbkToUtf8(name) + "]";
  if (name.size() > kMaxTagName) throw EngineError(which + "的名字超过10个字符");
  if (def.options & (ixPrimary | ixCaseInsensitive))
    throw EngineError(which + ": dBASE和FoxPro表不支持主索引和忽略大小写选项");
  IndexTagInfo info;
  info.name = upperAscii(name);
  info.unique = def.options & ixUnique;
  info.descending = def.options & ixDescending;
  if (def.options & ixExpression) {
    info.expression = trimmed(def.expression);
  } else {
    const std::vector<std::string> names = splitFields(def.fields);
    if (names.empty()) throw EngineError(which + "没有字段");
    for (const std::string& n : names) {
      const int f = defs.indexOf(n);
      if (f < 0) throw EngineError(which + "的字段[" + gbkToUtf8(n) + "]不存在");
      if (!info.expression.empty()) info.expression += "+";
      info.expression += names.size() == 1 ? defs[f].name : keyPartFor(defs[f]);
    }
  }
  if (info.expression.empty()) throw EngineError(which + "没有表达式");
  const bool mdx = format == Format::Mdx;
  if (info.expression.size() > (mdx ? kMaxMdxExpression : kMaxCdxExpression))
    throw EngineError(which + "的表达式超过" +
                      std::to_string(mdx ? kMaxMdxExpression : kMaxCdxExpression) + "字节");
  KeyExpression key = [&] {
    try {
      return KeyExpression::parse(info.expression, defs);
    } catch (const EngineError& e) {
      throw EngineError(which + "的表达式无法计算: " + e.what());
    }
  }();
  const int widest = mdx ? kMaxMdxKey : kMaxCdxKey;
  if (key.type() == KeyExpression::Type::Character && key.width() > widest)
    throw EngineError(which + "的键长" + std::to_string(key.width()) + "字节,超过" +
                      (mdx ? ".mdx" : ".cdx") + "索引所能容纳的" + std::to_string(widest) + "字节");
  return info;
}

size_t ProductionIndex::maxTags(Format format) {
  return format == Format::Mdx ? kMaxMdxTags : std::numeric_limits<size_t>::max();
}

void ProductionIndex::addTag(const IndexDef& def) {
  IndexTagInfo info;
  try {
    info = designTag(def, records_.fieldDefs(), format_);
  } catch (const EngineError& e) {
    fail(e.what());
  }
  const std::string name = trimmed(def.name);
  // The index file this writes must not be another table's as well.
  companions::refuseShared(tablePath_, companions::Family::Xbase, "建立索引");
  const int existing = findTag(name);
  if (existing < 0 && format_ == Format::Mdx && tags_.size() >= kMaxMdxTags)
    fail("一个MDX文件最多有47个索引");
  const BadTags saved = badTags_;
  badTags_ = BadTags::Refuse;  // a new tag must work
  Tag t;
  try {
    t = makeTag(info, "", false);
  } catch (...) {
    badTags_ = saved;
    throw;
  }
  badTags_ = saved;
  beginChange();
  if (existing >= 0)
    tags_[existing] = std::move(t);
  else
    tags_.push_back(std::move(t));
  Tag& added = tags_[existing >= 0 ? existing : tags_.size() - 1];
  build(added);
  changed_ = true;
  writeFile();
}

void ProductionIndex::removeTag(const std::string& name) {
  const int i = findTag(name);
  if (i < 0) fail("没有索引[" + gbkToUtf8(name) + "]");
  beginChange();
  tags_.erase(tags_.begin() + i);
  changed_ = true;
  // While another tag still cannot be evaluated the file waits for its repair or its removal.
  if (std::all_of(tags_.begin(), tags_.end(), [](const Tag& t) { return t.key.has_value(); }))
    writeFile();
}

void ProductionIndex::rebuild() {
  for (const Tag& t : tags_)
    if (!t.key) fail("索引[" + gbkToUtf8(t.info.name) + "]的表达式无法计算: " + t.problem);
  beginChange();
  for (Tag& t : tags_) build(t);
  changed_ = true;
  writeFile();
}

void ProductionIndex::reload() {
  for (Tag& t : tags_)
    if (t.loaded) build(t);
}

void ProductionIndex::flush() {
  if (changed_ || holding_) writeFile();
}

void ProductionIndex::beginChange() {
  if (holding_ || !tableFile_.writable()) return;
  // Under the writer lock, so that no writer removes the marker between our lock and our check.
  tableFile_.lock(lockBase_ + 1, PosixFile::Lock::Exclusive);
  try {
    tableFile_.lock(lockBase_, PosixFile::Lock::Shared);
    const std::string marker = markerFor(tablePath_);
    if (!fs::exists(marker)) {
      replaceFile(marker, "index changes not yet written\n");
      syncFolderOf(marker);
    }
    holding_ = true;  // only once the marker is down: a holder without one must try again
  } catch (...) {
    tableFile_.unlock(lockBase_);
    tableFile_.unlock(lockBase_ + 1);
    throw;
  }
  tableFile_.unlock(lockBase_ + 1);
}

void ProductionIndex::writeFile() {
  if (!tableFile_.writable()) return;
  tableFile_.lock(lockBase_ + 1, PosixFile::Lock::Exclusive);
  try {
    if (!exclusive_) {
      // Others may have changed records since we read them: index the table as it is now.
      records_.refresh();
      for (Tag& t : tags_)
        if (t.key) build(t);
    } else {
      ensureAllLoaded();
    }
    if (tags_.empty()) {
      if (fs::exists(path_)) fs::remove(path_);
    } else {
      std::vector<KeyList> uniqueKeys;  // unique tags keep the first record of equal keys
      uniqueKeys.reserve(tags_.size());
      std::vector<TagImage> images;
      for (Tag& t : tags_) {
        if (!t.key) fail("索引[" + gbkToUtf8(t.info.name) + "]的表达式无法计算: " + t.problem);
        TagImage image{t.info, &t.keys};
        if (t.info.unique) {
          std::string keys;
          std::vector<uint32_t> recnos;
          std::string_view last;
          bool any = false;
          t.keys.forEach([&](std::string_view key, uint32_t recno) {
            if (any && key == last) return;
            keys += key;
            recnos.push_back(recno);
            last = key;
            any = true;
          });
          uniqueKeys.emplace_back(t.info.keyLength);
          uniqueKeys.back().assign(std::move(keys), std::move(recnos));
          image.keys = &uniqueKeys.back();
        }
        images.push_back(image);
      }
      if (format_ == Format::Cdx)
        writeCdx(path_, images);
      else
        writeMdx(path_, images, fs::path(tablePath_).stem().string());
    }
    changed_ = false;
    stale_ = false;
    wrote_ = true;
    damage_.clear();  // the file is whole again
    if (holding_) {
      tableFile_.unlock(lockBase_);
      holding_ = false;
    }
    // The marker goes only when no other holder still has changes of its own to write.
    if (tableFile_.tryLock(lockBase_, PosixFile::Lock::Exclusive)) {
      const std::string marker = markerFor(tablePath_);
      if (fs::exists(marker)) {
        fs::remove(marker);
        syncFolderOf(marker);
      }
      tableFile_.unlock(lockBase_);
    }
  } catch (...) {
    tableFile_.unlock(lockBase_ + 1);
    throw;
  }
  tableFile_.unlock(lockBase_ + 1);
  cdx_.reset();
  mdx_.reset();
}

}  // namespace tdb
