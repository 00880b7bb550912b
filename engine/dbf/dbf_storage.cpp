#include "engine/dbf/dbf_storage.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>

#include "engine/byte_order.h"
#include "engine/companion_files.h"
#include "engine/dbf/dbf_codec.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/table_lock.h"
#include "engine/table_swap.h"

namespace tdb::dbf {

namespace fs = std::filesystem;

namespace {

// Lock bytes beside the open lock (table_lock.h): one held while a record is appended, then the
// production index's two.
constexpr uint64_t kAppendLock = kTableOpenLock + 1;
constexpr uint64_t kIndexLocks = kTableOpenLock + 2;

// Aim for reads of about this many bytes when records are fetched one after another.
constexpr size_t kReadAhead = 64 * 1024;
// And about this many when they are fetched out of order.
constexpr size_t kJumpRead = 4 * 1024;

MemoFormat formatOf(MemoKind kind) {
  switch (kind) {
    case MemoKind::Dbt3:
      return MemoFormat::Dbt3;
    case MemoKind::Dbt4:
      return MemoFormat::Dbt4;
    default:
      return MemoFormat::Fpt;
  }
}

const char* memoExtension(MemoKind kind) { return kind == MemoKind::Fpt ? ".FPT" : ".DBT"; }

}  // namespace

std::string DbfStorage::memoPathFor(const std::string& tablePath, MemoKind kind) {
  return companions::pathFor(tablePath, memoExtension(kind));
}

DbfStorage::DbfStorage(std::string path, bool exclusive, TableType type,
                       ProductionIndex::BadTags badTags)
    : path_(std::move(path)), exclusive_(exclusive), type_(type), badTags_(badTags) {}

DbfStorage::~DbfStorage() {
  try {
    flush();
  } catch (...) {
    // A destructor must not throw; Table::close flushes first and reports what fails.
  }
}

std::unique_ptr<DbfStorage> DbfStorage::open(const std::string& path, bool exclusive,
                                             TableType type, ProductionIndex::BadTags badTags) {
  std::unique_ptr<DbfStorage> s(new DbfStorage(path, exclusive, type, badTags));
  OpenLock lock = lockForOpen(path, companions::Family::Xbase, exclusive);
  s->file_ = std::move(lock.file);
  s->load();
  return s;
}

const IndexDefs& DbfStorage::indexDefs() const {
  indexes_ = index_->indexDefs();
  return indexes_;
}

void DbfStorage::load() {
  // The header before the size: another process appends a record before it counts it, so a
  // count read first never needs more bytes than the size read after it shows.
  std::string bytes(kFixedHeaderSize, '\0');
  bytes.resize(file_->readAt(0, bytes.data(), bytes.size()));
  const uint32_t length = announcedHeaderLength(bytes);
  if (length > bytes.size()) {
    bytes.resize(length);
    bytes.resize(file_->readAt(0, bytes.data(), length));
  }
  header_ = parseHeader(bytes, file_->size(), path_);

  defs_.clear();
  for (const Field& f : header_.fields) defs_.add(f.def);
  warnings_.clear();
  if (header_.declaredCount > header_.recordCount)
    warnings_.push_back("数据表[" + path_ + "]不完整: 文件头记录数" +
                        std::to_string(header_.declaredCount) + ",文件只容纳" +
                        std::to_string(header_.recordCount) + "条完整记录,可能被截短");
  memo_.reset();
  if (header_.hasMemoFields()) openMemo();
  // A damaged table, or one whose memos cannot be written, is only read: what it holds can be
  // read and copied out, and nothing is written to files that may have lost their end.
  if (!warnings_.empty()) {
    if (exclusive_)
      throw EngineError("数据表[" + path_ + "]只能以只读方式打开,不能独占打开: " + warnings_[0]);
    if (file_->writable()) {
      auto reader = std::make_unique<PosixFile>(path_, PosixFile::Mode::ReadOnly);
      if (!reader->tryLock(kTableOpenLock, PosixFile::Lock::Shared))
        throw EngineError("数据表[" + path_ + "]已被独占打开");
      file_ = std::move(reader);
    }
  }
  if (memo_ && file_->writable())
    memo_ = MemoFile::open(memo_->path(), formatOf(header_.memoKind()), true);
  cacheFirst_ = cacheCount_ = 0;
  // Records are read straight from a mapping, which costs nothing per record when an index order
  // jumps about the file. Shared too: no holder of ours shrinks a table others hold (a pack needs
  // it alone), the mapping shows every write as the file has it, and a foreign program cutting
  // the file short fails the read (checkMapped) instead of the process.
  mapped_ = header_.recordCount > 0 ? file_->mapForReading(file_->size()) : nullptr;
  index_ = std::make_unique<ProductionIndex>(*this, *file_, kIndexLocks, path_, indexFormat(),
                                             exclusive_, badTags_);
}

void DbfStorage::openMemo() {
  const std::string memoPath = companions::find(path_, memoExtension(header_.memoKind()));
  if (memoPath.empty())
    throw EngineError("数据表[" + path_ + "]的备注文件" + memoPathFor(path_, header_.memoKind()) +
                      "不存在");
  // Read-only first: whether it may be written depends on what it holds.
  memo_ = MemoFile::open(memoPath, formatOf(header_.memoKind()), false);
  if (!memo_->damage().empty())
    warnings_.push_back(memo_->damage());
  else if (file_->writable() && ::access(memoPath.c_str(), W_OK) != 0)
    warnings_.push_back("备注文件[" + memoPath + "]是只读的,数据表只能读取");
}

ProductionIndex::Format DbfStorage::indexFormat() const {
  using Format = ProductionIndex::Format;
  switch (header_.flavor) {
    case Flavor::FoxPro2:
    case Flavor::VisualFoxPro:
      return Format::Cdx;
    case Flavor::DBase4:
    case Flavor::DBase7:
      return Format::Mdx;
    default:
      // 03h: FoxPro and dBASE both write it. The index file beside it decides, then the caller.
      if (!companions::find(path_, ".CDX").empty()) return Format::Cdx;
      if (!companions::find(path_, ".MDX").empty()) return Format::Mdx;
      return type_ == TableType::ttFoxPro ? Format::Cdx : Format::Mdx;
  }
}

void DbfStorage::markProductionIndex() {
  const uint8_t flags =
      index_->present() ? (header_.tableFlags | 0x01) : (header_.tableFlags & ~0x01);
  if (flags == header_.tableFlags || !file_->writable()) return;
  const char byte = static_cast<char>(flags);
  file_->writeAt(28, &byte, 1);
  header_.tableFlags = flags;
}

void DbfStorage::flushIndex() {
  if (!index_) return;
  index_->flush();
  markProductionIndex();
}

Header DbfStorage::design(const FieldDefs& defs, TableType type, const IndexDefs& indexes) {
  Header h = designHeader(defs, type);
  FieldDefs stored;  // the fields as the new table reads them back, which its keys are made of
  for (const Field& f : h.fields) stored.add(f.def);
  const auto format =
      type == TableType::ttFoxPro ? ProductionIndex::Format::Cdx : ProductionIndex::Format::Mdx;
  if (static_cast<size_t>(indexes.count()) > ProductionIndex::maxTags(format))
    throw EngineError("一个索引文件最多有" + std::to_string(ProductionIndex::maxTags(format)) +
                      "个索引,这里有" + std::to_string(indexes.count()) + "个");
  std::vector<std::string> names;
  for (const IndexDef& def : indexes) {
    const IndexTagInfo tag = ProductionIndex::designTag(def, stored, format);
    // Tags are found by name without regard to case: a second of one name would replace the first.
    for (const std::string& name : names)
      if (name == tag.name) throw EngineError("索引[" + gbkToUtf8(tag.name) + "]重复");
    names.push_back(tag.name);
  }
  return h;
}

void DbfStorage::create(const std::string& path, const FieldDefs& defs, TableType type,
                        const IndexDefs& indexes) {
  const Header h = design(defs, type, indexes);
  if (h.hasMemoFields()) {
    const auto kind = h.memoKind();
    MemoFile::create(memoPathFor(path, kind), formatOf(kind));
  }
  replaceFile(path, buildHeader(h) + '\x1A');
  if (indexes.count() == 0) return;
  auto table = open(path, true, type);
  for (const IndexDef& def : indexes) table->index_->addTag(def);
  table->flushIndex();
}

void DbfStorage::requireWritable() const {
  if (file_->writable()) return;
  if (!warnings_.empty()) throw EngineError(warnings_[0] + ",只能读取,不能修改");
  throw EngineError("数据表[" + path_ + "]是只读的");
}

void DbfStorage::refresh() {
  if (batching_) return;  // the file's count lags behind this batch on purpose
  char count[4];
  file_->readExactly(4, count, 4);
  uint32_t n;
  std::memcpy(&n, count, 4);
  if (n != header_.recordCount) {
    const uint64_t size = file_->size();
    const uint64_t held =
        size > header_.headerLength ? (size - header_.headerLength) / header_.recordLength : 0;
    // A table opened cut short keeps to the records it holds; another one losing its end is news.
    if (n > held && header_.declaredCount <= header_.recordCount)
      throw EngineError("数据表[" + path_ + "]已损坏: 记录数" + std::to_string(n) + "超出文件长度");
    header_.recordCount = static_cast<uint32_t>(std::min<uint64_t>(n, held));
  }
  cacheFirst_ = cacheCount_ = 0;
  if (memo_) memo_->discardReadAhead();
}

std::optional<uint64_t> DbfStorage::readsMark() {
  if (exclusive_) return header_.recordCount;
  const std::optional<uint64_t> file = file_->settledChangeMark();
  if (!file) return std::nullopt;
  return *file ^ (uint64_t{header_.recordCount} << 20);
}

const char* DbfStorage::fetchRecord(uint32_t recno) {
  writePending();
  if (recno < 1 || recno > header_.recordCount)
    throw EngineError("数据表[" + path_ + "]没有第" + std::to_string(recno) + "条记录");
  const uint32_t len = header_.recordLength;
  if (mapped_) {
    const uint64_t end = header_.headerLength + uint64_t{recno} * len;
    // Records appended since the mapping are read as in a shared open until they add up to
    // enough to map again: mapping costs more than reading a few.
    const uint64_t mapped = file_->mappedSize();
    if (end > mapped && file_->size() >= mapped + std::max<uint64_t>(mapped / 8, 1 << 20))
      mapped_ = file_->mapForReading(file_->size());
    if (end <= file_->mappedSize()) return mapped_ + (end - len);
  }
  if (cacheFirst_ == 0 || recno < cacheFirst_ || recno >= cacheFirst_ + cacheCount_) {
    // Scans read far ahead; a jump (an index order, a bookmark) reads about a page, since the
    // next record wanted is as likely anywhere else. The record just before the window is a
    // scan too, backwards (a walk back over deleted records) or both ways (deleting while
    // walking forward reads each record after its successor): the window is centred on it.
    const bool behind = cacheFirst_ != 0 && recno + 1 == cacheFirst_;
    const bool jump = cacheFirst_ != 0 && recno != cacheFirst_ + cacheCount_ && !behind;
    const uint32_t perBlock = std::max<uint32_t>(1, (jump ? kJumpRead : kReadAhead) / len);
    const uint32_t first = behind && recno > perBlock / 2 ? recno - perBlock / 2 : recno;
    cacheCount_ = std::min(perBlock, header_.recordCount - first + 1);
    cache_.resize(size_t{cacheCount_} * len);
    file_->readExactly(header_.headerLength + uint64_t{first - 1} * len, cache_.data(),
                       cache_.size());
    cacheFirst_ = first;
  }
  return cache_.data() + size_t{recno - cacheFirst_} * len;
}

void DbfStorage::read(uint32_t recno, RecordBuffer& buf) {
  buf.bytes.assign(cachedRecord(recno), header_.recordLength);
  if (mapped_ && !soundMapped(buf.bytes[0])) checkMapped(recno);
  buf.memos.clear();
}

void DbfStorage::readStored(uint32_t recno, RecordBuffer& buf) {
  writePending();
  // Held exclusively, nobody else writes: what was read is what the file holds.
  if (exclusive_) {
    read(recno, buf);
    return;
  }
  if (recno < 1 || recno > header_.recordCount)
    throw EngineError("数据表[" + path_ + "]没有第" + std::to_string(recno) + "条记录");
  // One read past everything kept: a shared file may be cut short by another program at any
  // moment, which a read reports and a mapping would not survive.
  const uint32_t len = header_.recordLength;
  const uint64_t end = header_.headerLength + uint64_t{recno} * len;
  buf.memos.clear();
  buf.bytes.resize(len);
  file_->readExactly(end - len, buf.bytes.data(), len);
  // The copy read ahead follows, so that the write which comes next sees the record as it is.
  if (cacheFirst_ && recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_)
    std::memcpy(cache_.data() + size_t{recno - cacheFirst_} * len, buf.bytes.data(), len);
}

bool DbfStorage::isDeleted(uint32_t recno) {
  const char flag = cachedRecord(recno)[0];
  if (mapped_ && !soundMapped(flag)) checkMapped(recno);
  return flag == '*';
}

// A file cut short under the mapping reads as zeros: a fault past its last page marks the mapping
// cut, and a record in the last page after the new end has no delete flag (blank or '*'). (A
// record the new end cuts in two still shows zeros for its lost part: finding that would cost a
// system call per record, which is what the mapping saves.)
void DbfStorage::checkMapped(uint32_t recno) {
  const uint64_t end = header_.headerLength + uint64_t{recno} * header_.recordLength;
  if (!file_->mappingCut() && file_->size() >= end) return;  // a writer left it without a flag
  mapped_ = file_->mapForReading(0);
  cacheFirst_ = cacheCount_ = 0;
  throw EngineError("数据表[" + path_ + "]在读取时被其他程序截短,第" + std::to_string(recno) +
                    "条记录已不在文件中");
}

bool DbfStorage::isDeleted(const RecordBuffer& buf) const { return buf.bytes[0] == '*'; }

Value DbfStorage::get(const RecordBuffer& buf, int field) {
  const Field& f = header_.fields.at(field);
  if (!f.memo) return decodeField(header_, f, buf.bytes.data());
  return memoValue(buf, field, f);
}

void DbfStorage::getAll(const RecordBuffer& buf, std::vector<Value>& out) {
  out.resize(header_.fields.size());
  for (size_t i = 0; i < out.size(); ++i) {
    const Field& f = header_.fields[i];
    if (f.memo)
      out[i] = memoValue(buf, static_cast<int>(i), f);
    else
      decodeFieldInto(header_, f, buf.bytes.data(), out[i]);
  }
}

Value DbfStorage::memoValue(const RecordBuffer& buf, int field, const Field& f) {
  if (auto pending = buf.memos.find(field); pending != buf.memos.end()) return pending->second;
  const uint32_t block = memoBlock(f, buf.bytes.data());
  if (block == 0 || !memo_) return Value();
  std::string data = memo_->read(block);
  if (data.empty()) return Value();
  return f.def.type == FieldType::ftMemo ? Value::text(std::move(data))
                                         : Value::bytes(std::move(data));
}

bool DbfStorage::textView(const RecordBuffer& buf, int field, std::string_view& out) const {
  const Field& f = header_.fields.at(field);
  if (f.type != 'C') return false;
  if (f.nullBit >= 0 && decodeField(header_, f, buf.bytes.data()).isNull())
    out = {};
  else
    out = std::string_view(buf.bytes.data() + f.offset, f.length);
  return true;
}

bool DbfStorage::numberText(const RecordBuffer& buf, int field, std::string_view& out) const {
  const Field& f = header_.fields.at(field);
  if (f.type != 'N' && f.type != 'F') return false;
  out = std::string_view(buf.bytes.data() + f.offset, f.length);
  if (f.nullBit >= 0 && decodeField(header_, f, buf.bytes.data()).isNull()) return false;
  return out.find_first_not_of(std::string_view(" \0", 2)) != std::string_view::npos;
}

bool DbfStorage::setNumberText(RecordBuffer& buf, int field, std::string_view text) {
  const Field& f = header_.fields.at(field);
  if ((f.type != 'N' && f.type != 'F') || text.size() != f.length) return false;
  putNumberText(header_, f, buf.bytes.data(), text);
  return true;
}

const Field* DbfStorage::plainField(int field) const {
  const Field& f = header_.fields.at(field);
  const bool plain =
      !f.memo && f.nullBit < 0 && std::string_view("CDLNF").find(f.type) != std::string_view::npos;
  return plain ? &f : nullptr;
}

bool DbfStorage::storedBytes(const RecordBuffer& buf, int field, std::string_view& out) const {
  const Field* f = plainField(field);
  if (!f) return false;
  out = std::string_view(buf.bytes.data() + f->offset, f->length);
  return true;
}

bool DbfStorage::setStoredBytes(RecordBuffer& buf, int field, std::string_view bytes) {
  const Field* f = plainField(field);
  if (!f || bytes.size() != f->length) return false;
  std::memcpy(buf.bytes.data() + f->offset, bytes.data(), bytes.size());
  return true;
}

void DbfStorage::set(RecordBuffer& buf, int field, const Value& value) {
  const Field& f = header_.fields.at(field);
  if (f.memo)
    buf.memos[field] = value;
  else
    encodeField(header_, f, buf.bytes.data(), value);
}

void DbfStorage::blank(RecordBuffer& buf) {
  buf.bytes.assign(header_.recordLength, ' ');
  buf.memos.clear();
  if (header_.nullFlagsOffset >= 0)
    std::memset(buf.bytes.data() + header_.nullFlagsOffset, 0, header_.nullFlagsLength);
  for (const Field& f : header_.fields) {
    if (f.memo)
      setMemoBlock(header_, f, buf.bytes.data(), 0);
    else
      encodeField(header_, f, buf.bytes.data(), Value());
  }
}

void DbfStorage::writeMemos(RecordBuffer& buf) {
  for (auto& [field, value] : buf.memos) {
    const Field& f = header_.fields.at(field);
    char* rec = buf.bytes.data();
    if (value.isNull() || value.textValue().empty()) {
      setMemoBlock(header_, f, rec, 0);  // the old memo stays in the file until a pack
      continue;
    }
    const bool binary = f.def.type != FieldType::ftMemo;
    const uint32_t block = memo_->write(value.textValue(), memoBlock(f, rec), binary);
    setMemoBlock(header_, f, rec, block);
  }
  buf.memos.clear();
}

void DbfStorage::stampHeader(std::optional<uint32_t> count) {
  const uint8_t year = header_.year, month = header_.month, day = header_.day;
  stampToday(header_);
  // The date changes once a day at most: batch work must not pay a write for it per record.
  if (!count && dateStamped_ && year == header_.year && month == header_.month &&
      day == header_.day)
    return;
  dateStamped_ = true;
  char bytes[7] = {static_cast<char>(header_.year), static_cast<char>(header_.month),
                   static_cast<char>(header_.day)};
  if (count) putLe32(bytes + 3, *count);
  file_->writeAt(1, bytes, count ? 7 : 3);
}

uint32_t DbfStorage::write(uint32_t recno, RecordBuffer& buf) {
  requireWritable();
  if (recno < 1 || recno > header_.recordCount)
    throw EngineError("数据表[" + path_ + "]没有第" + std::to_string(recno) + "条记录");
  RecordBuffer before;
  read(recno, before);
  index_->prepareStore(buf, recno, &before);
  if (!buf.memos.empty()) {
    file_->lock(kAppendLock, PosixFile::Lock::Exclusive);  // memo blocks are allocated under it
    try {
      writeMemos(buf);
    } catch (...) {
      file_->unlock(kAppendLock);
      throw;
    }
    file_->unlock(kAppendLock);
  }
  const uint32_t len = header_.recordLength;
  file_->writeAt(header_.headerLength + uint64_t{recno - 1} * len, buf.bytes.data(), len);
  if (cacheFirst_ && recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_)
    std::memcpy(cache_.data() + size_t{recno - cacheFirst_} * len, buf.bytes.data(), len);
  // The date only: the count belongs to whoever appends, and ours may be behind another's.
  stampHeader(std::nullopt);
  written_ = true;
  index_->recordStored(recno, &before, buf);
  return recno;
}

uint32_t DbfStorage::append(RecordBuffer& buf) {
  requireWritable();
  if (batching_) return appendHeld(buf);  // keys, if any, come at the end of the batch
  index_->prepareStore(buf, 0, nullptr);
  if (exclusive_) return appendAlone(buf);
  file_->lock(kAppendLock, PosixFile::Lock::Exclusive);
  try {
    refresh();  // another process may have appended since
    if (header_.recordCount == UINT32_MAX) throw EngineError("数据表[" + path_ + "]记录数已满");
    writeMemos(buf);
    const uint32_t len = header_.recordLength;
    std::string bytes = buf.bytes;
    bytes += '\x1A';
    const uint64_t at = header_.headerLength + uint64_t{header_.recordCount} * len;
    const uint64_t sizeBefore = file_->size();
    char endBefore = 0;
    const bool hadEnd = file_->readAt(at, &endBefore, 1) == 1;
    try {
      file_->writeAt(at, bytes.data(), bytes.size());
      stampHeader(header_.recordCount + 1);
    } catch (...) {
      // A full disk can take part of the record: the file goes back to the bytes it had, so
      // that other programs find its end mark where it was.
      try {
        if (hadEnd) file_->writeAt(at, &endBefore, 1);
        file_->truncate(sizeBefore);
      } catch (...) {
        // The count was not raised, so the table stays whole either way.
      }
      throw;
    }
    ++header_.recordCount;
  } catch (...) {
    file_->unlock(kAppendLock);
    throw;
  }
  file_->unlock(kAppendLock);
  written_ = true;
  index_->recordStored(header_.recordCount, nullptr, buf);
  return header_.recordCount;
}

uint32_t DbfStorage::appendAlone(RecordBuffer& buf) {
  if (header_.recordCount == UINT32_MAX) throw EngineError("数据表[" + path_ + "]记录数已满");
  writeMemos(buf);
  const uint64_t at = header_.headerLength + uint64_t{header_.recordCount} * header_.recordLength;
  std::string bytes = buf.bytes;
  bytes += '\x1A';
  try {
    file_->writeAt(at, bytes.data(), bytes.size());
    stampHeader(header_.recordCount + 1);
  } catch (...) {
    // Part of the record may be on disk: the file ends where it did, with its end mark.
    try {
      file_->truncate(at);
      file_->writeAt(at, "\x1A", 1);
    } catch (...) {
      // The count was not raised, so the table stays whole either way.
    }
    throw;
  }
  ++header_.recordCount;
  written_ = true;
  index_->recordStored(header_.recordCount, nullptr, buf);
  return header_.recordCount;
}

uint32_t DbfStorage::appendHeld(RecordBuffer& buf) {
  if (header_.recordCount == UINT32_MAX) throw EngineError("数据表[" + path_ + "]记录数已满");
  writeMemos(buf);
  if (pending_.empty())
    pendingAt_ = header_.headerLength + uint64_t{header_.recordCount} * header_.recordLength;
  pending_ += buf.bytes;
  ++header_.recordCount;
  written_ = true;
  if (pending_.size() >= kPendingBytes) writePending();
  return header_.recordCount;
}

void DbfStorage::writePendingNow() {
  pending_ += '\x1A';
  try {
    file_->writeAt(pendingAt_, pending_.data(), pending_.size());
  } catch (...) {
    dropBatch();
    throw;
  }
  pending_.clear();
}

void DbfStorage::dropBatch() {
  // Held alone, the table ended where the batch began: it ends there again, with its end mark,
  // and none of the batch's records are counted.
  header_.recordCount = batchStart_;
  pending_.clear();
  cacheFirst_ = 0;
  try {
    const uint64_t end =
        header_.headerLength + uint64_t{header_.recordCount} * header_.recordLength;
    file_->writeAt(end, "\x1A", 1);
    file_->truncate(end + 1);
  } catch (...) {
    // The header's count was not raised, so the table stays whole either way.
  }
}

void DbfStorage::beginBatch() {
  // Tags only when they are built at the end: keys stored for records a failed batch then takes
  // back would stay behind.
  batching_ = exclusive_ && file_->writable() && (!index_->present() || builtWhole_);
  batchStart_ = header_.recordCount;
}

void DbfStorage::markBuiltWhole() {
  builtWhole_ = true;
  if (memo_) memo_->holdAlone();
}

void DbfStorage::endBatch() {
  if (!batching_) return;
  batching_ = false;
  writePending();
  if (index_->present() && header_.recordCount != batchStart_) {
    try {
      index_->buildAll();
    } catch (...) {
      dropBatch();
      throw;
    }
  }
  if (header_.recordCount != batchStart_) stampHeader(header_.recordCount);
}

void DbfStorage::setDeleted(uint32_t recno, bool deleted) {
  requireWritable();
  RecordBuffer buf;
  read(recno, buf);
  buf.bytes[0] = deleted ? '*' : ' ';
  write(recno, buf);
}

void DbfStorage::pack() {
  endBatch();
  requireWritable();
  if (!exclusive_) throw EngineError("数据表[" + path_ + "]必须独占打开才能压缩(pack)");
  // The new files go where this table's own are: none of them may be another table's as well.
  companions::refuseShared(path_, companions::Family::Xbase, "压缩");

  // The new memo file first, so that the new table can point into it; both under their names.
  TableSwap swap(path_, companions::Family::Xbase);
  std::unique_ptr<MemoFile> newMemo;
  if (memo_) {
    const fs::path built(swap.builtPath());
    newMemo = MemoFile::create((built.parent_path() / fs::path(memo_->path()).filename()).string(),
                               formatOf(header_.memoKind()), memo_->blockSize());
  }
  {
    PosixFile out(swap.builtPath(), PosixFile::Mode::Create);
    Header h = header_;
    std::string chunk;
    uint32_t kept = 0;
    uint64_t at = h.headerLength;
    RecordBuffer buf;
    for (uint32_t r = 1; r <= header_.recordCount; ++r) {
      if (isDeleted(r)) continue;
      read(r, buf);
      for (size_t i = 0; i < h.fields.size() && newMemo; ++i) {
        const Field& f = h.fields[i];
        if (!f.memo) continue;
        const uint32_t block = memoBlock(f, buf.bytes.data());
        uint32_t moved = 0;
        if (block != 0) {
          const std::string data = memo_->read(block);
          if (!data.empty()) moved = newMemo->write(data, 0, f.def.type != FieldType::ftMemo);
        }
        setMemoBlock(h, f, buf.bytes.data(), moved);
      }
      chunk += buf.bytes;
      ++kept;
      if (chunk.size() >= kReadAhead) {
        out.writeAt(at, chunk.data(), chunk.size());
        at += chunk.size();
        chunk.clear();
      }
    }
    chunk += '\x1A';
    out.writeAt(at, chunk.data(), chunk.size());
    h.recordCount = kept;
    stampToday(h);
    // The old header is kept byte for byte but for the date and the count (so that unknown
    // bytes, such as a Visual FoxPro backlink, survive).
    std::string head(h.headerLength, '\0');
    file_->readExactly(0, head.data(), head.size());
    head[1] = static_cast<char>(h.year);
    head[2] = static_cast<char>(h.month);
    head[3] = static_cast<char>(h.day);
    putLe32(head.data() + 4, kept);
    out.writeAt(0, head.data(), head.size());
    out.sync();
    if (newMemo) newMemo->sync();
  }
  newMemo.reset();

  // From the swap on, the index file describes the old records: its marker makes the reload
  // rebuild every tag from the packed ones.
  if (index_->present()) replaceFile(ProductionIndex::markerFor(path_), "pack\n");
  // The new table file comes back locked as this object holds the old one: no other process
  // opens the table between the swap and the reload.
  std::unique_ptr<PosixFile> packed = swap.commit({});
  index_.reset();
  memo_.reset();
  file_ = std::move(packed);
  load();
  flushIndex();
}

void DbfStorage::flush() {
  if (!file_ || !file_->writable()) return;
  endBatch();
  // A table that was only read keeps every byte, its index mark too, even where the mark and
  // the index file beside it disagree.
  if (written_ || (index_ && index_->touched())) flushIndex();
  if (!written_) return;
  file_->sync();
  if (memo_) memo_->sync();
  written_ = false;
}

}  // namespace tdb::dbf
