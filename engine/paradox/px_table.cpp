#include "engine/paradox/px_table.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/byte_order.h"
#include "engine/companion_files.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb::px {

namespace {

// Held appends are written once this many bytes of blocks are full.
constexpr size_t kHeldRun = 1 << 20;

Header readHeader(const PosixFile& file) {
  const uint64_t size = file.size();
  std::string fixed(kFixedHeaderSize, '\0');
  fixed.resize(file.readAt(0, fixed.data(), fixed.size()));
  if (fixed.size() < kFixedHeaderSize) return parseHeader(fixed, size, file.path());
  const uint32_t headerSize = announcedHeaderSize(fixed);
  if (headerSize <= kFixedHeaderSize || headerSize > size)
    return parseHeader(fixed, size, file.path());
  std::string bytes(headerSize, '\0');
  file.readExactly(0, bytes.data(), bytes.size());
  return parseHeader(bytes, size, file.path());
}

}  // namespace

std::string blobFileOf(const std::string& dbPath) { return companions::find(dbPath, ".MB"); }

ParadoxTable::ParadoxTable(const std::string& path, bool writable)
    : file_(path, writable ? PosixFile::Mode::ReadWrite : PosixFile::Mode::ReadOnly),
      header_(readHeader(file_)),
      chain_(file_, header_) {
  for (const Field& f : header_.fields) defs_.add(f.def);
  // A writer stopped before the header took in a block it added: the chain still names it, and
  // a new block must not reuse its number.
  for (const DataBlock& b : chain_.blocks())
    header_.fileBlocks = std::max(header_.fileBlocks, b.number);
  if (header_.hasBlobFields()) {
    blobPath_ = blobFileOf(path);
    if (!blobPath_.empty()) blobs_ = std::make_unique<MbFile>(blobPath_, writable);
  }
  stamp_ = stampOnDisk();
}

void ParadoxTable::create(const std::string& path, Header h) {
  h.recordCount = h.nextBlock = h.fileBlocks = h.firstBlock = h.lastBlock = 0;
  const std::string bytes = encodeHeader(h);
  if (h.hasBlobFields()) {
    const size_t dot = path.find_last_of('.');
    MbFile::create(path.substr(0, dot) + ".MB");
  }
  replaceFile(path, bytes);
}

uint32_t ParadoxTable::stampOnDisk() const {
  if (header_.version < 40) return 0;
  char b[4];
  file_.readExactly(0x60, b, sizeof b);
  return getLe32(b);
}

void ParadoxTable::sync() { file_.sync(); }

const char* ParadoxTable::record(uint32_t recno) {
  if (recno < 1 || recno > chain_.recordCount()) chain_.place(recno);  // throws
  // A scan moves on record by record: the block in hand or the next one mostly holds it.
  const auto& blocks = chain_.blocks();
  auto holds = [&](size_t i) {
    return i < blocks.size() && recno >= chain_.firstRecordOf(i) &&
           recno - chain_.firstRecordOf(i) < blocks[i].records;
  };
  size_t i = current_;
  if (!holds(i)) i = holds(i + 1) ? i + 1 : chain_.blockIndexOf(recno);
  current_ = i;
  const RecordPlace at{blocks[i].number, recno - chain_.firstRecordOf(i)};
  if (const char* held = heldRecord(at)) return held;
  if (i < runStart_ || i >= runStart_ + runLength_) readRun(i);
  return cache_.data() + uint64_t{i - runStart_} * header_.blockSize + Header::kBlockHeaderSize +
         uint64_t{at.slot} * header_.recordSize;
}

void ParadoxTable::readRun(size_t i) {
  const auto& blocks = chain_.blocks();
  const uint32_t first = blocks[i].number;
  size_t n = 1;
  while (n < readAhead_ && i + n < blocks.size() && blocks[i + n].number == first + n &&
         !(heldFirst_ && first + n >= heldFirst_))
    ++n;
  runLength_ = 0;  // until the read succeeds
  cache_.resize(n * header_.blockSize);
  file_.readExactly(header_.blockOffset(first), cache_.data(), cache_.size());
  runStart_ = i;
  runLength_ = n;
}

