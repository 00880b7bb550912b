#include "engine/paradox/px_blocks.h"

#include <algorithm>
#include <functional>

#include "engine/byte_order.h"
#include "engine/engine_error.h"

namespace tdb::px {

namespace {

[[noreturn]] void damaged(const std::string& path, const std::string& what) {
  throw EngineError("数据表[" + path + "]已损坏: " + what);
}

}  // namespace

BlockChain::BlockChain(const PosixFile& file, const Header& h) : header_(h) {
  const std::string& path = file.path();
  const uint64_t size = file.size();
  // Blocks wholly inside the file; a chain can name no other, so this also bounds the walk.
  const uint64_t inFile = size < h.headerSize ? 0 : (size - h.headerSize) / h.blockSize;
  std::vector<bool> seen(static_cast<size_t>(std::min<uint64_t>(inFile, 0xFFFF)) + 1, false);
  for (uint32_t n = h.firstBlock; n != 0;) {
    if (n > inFile)
      damaged(path, "数据块" + std::to_string(n) + "超出文件(文件只有" + std::to_string(inFile) +
                        "个完整的数据块)");
    if (seen[n]) damaged(path, "数据块链在块" + std::to_string(n) + "处成环");
    seen[n] = true;
    char head[Header::kBlockHeaderSize];
    file.readExactly(h.blockOffset(n), head, sizeof head);
    // The prior-block link is not checked: the chain is read by its next links alone, and a
    // writer stopped between relinking two blocks leaves one prior link behind.
    const uint32_t next = getLe16(head);
    const auto addDataSize = static_cast<int16_t>(getLe16(head + 4));
    // The offset of the block's last record; negative in an empty block.
    uint32_t records = 0;
    if (addDataSize >= 0) {
      if (addDataSize % h.recordSize != 0)
        damaged(path, "数据块" + std::to_string(n) + "的数据长度" + std::to_string(addDataSize) +
                          "不是记录长度的整数倍");
      records = addDataSize / h.recordSize + 1;
      if (records > h.recordsPerBlock())
        damaged(path, "数据块" + std::to_string(n) + "的记录数" + std::to_string(records) +
                          "超出块的容量");
    }
    blocks_.push_back({n, records});
    firstRecord_.push_back(total_ + 1);
    total_ += records;
    n = next;
  }
  for (uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(inFile, h.fileBlocks)); n >= 1; --n)
    if (!seen[n]) free_.push_back(n);
  // A header count that differs from the blocks' is not damage: a writer stopped after writing
  // a block and before the header, and the records in the blocks are the table's.
}

RecordPlace BlockChain::place(uint32_t recno) const {
  if (recno < 1 || recno > total_)
    throw EngineError("记录号" + std::to_string(recno) + "超出范围1至" + std::to_string(total_));
  // The last block whose first record is not after recno; empty blocks share a first record
  // with their successor, and upper_bound skips past them.
  auto it = std::upper_bound(firstRecord_.begin(), firstRecord_.end(), recno);
  const size_t i = static_cast<size_t>(it - firstRecord_.begin()) - 1;
  return {blocks_[i].number, recno - firstRecord_[i]};
}

size_t BlockChain::blockIndexOf(uint32_t recno) const {
  if (recno == total_ + 1) return blocks_.size() - 1;
  auto it = std::upper_bound(firstRecord_.begin(), firstRecord_.end(), recno);
  return static_cast<size_t>(it - firstRecord_.begin()) - 1;
}

void BlockChain::renumberFrom(size_t i) {
  uint32_t next = i == 0 ? 1 : firstRecord_[i - 1] + blocks_[i - 1].records;
  firstRecord_.resize(blocks_.size());
  for (; i < blocks_.size(); ++i) {
    firstRecord_[i] = next;
    next += blocks_[i].records;
  }
  total_ = next - 1;
}

void BlockChain::setRecords(size_t i, uint32_t records) {
  blocks_[i].records = records;
  renumberFrom(i);
}

void BlockChain::insertBlock(size_t at, uint32_t number, uint32_t records) {
  std::erase(free_, number);
  blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(at), DataBlock{number, records});
  firstRecord_.insert(firstRecord_.begin() + static_cast<std::ptrdiff_t>(at), 0);
  renumberFrom(at);
}

void BlockChain::eraseBlock(size_t i) {
  free_.push_back(blocks_[i].number);
  std::sort(free_.begin(), free_.end(), std::greater<>());
  blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(i));
  firstRecord_.erase(firstRecord_.begin() + static_cast<std::ptrdiff_t>(i));
  if (!blocks_.empty()) {
    renumberFrom(std::min(i, blocks_.size() - 1));
  } else {
    total_ = 0;
  }
}

uint64_t BlockChain::recordOffset(uint32_t recno) const {
  const RecordPlace p = place(recno);
  return header_.blockOffset(p.block) + Header::kBlockHeaderSize +
         uint64_t{p.slot} * header_.recordSize;
}

}  // namespace tdb::px
