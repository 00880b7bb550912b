#include "engine/paradox/paradox_storage.h"

#include <unistd.h>
#include <cctype>
#include <cstring>

#include <filesystem>
#include <vector>

#include "engine/companion_files.h"
#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/paradox/px_codec.h"
#include "engine/paradox/px_primary_index.h"
#include "engine/paradox/px_secondary_index.h"
#include "engine/table_lock.h"

namespace tdb::px {

namespace {

// The byte after the open lock (table_lock.h) serialises changes.
constexpr uint64_t kWriteLock = kTableOpenLock + 1;

// Blocks of new tables; a record must fit one.
constexpr uint32_t kBlockKb = 4;
constexpr uint32_t kLongestFieldName = 25;
// Data blocks an exclusive open reads at once.
constexpr uint32_t kReadAhead = 16;

// Field names compare without case for ASCII letters; a GBK character's trail byte is no letter.
bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 0x81 && x <= 0xFE && i + 1 < a.size()) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (std::toupper(x) != std::toupper(y)) {
      return false;
    }
  }
  return true;
}

// The primary index beside a table: the one there in any case, else TABLE.PX for TABLE.DB and
// table.px for table.db.
std::string primaryIndexPath(const std::string& dbPath) {
  return companions::pathFor(dbPath, ".PX");
}

// The Paradox field for an engine field:
//   ftString -> A(size 1..255)  ftSmallint -> S        ftInteger, ftWord -> I
//   ftLargeint -> #(0 places)    ftFloat -> N           ftCurrency -> $
//   ftBCD -> #(precision, or size when no precision; 0..32 places)
//   ftDate -> D   ftTime -> T   ftDateTime -> @   ftBoolean -> L   ftAutoInc -> +
//   ftMemo -> M   ftFmtMemo -> F   ftBlob -> B   ftGraphic -> G   ftTypedBinary -> O
//                 (size: the bytes kept in the record, 0..240; default 10 for M and F, else 0)
//   ftBytes -> Y(size 1..255)
Field paradoxField(const FieldDef& def, const std::string& path) {
  const std::string which = "数据表[" + path + "]的字段[" + gbkToUtf8(def.name) + "]";
  if (def.name.empty()) throw EngineError("数据表[" + path + "]有字段没有名称");
  if (def.name.size() > kLongestFieldName)
    throw EngineError(which + "的名称太长: Paradox字段名最多25个字节");
  Field f;
  f.name = def.name;
  auto sized = [&](uint8_t type, int lo, int hi) {
    if (def.size < lo || def.size > hi)
      throw EngineError(which + "的长度" + std::to_string(def.size) + "不在" + std::to_string(lo) +
                        "至" + std::to_string(hi) + "之间");
    f.type = type;
    f.size = static_cast<uint32_t>(def.size);
  };
  auto blob = [&](uint8_t type, int fallback) {
    const int leader = def.size > 0 ? def.size : fallback;
    if (leader > 240) throw EngineError(which + "的长度" + std::to_string(leader) + "超过240");
    f.type = type;
    f.size = static_cast<uint32_t>(leader) + 10;
  };
  auto fixed = [&](uint8_t type, uint32_t size) {
    f.type = type;
    f.size = size;
  };
  switch (def.type) {
    case FieldType::ftString:
      sized(kAlpha, 1, 255);
      break;
    case FieldType::ftBytes:
      sized(kBytes, 1, 255);
      break;
    case FieldType::ftSmallint:
      fixed(kShort, 2);
      break;
    case FieldType::ftInteger:
    case FieldType::ftWord:
      fixed(kLong, 4);
      break;
    case FieldType::ftAutoInc:
      fixed(kAutoInc, 4);
      break;
    case FieldType::ftFloat:
      fixed(kNumber, 8);
      break;
    case FieldType::ftCurrency:
      fixed(kMoney, 8);
      break;
    case FieldType::ftLargeint:
    case FieldType::ftBCD: {
      const int places = def.type == FieldType::ftLargeint ? 0
                         : def.precision > 0               ? def.precision
                                                           : def.size;
      if (places < 0 || places > 32)
        throw EngineError(which + "的小数位数" + std::to_string(places) + "不在0至32之间");
      fixed(kBcd, 17);
      f.decimals = static_cast<uint32_t>(places);
      break;
    }
    case FieldType::ftDate:
      fixed(kDate, 4);
      break;
    case FieldType::ftTime:
      fixed(kTime, 4);
      break;
    case FieldType::ftDateTime:
      fixed(kTimestamp, 8);
      break;
    case FieldType::ftBoolean:
      fixed(kLogical, 1);
      break;
    case FieldType::ftMemo:
      blob(kMemo, 10);
      break;
    case FieldType::ftFmtMemo:
      blob(kFmtMemo, 10);
      break;
    case FieldType::ftBlob:
      blob(kBlob, 0);
      break;
    case FieldType::ftGraphic:
      blob(kGraphic, 0);
      break;
    case FieldType::ftTypedBinary:
      blob(kOle, 0);
      break;
    default:
      throw EngineError(which + "的类型" + fieldTypeName(def.type) + "不能用于Paradox表");
  }
  return f;
}