void ParadoxTable::writeLink(uint32_t number, int at, uint32_t link) {
  char b[2];
  putLe16(b, link);
  file_.writeAt(header_.blockOffset(number) + at, b, sizeof b);
}

void ParadoxTable::writeBlockHead(uint32_t number, uint32_t records) {
  touched_.push_back(number);
  char b[2];
  putLe16(b, static_cast<uint16_t>((static_cast<int32_t>(records) - 1) *
                                   static_cast<int32_t>(header_.recordSize)));
  file_.writeAt(header_.blockOffset(number) + 4, b, sizeof b);
}

uint32_t ParadoxTable::newBlock() {
  if (!chain_.freeBlocks().empty()) return chain_.freeBlocks().back();
  if (header_.fileBlocks >= 0xFFFF)
    throw EngineError("数据表[" + path() + "]已满: Paradox表最多65535个数据块");
  const uint32_t n = ++header_.fileBlocks;
  const std::string zeros(header_.blockSize, '\0');
  file_.writeAt(header_.blockOffset(n), zeros.data(), zeros.size());
  return n;
}

void ParadoxTable::writeHeader() {
  countChange();
  writeHeaderFields();
}

void ParadoxTable::countChange() {
  if (header_.version >= 40) ++stamp_;  // older headers keep no stamp: it stays 0, as on disk
}

void ParadoxTable::writeHeaderFields() {
  char b[12];
  putLe32(b, chain_.recordCount());
  putLe16(b + 4, header_.fileBlocks);  // blocks in use: every block of the file may be
  putLe16(b + 6, header_.fileBlocks);
  const auto& blocks = chain_.blocks();
  header_.firstBlock = blocks.empty() ? 0 : blocks.front().number;
  header_.lastBlock = blocks.empty() ? 0 : blocks.back().number;
  putLe16(b + 8, header_.firstBlock);
  putLe16(b + 10, header_.lastBlock);
  header_.recordCount = chain_.recordCount();
  file_.writeAt(0x06, b, sizeof b);
  putLe32(b, static_cast<uint32_t>(header_.autoIncrement));
  file_.writeAt(0x49, b, 4);
  if (header_.version >= 40) {
    putLe32(b, stamp_);
    file_.writeAt(0x60, b, 4);
  }
}

bool ParadoxTable::appendHeld(const std::string& record) {
  const uint32_t size = header_.recordSize;
  if (record.size() < size) return false;
  const auto& blocks = chain_.blocks();
  const DataBlock last = blocks.empty() ? DataBlock{} : blocks.back();
  uint32_t number = last.number, slot = last.records;
  if (number != 0 && last.records < header_.recordsPerBlock()) {
    if (!heldFirst_ || number < heldFirst_) return false;
    chain_.setRecords(blocks.size() - 1, last.records + 1);
  } else {
    // A new last block at the file's end, where newBlock() would put it.
    if (!chain_.freeBlocks().empty() || header_.fileBlocks >= 0xFFFF) return false;
    if (held_.size() >= kHeldRun) writeHeld();
    number = ++header_.fileBlocks;
    slot = 0;
    if (!heldFirst_) {
      heldFirst_ = number;
      heldLink_ = last.number;
    } else {
      putLe16(heldBlock(last.number), number);
    }
    held_.resize(held_.size() + header_.blockSize, '\0');
    putLe16(heldBlock(number) + 2, last.number);
    chain_.insertBlock(blocks.size(), number, 1);
  }
  char* block = heldBlock(number);
  std::memcpy(block + Header::kBlockHeaderSize + uint64_t{slot} * size, record.data(), size);
  putLe16(block + 4, static_cast<uint16_t>(slot * size));
  touched_.push_back(number);
  countChange();  // as a plain append counts one
  return true;
}

// The blocks first, then the link that takes them into the chain, then the header: a stop
// between the steps leaves the chain as it was.
void ParadoxTable::writeHeld() {
  if (!heldFirst_) return;
  file_.writeAt(header_.blockOffset(heldFirst_), held_.data(), held_.size());
  if (heldLink_) writeLink(heldLink_, 0, heldFirst_);
  heldFirst_ = heldLink_ = 0;
  held_.clear();
  writeHeaderFields();
}

char* ParadoxTable::heldBlock(uint32_t number) {
  return held_.data() + uint64_t{number - heldFirst_} * header_.blockSize;
}

const char* ParadoxTable::heldRecord(RecordPlace at) const {
  if (!heldFirst_ || at.block < heldFirst_) return nullptr;
  return held_.data() + uint64_t{at.block - heldFirst_} * header_.blockSize +
         Header::kBlockHeaderSize + uint64_t{at.slot} * header_.recordSize;
}

void ParadoxTable::endAppends() {
  holding_ = false;
  writeHeld();
}

void ParadoxTable::overwrite(uint32_t recno, const std::string& bytes) {
  writeHeld();
  runLength_ = 0;
  file_.writeAt(chain_.recordOffset(recno), bytes.data(), header_.recordSize);
  writeHeader();
}

void ParadoxTable::writeBlock(uint32_t number, uint32_t next, uint32_t prev,
                              const std::string& records) {
  std::string block(Header::kBlockHeaderSize, '\0');
  putLe16(block.data(), next);
  putLe16(block.data() + 2, prev);
  const auto count = static_cast<int32_t>(records.size() / header_.recordSize);
  putLe16(block.data() + 4,
          static_cast<uint16_t>((count - 1) * static_cast<int32_t>(header_.recordSize)));
  block += records;
  file_.writeAt(header_.blockOffset(number), block.data(), block.size());
  touched_.push_back(number);
}

// Each step below leaves a chain that reads whole if the program stops after it: a block is
// rewritten in one write, a new block is written before anything links to it, and a record
// appended to a block is written before the count that shows it. (A prior link may then lag; the
// reader does not need it. The header comes last; the blocks' counts win over its.)
void ParadoxTable::insert(uint32_t recno, const std::string& bytes) {
  if (recno < 1 || recno > chain_.recordCount() + 1)
    throw EngineError("记录号" + std::to_string(recno) + "超出范围");
  if (holding_ && recno == chain_.recordCount() + 1 && appendHeld(bytes)) return;
  writeHeld();
  runLength_ = 0;
  const uint32_t size = header_.recordSize;
  const uint32_t capacity = header_.recordsPerBlock();
  const auto& blocks = chain_.blocks();
  const std::string record = bytes.substr(0, size);
  if (blocks.empty()) {
    const uint32_t n = newBlock();
    writeBlock(n, 0, 0, record);
    chain_.insertBlock(0, n, 1);
    writeHeader();
    return;
  }
  const size_t i = chain_.blockIndexOf(recno);
  const DataBlock block = blocks[i];
  const uint32_t slot = recno - chain_.firstRecordOf(i);
  const uint32_t prev = i > 0 ? blocks[i - 1].number : 0;
  const uint32_t next = i + 1 < blocks.size() ? blocks[i + 1].number : 0;
  const uint64_t at = header_.blockOffset(block.number) + Header::kBlockHeaderSize;
  if (block.records < capacity && slot == block.records) {
    // After the block's last record: the record into the free slot, then the count.
    file_.writeAt(at + uint64_t{slot} * size, record.data(), size);
    writeBlockHead(block.number, block.records + 1);
    chain_.setRecords(i, block.records + 1);
  } else if (block.records < capacity) {
    // Room in the block: the records from the slot on move up by one.
    std::string records(uint64_t{block.records} * size, '\0');
    file_.readExactly(at, records.data(), records.size());
    records.insert(uint64_t{slot} * size, record);
    writeBlock(block.number, next, prev, records);
    chain_.setRecords(i, block.records + 1);
  } else if (slot == capacity && next == 0) {
    // After the last record of a full last block: a new last block, so appends fill blocks.
    const uint32_t n = newBlock();
    writeBlock(n, 0, block.number, record);
    writeLink(block.number, 0, n);
    chain_.insertBlock(i + 1, n, 1);
  } else {
    // A full block splits in two halves; the new block follows it in the chain.
    std::string records(uint64_t{capacity} * size, '\0');
    file_.readExactly(at, records.data(), records.size());
    records.insert(uint64_t{slot} * size, record);
    const uint32_t lower = (capacity + 1) / 2;
    const uint32_t n = newBlock();
    writeBlock(n, next, block.number, records.substr(uint64_t{lower} * size));
    writeBlock(block.number, n, prev, records.substr(0, uint64_t{lower} * size));
    if (next) writeLink(next, 2, n);
    chain_.setRecords(i, lower);
    chain_.insertBlock(i + 1, n, capacity + 1 - lower);
  }
  writeHeader();
}