// The number of leading fields an ixPrimary index keys, checked against the field order.
uint32_t primaryKeyFields(const FieldDefs& fields, const IndexDefs& indexes,
                          const std::string& path) {
  uint32_t count = 0;
  bool seen = false;
  for (int i = 0; i < indexes.count(); ++i) {
    const IndexDef& def = indexes[i];
    if (def.options & ixExpression)
      throw EngineError("数据表[" + path + "]: Paradox表不用表达式索引");
    if (!(def.options & ixPrimary)) continue;  // a secondary index
    if (seen) throw EngineError("数据表[" + path + "]只能有一个主索引");
    // The primary key file keeps one order only: ascending, letters as they are.
    if (def.options & (ixDescending | ixCaseInsensitive))
      throw EngineError("数据表[" + path + "]的主索引不能降序或忽略大小写");
    seen = true;
    size_t start = 0;
    for (;;) {
      const size_t end = def.fields.find(';', start);
      const std::string name = def.fields.substr(start, end - start);
      if (static_cast<int>(count) >= fields.count() || fields[static_cast<int>(count)].name != name)
        throw EngineError("数据表[" + path + "]的主索引[" + gbkToUtf8(def.fields) +
                          "]必须由最前面的字段依次组成");
      ++count;
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  return count;
}

// A secondary index for an index definition: its fields by position, its options as flags.
SecondaryIndex secondaryOf(const IndexDef& def, const Header& h, const std::string& path) {
  if (def.options & ixExpression)
    throw EngineError("数据表[" + path + "]: Paradox表不用表达式索引");
  if (def.options & ixPrimary) throw EngineError("数据表[" + path + "]的主索引只能在建表时指定");
  SecondaryIndex s;
  s.name = def.name;
  size_t start = 0;
  while (start <= def.fields.size()) {
    size_t end = def.fields.find(';', start);
    if (end == std::string::npos) end = def.fields.size();
    std::string name = def.fields.substr(start, end - start);
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (!name.empty()) {
      uint32_t i = 0;
      while (i < h.fields.size() && !sameName(h.fields[i].name, name)) ++i;
      if (i == h.fields.size())
        throw EngineError("数据表[" + path + "]没有字段[" + gbkToUtf8(name) + "]");
      s.fields.push_back(i);
    }
    start = end + 1;
  }
  s.caseInsensitive = def.options & ixCaseInsensitive;
  s.descending = def.options & ixDescending;
  s.unique = def.options & ixUnique;
  // An index of one field kept with its case is named by that field.
  if (s.namedByField()) s.name = h.fields[s.fields[0]].name;
  return s;
}

}  // namespace

// ---------------------------------------------------------------- changes

// Serialises one change against every holder of the table and brings the blocks up to date. A
// change that names its record by number (`byNumber`) is refused when another holder changed the
// table since: its inserts and deletes move records, so the number may now name another record.
class ParadoxStorage::Change {
 public:
  Change(ParadoxStorage& s, bool byNumber) : s_(s) {
    if (!s.table_->writable()) throw EngineError("数据表[" + s.path_ + "]是只读的,不能修改");
    if (s.exclusive_) return;
    s.lockFile_->lock(kWriteLock, PosixFile::Lock::Exclusive);
    if (s.table_->stampOnDisk() == s.table_->stamp()) {
      if (byNumber && s.numbersStale_) refuse();
      return;
    }
    try {
      s.load();
    } catch (...) {
      s.lockFile_->unlock(kWriteLock);
      throw;
    }
    s.numbersStale_ = true;
    if (byNumber) refuse();
  }
  ~Change() {
    s_.forgetTouchedKeys();
    s_.indexesStale_ = s_.keyed_ || !s_.secondary_.empty();
    if (!s_.exclusive_) s_.lockFile_->unlock(kWriteLock);
  }
  Change(const Change&) = delete;
  Change& operator=(const Change&) = delete;

 private:
  [[noreturn]] void refuse() {
    s_.lockFile_->unlock(kWriteLock);
    throw EngineError("数据表[" + s_.path_ + "]已被其他用户修改,请刷新后再试");
  }

  ParadoxStorage& s_;
};

// ---------------------------------------------------------------- opening

// A table the user may only read opens shared, for reading.
ParadoxStorage::ParadoxStorage(const std::string& path, bool exclusive)
    : path_(path),
      exclusive_(exclusive),
      lockFile_(lockForOpen(path, companions::Family::Paradox, exclusive).file) {}

std::unique_ptr<ParadoxStorage> ParadoxStorage::open(const std::string& path, bool exclusive) {
  std::unique_ptr<ParadoxStorage> s(new ParadoxStorage(path, exclusive));
  s->load();
  return s;
}

ParadoxStorage::~ParadoxStorage() {
  try {
    flush();
  } catch (const EngineError&) {
    // A primary index that cannot be written is rebuilt from the records by the next writer;
    // the records themselves are already on disk.
  }
}

Header ParadoxStorage::design(const std::string& path, const FieldDefs& fields,
                              const IndexDefs& indexes, std::vector<SecondaryIndex>& secondary) {
  if (fields.count() == 0) throw EngineError("数据表[" + path + "]没有字段");
  Header h;
  for (int i = 0; i < fields.count(); ++i) {
    Field f = paradoxField(fields[i], path);
    for (const Field& other : h.fields)
      if (sameName(other.name, f.name))
        throw EngineError("数据表[" + path + "]的字段名[" + gbkToUtf8(f.name) + "]重复");
    f.offset = h.recordSize;
    h.recordSize += f.size;
    h.fields.push_back(std::move(f));
  }
  h.keyFieldCount = primaryKeyFields(fields, indexes, path);
  h.fileType = h.keyFieldCount > 0 ? 0 : 2;
  h.maxTableSize = kBlockKb;
  while (h.recordSize > h.maxTableSize * 1024u - Header::kBlockHeaderSize && h.maxTableSize < 32)
    h.maxTableSize *= 2;
  if (h.recordSize > h.maxTableSize * 1024u - Header::kBlockHeaderSize)
    throw EngineError("数据表[" + path + "]的记录长度" + std::to_string(h.recordSize) +
                      "超过Paradox表所能容纳的");
  h.blockSize = h.maxTableSize * 1024u;
  h.version = 70;
  h.versionByte = 12;
  h.codePage = 936;
  h.tableName = std::filesystem::path(path).filename().string();
  // Blocks on page boundaries: a block rewritten in one write is then never half written when
  // the program is killed, as a write that spans pages can be.
  h.headerSize = static_cast<uint32_t>((encodeHeader(h).size() + 4095) / 4096 * 4096);
  secondary.clear();
  for (int i = 0; i < indexes.count(); ++i) {
    if (indexes[i].options & ixPrimary) continue;
    SecondaryIndex s = secondaryOf(indexes[i], h, path);
    checkDefinition(h, s);
    // Two indexes in one pair of files: the second would overwrite the first.
    for (SecondaryIndex& other : secondary)
      if (s.namedByField() ? other.namedByField() && other.fields == s.fields
                           : !other.namedByField() && sameName(other.name, s.name))
        throw EngineError("数据表[" + path + "]的索引[" + gbkToUtf8(s.name) + "]重复");
    s.extension = indexExtension(s, secondary);
    secondary.push_back(std::move(s));
  }
  return h;
}

void ParadoxStorage::create(const std::string& path, const FieldDefs& fields,
                            const IndexDefs& indexes) {
  std::vector<SecondaryIndex> secondary;
  const Header h = design(path, fields, indexes, secondary);
  ParadoxTable::create(path, h);
  if (h.keyFieldCount > 0) writePrimaryIndex(primaryIndexPath(path), h, {});
  for (const SecondaryIndex& s : secondary)
    writeSecondaryIndex(path, h, s, 0, [](uint32_t, std::string&, uint32_t&) {});
}

void ParadoxStorage::load() {
  ++loads_;
  const bool holding = table_ && table_->holding();
  if (table_) table_->writeHeld();  // the new object reads the table from the file
  table_ = std::make_unique<ParadoxTable>(path_, lockFile_->writable());
  // No other program changes an exclusive open's blocks: a scan may read runs of them.
  if (exclusive_) table_->setReadAhead(kReadAhead);
  if (holding) table_->beginAppends();
  firstKeys_.clear();
  const Header& h = table_->header();
  keyed_ = h.keyed() && h.keyFieldCount > 0;
  indexes_.clear();
  if (keyed_) {
    IndexDef primary;
    for (uint32_t i = 0; i < h.keyFieldCount && i < h.fields.size(); ++i)
      primary.fields += (i ? ";" : "") + h.fields[i].def.name;
    primary.options = ixPrimary;
    indexes_.add(primary);
  }
  secondary_ = readSecondaryIndexes(path_, h);
  for (const SecondaryIndex& s : secondary_) {
    IndexDef def;
    def.name = s.name;
    for (size_t i = 0; i < s.fields.size(); ++i)
      def.fields += (i ? ";" : "") + h.fields[s.fields[i]].def.name;
    if (s.caseInsensitive) def.options |= ixCaseInsensitive;
    if (s.descending) def.options |= ixDescending;
    if (s.unique) def.options |= ixUnique;
    indexes_.add(def);
  }
  uniqueKeys_.clear();
}

std::optional<std::string> ParadoxStorage::sortKey(int index, const RecordBuffer& buf) const {
  const int i = index - (keyed_ ? 1 : 0);
  if (i < 0 || i >= static_cast<int>(secondary_.size())) return std::nullopt;
  return secondaryKey(table_->header(), secondary_[static_cast<size_t>(i)], buf.bytes.data());
}

// ---------------------------------------------------------------- secondary indexes

void ParadoxStorage::addIndex(const IndexDef& def) {
  if (!exclusive_) throw EngineError("数据表[" + path_ + "]必须独占打开才能建立索引");
  const SecondaryIndex s = secondaryOf(def, table_->header(), path_);
  for (const SecondaryIndex& other : secondary_)
    if (sameName(other.name, s.name))
      throw EngineError("数据表[" + path_ + "]已有名为[" + gbkToUtf8(s.name) + "]的索引");
  writeSecondaryIndex(path_, table_->header(), s, table_->recordCount(), recordsForIndex());
  load();
}

void ParadoxStorage::deleteIndex(const std::string& name) {
  if (!exclusive_) throw EngineError("数据表[" + path_ + "]必须独占打开才能删除索引");
  for (const SecondaryIndex& s : secondary_) {
    if (!sameName(s.name, name)) continue;
    removeSecondaryIndex(path_, table_->header(), s);
    load();
    return;
  }
  throw EngineError("数据表[" + path_ + "]没有名为[" + gbkToUtf8(name) + "]的索引");
}

std::function<void(uint32_t, std::string&, uint32_t&)> ParadoxStorage::recordsForIndex() {
  return [this](uint32_t i, std::string& bytes, uint32_t& block) {
    bytes.assign(table_->record(i), table_->header().recordSize);
    block = table_->chain().place(i).block;
  };
}

// Unique secondary indexes: every record's key in memory, read when a change first needs them.
void ParadoxStorage::checkUnique(const std::string& bytes, const std::string* old) {
  bool any = false;
  for (const SecondaryIndex& s : secondary_) any |= s.unique;
  if (!any) return;
  const Header& h = table_->header();
  if (uniqueKeys_.empty()) {
    uniqueKeys_.resize(secondary_.size());
    for (size_t u = 0; u < secondary_.size(); ++u) {
      if (!secondary_[u].unique) continue;
      for (uint32_t r = 1; r <= table_->recordCount(); ++r)
        uniqueKeys_[u].insert(secondaryKey(h, secondary_[u], table_->record(r)));
    }
  }
  for (size_t u = 0; u < secondary_.size(); ++u) {
    if (!secondary_[u].unique) continue;
    const std::string key = secondaryKey(h, secondary_[u], bytes.data());
    if (old && secondaryKey(h, secondary_[u], old->data()) == key) continue;
    if (uniqueKeys_[u].contains(key))
      throw EngineError("键值重复: 数据表[" + path_ + "]的唯一索引[" +
                        gbkToUtf8(secondary_[u].name) + "]中已有相同的值");
  }
}

void ParadoxStorage::noteUnique(const std::string* added, const std::string* removed) {
  if (uniqueKeys_.empty()) return;
  const Header& h = table_->header();
  for (size_t u = 0; u < secondary_.size(); ++u) {
    if (!secondary_[u].unique) continue;
    if (removed) {
      auto it = uniqueKeys_[u].find(secondaryKey(h, secondary_[u], removed->data()));
      if (it != uniqueKeys_[u].end()) uniqueKeys_[u].erase(it);
    }
    if (added) uniqueKeys_[u].insert(secondaryKey(h, secondary_[u], added->data()));
  }
}

void ParadoxStorage::refresh() {
  if (table_->stampOnDisk() != table_->stamp()) load();
  numbersStale_ = false;  // the caller reads the records afresh
}

std::optional<uint64_t> ParadoxStorage::readsMark() {
  if (exclusive_) return loads_;
  if (table_->header().version < 40) return std::nullopt;
  return (uint64_t{table_->stampOnDisk()} << 24) ^ loads_;
}

// ---------------------------------------------------------------- reading

void ParadoxStorage::read(uint32_t recno, RecordBuffer& buf) {
  if (recno < 1 || recno > table_->recordCount())
    throw EngineError("数据表[" + path_ + "]没有第" + std::to_string(recno) + "条记录");
  buf.bytes.assign(table_->record(recno), table_->header().recordSize);
  buf.memos.clear();
}

Value ParadoxStorage::get(const RecordBuffer& buf, int field) {
  if (!buf.memos.empty()) {
    auto it = buf.memos.find(field);
    if (it != buf.memos.end()) return it->second;
  }
  return table_->value(buf.bytes, field);
}

void ParadoxStorage::getAll(const RecordBuffer& buf, std::vector<Value>& out) {
  const Header& h = table_->header();
  if (buf.bytes.size() < h.recordSize) return Storage::getAll(buf, out);  // throws as get() does
  out.resize(h.fields.size());
  for (size_t i = 0; i < out.size(); ++i) {
    const Field& f = h.fields[i];
    if (isBlobType(f.type))
      out[i] = get(buf, static_cast<int>(i));
    else
      decodeFieldInto(f, buf.bytes.data() + f.offset, table_->path(), out[i]);
  }
}

bool ParadoxStorage::textView(const RecordBuffer& buf, int field, std::string_view& out) const {
  const Field& f = table_->header().fields.at(static_cast<size_t>(field));
  if (f.type != kAlpha) return false;
  out = alphaText(f, buf.bytes.data() + f.offset);
  return true;
}

// ---------------------------------------------------------------- buffers

void ParadoxStorage::set(RecordBuffer& buf, int field, const Value& value) {
  const Field& f = table_->header().fields.at(static_cast<size_t>(field));
  if (isBlobType(f.type)) {
    buf.memos[field] = value;
    return;
  }
  encodeField(f, buf.bytes.data() + f.offset, value);
}

void ParadoxStorage::blank(RecordBuffer& buf) {
  buf.bytes.assign(table_->header().recordSize, '\0');  // every field null
  buf.memos.clear();
}

void ParadoxStorage::prepare(RecordBuffer& buf) {
  for (auto& [field, value] : buf.memos)
    table_->storeBlob(buf.bytes, field, value.isNull() ? std::string() : value.textValue());
  buf.memos.clear();
}

// ---------------------------------------------------------------- keys

uint32_t ParadoxStorage::keySize(int fields) const {
  const Header& h = table_->header();
  uint32_t size = 0;
  for (int i = 0; i < fields && i < static_cast<int>(h.keyFieldCount); ++i)
    size += h.fields[i].size;
  return size;
}

void ParadoxStorage::forgetTouchedKeys() {
  for (uint32_t n : table_->takeTouchedBlocks())
    if (n < firstKeys_.size()) firstKeys_[n].clear();
}

const std::string& ParadoxStorage::firstKeyOf(size_t block) {
  const uint32_t number = table_->chain().blocks()[block].number;
  if (firstKeys_.size() <= number) firstKeys_.resize(number + 1);
  std::string& key = firstKeys_[number];
  if (key.empty())
    key.assign(table_->record(table_->chain().firstRecordOf(block)), keySize(INT32_MAX));
  return key;
}

uint32_t ParadoxStorage::lowerBound(const char* key, uint32_t size, bool& equal) {
  const auto& blocks = table_->chain().blocks();
  equal = false;
  const uint32_t count = table_->recordCount();
  if (count == 0) return 1;
  // The last block whose first key is below the key holds the bound, or it is that block's end.
  size_t lo = 0, hi = blocks.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (std::memcmp(firstKeyOf(mid).data(), key, size) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo == 0) {
    equal = std::memcmp(firstKeyOf(0).data(), key, size) == 0;
    return 1;
  }
  const size_t b = lo - 1;
  uint32_t first = table_->chain().firstRecordOf(b);
  uint32_t last = first + blocks[b].records;  // one past the block
  while (first < last) {
    const uint32_t mid = (first + last) / 2;
    if (std::memcmp(table_->record(mid), key, size) < 0)
      first = mid + 1;
    else
      last = mid;
  }
  if (first <= count) equal = std::memcmp(table_->record(first), key, size) == 0;
  return first;
}

uint32_t ParadoxStorage::seekPrimary(const RecordBuffer& probe, int fields, bool& equal) {
  if (!keyed_) throw EngineError("数据表[" + path_ + "]没有主键");
  return lowerBound(probe.bytes.data(), keySize(fields), equal);
}

uint32_t ParadoxStorage::keyedPlace(const std::string& bytes, uint32_t except) {
  bool equal = false;
  const uint32_t size = keySize(INT32_MAX);
  const uint32_t at = lowerBound(bytes.data(), size, equal);
  if (equal && at != except) {
    std::string key;
    const Header& h = table_->header();
    for (uint32_t i = 0; i < h.keyFieldCount; ++i) {
      if (i) key += ";";
      const Value v = decodeField(h.fields[i], bytes.data() + h.fields[i].offset, path_);
      key += v.isNull() ? std::string() : gbkToUtf8(displayText(v, h.fields[i].def.type));
    }
    throw EngineError("键值重复: 数据表[" + path_ + "]已有主键为[" + key + "]的记录");
  }
  return at;
}

// ---------------------------------------------------------------- changes

uint32_t ParadoxStorage::write(uint32_t recno, RecordBuffer& buf) {
  Change change(*this, true);
  if (recno < 1 || recno > table_->recordCount())
    throw EngineError("数据表[" + path_ + "]没有第" + std::to_string(recno) + "条记录");
  const std::string old(table_->record(recno), table_->header().recordSize);
  checkUnique(buf.bytes, &old);
  const uint32_t size = keySize(INT32_MAX);
  uint32_t at = recno;
  if (!keyed_ || std::memcmp(old.data(), buf.bytes.data(), size) == 0) {
    prepare(buf);
    table_->overwrite(recno, buf.bytes);
  } else {
    // A new key: the record moves to where that key belongs.
    keyedPlace(buf.bytes, 0);
    prepare(buf);
    table_->remove(recno);
    forgetTouchedKeys();
    bool equal = false;
    at = lowerBound(buf.bytes.data(), size, equal);
    table_->insert(at, buf.bytes);
  }
  noteUnique(&buf.bytes, &old);
  return at;
}

uint32_t ParadoxStorage::append(RecordBuffer& buf) { return insert(0, buf); }

uint32_t ParadoxStorage::insert(uint32_t before, RecordBuffer& buf) {
  Change change(*this, false);  // a new record: a key, or a place near the one asked for
  const Header& h = table_->header();
  for (size_t i = 0; i < h.fields.size(); ++i) {
    const Field& f = h.fields[i];
    if (f.type != kAutoInc) continue;
    const Value v = decodeField(f, buf.bytes.data() + f.offset, path_);
    if (v.isNull())
      encodeField(f, buf.bytes.data() + f.offset, Value::integer(table_->nextAutoIncrement()));
    else
      table_->noteAutoIncrement(v.integerValue());
  }
  uint32_t at = before == 0 || before > table_->recordCount() ? table_->recordCount() + 1 : before;
  if (keyed_) at = keyedPlace(buf.bytes, 0);
  checkUnique(buf.bytes, nullptr);
  prepare(buf);
  table_->insert(at, buf.bytes);
  noteUnique(&buf.bytes, nullptr);
  return at;
}

void ParadoxStorage::setDeleted(uint32_t recno, bool deleted) {
  if (!deleted) throw EngineError("数据表[" + path_ + "]: Paradox表的记录删除后不能恢复");
  Change change(*this, true);
  if (recno < 1 || recno > table_->recordCount())
    throw EngineError("数据表[" + path_ + "]没有第" + std::to_string(recno) + "条记录");
  const std::string old(table_->record(recno), table_->header().recordSize);
  table_->remove(recno);
  noteUnique(nullptr, &old);
}

void ParadoxStorage::pack() {
  // Deleted records leave a Paradox table at once: there is nothing to pack away.
  if (!exclusive_) throw EngineError("数据表[" + path_ + "]需要独占打开才能压缩");
}

void ParadoxStorage::beginBatch() {
  if (builtWhole_ && exclusive_) table_->beginAppends();
}

void ParadoxStorage::endBatch() { table_->endAppends(); }

void ParadoxStorage::flush() {
  table_->writeHeld();
  if (!indexesStale_) return;
  // Under the write lock, from the blocks as they are now: another holder may have changed them
  // since this one's last change.
  if (!exclusive_) lockFile_->lock(kWriteLock, PosixFile::Lock::Exclusive);
  try {
    if (table_->stampOnDisk() != table_->stamp()) {
      load();
      numbersStale_ = true;
    }
    table_->sync();
    if (keyed_) {
      std::vector<BlockKey> entries;
      const auto& blocks = table_->chain().blocks();
      entries.reserve(blocks.size());
      for (size_t i = 0; i < blocks.size(); ++i)
        entries.push_back({firstKeyOf(i), blocks[i].number, blocks[i].records});
      writePrimaryIndex(primaryIndexPath(path_), table_->header(), entries);
    }
    for (const SecondaryIndex& s : secondary_)
      writeSecondaryIndex(path_, table_->header(), s, table_->recordCount(), recordsForIndex());
  } catch (...) {
    if (!exclusive_) lockFile_->unlock(kWriteLock);
    throw;
  }
  if (!exclusive_) lockFile_->unlock(kWriteLock);
  indexesStale_ = false;
}

}  // namespace tdb::px