void ParadoxTable::remove(uint32_t recno) {
  writeHeld();
  runLength_ = 0;
  const uint32_t size = header_.recordSize;
  const RecordPlace place = chain_.place(recno);
  const size_t i = chain_.blockIndexOf(recno);
  const auto& blocks = chain_.blocks();
  const DataBlock block = blocks[i];
  const uint32_t prev = i > 0 ? blocks[i - 1].number : 0;
  const uint32_t next = i + 1 < blocks.size() ? blocks[i + 1].number : 0;
  if (block.records == 1) {
    // The block leaves the chain and becomes free.
    if (prev) writeLink(prev, 0, next);
    if (next) writeLink(next, 2, prev);
    chain_.eraseBlock(i);
  } else {
    const uint64_t at = header_.blockOffset(block.number) + Header::kBlockHeaderSize;
    std::string records(uint64_t{block.records} * size, '\0');
    file_.readExactly(at, records.data(), records.size());
    records.erase(uint64_t{place.slot} * size, size);
    writeBlock(block.number, next, prev, records);
    chain_.setRecords(i, block.records - 1);
  }
  writeHeader();
}

void ParadoxTable::storeBlob(std::string& record, int field, const std::string& data) {
  const Field& f = header_.fields.at(static_cast<size_t>(field));
  char* p = record.data() + f.offset;
  BlobRef ref;
  if (data.empty()) {
    std::memset(p, 0, f.size);
    return;
  }
  if (data.size() <= f.size - 10) {
    ref.length = static_cast<uint32_t>(data.size());
  } else {
    if (!blobs_) {
      if (blobPath_.empty()) {
        const size_t dot = path().find_last_of('.');
        blobPath_ = path().substr(0, dot) + ".MB";
        MbFile::create(blobPath_);
      }
      blobs_ = std::make_unique<MbFile>(blobPath_, true);
    }
    ref = blobs_->write(data, f.type == kGraphic);
  }
  encodeBlobRef(f, p, ref, data);
}

void ParadoxTable::noteAutoIncrement(int64_t used) {
  if (used > header_.autoIncrement && used <= INT32_MAX)
    header_.autoIncrement = static_cast<int32_t>(used);
}

int32_t ParadoxTable::nextAutoIncrement() {
  if (header_.autoIncrement == INT32_MAX)
    throw EngineError("数据表[" + path() + "]的自动编号已用完");
  return ++header_.autoIncrement;
}

std::string ParadoxTable::readRecord(uint32_t recno) const {
  if (const char* held = heldRecord(chain_.place(recno)))
    return std::string(held, header_.recordSize);
  std::string bytes(header_.recordSize, '\0');
  file_.readExactly(chain_.recordOffset(recno), bytes.data(), bytes.size());
  return bytes;
}

Value ParadoxTable::blobOrShort(const std::string& record, const Field& f) const {
  if (record.size() < header_.recordSize)
    throw EngineError("数据表[" + path() + "]的记录缓冲区不足" +
                      std::to_string(header_.recordSize) + "字节");
  const char* p = record.data() + f.offset;
  const BlobRef ref = decodeBlobRef(f, p);
  if (ref.isNull()) return Value();
  if (ref.inRecord()) return blobValue(f, ref.leader.substr(0, ref.length));
  if (!blobs_)
    throw EngineError("数据表[" + path() + "]的字段[" + gbkToUtf8(f.name) +
                      "]的备注在MB文件中,但找不到MB文件");
  return blobValue(f, blobs_->read(ref, f.type == kGraphic));
}

}  // namespace tdb::px
