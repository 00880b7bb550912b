#include "engine/dbf/memo_blocks.h"

#include <algorithm>

#include "engine/byte_order.h"
#include "engine/engine_error.h"

namespace tdb::memo {

namespace {

uint64_t ceilDiv(uint64_t a, uint64_t b) { return a / b + (a % b != 0); }

}  // namespace

BlockMemo::BlockMemo(MemoIo io, uint32_t blockSize, uint32_t firstBlock)
    : io_(std::move(io)), blockSize_(blockSize), firstBlock_(firstBlock) {}

uint64_t BlockMemo::blocksInFile(uint64_t fileSize) const { return ceilDiv(fileSize, blockSize_); }

// Writers that do not pad their last memo to a whole block may count one block more than the
// file holds; anything further off means the file lost its end.
std::string BlockMemo::pastTheEnd(uint32_t next, uint64_t fileSize) const {
  if (next <= fileSize / blockSize_ + 1) return {};
  return "备注文件[" + io_.path() + "]的下一空闲块" + std::to_string(next) +
         "超出文件末尾(文件只有" + std::to_string(blocksInFile(fileSize)) + "块),文件可能被截短";
}

void BlockMemo::checkHeader() {
  nextFree_ = loadNextFree();
  if (nextFree_ < firstBlock_)
    io_.fail("的下一空闲块" + std::to_string(nextFree_) + "位于文件头内");
  damage_ = pastTheEnd(nextFree_, io_.size());
}

uint32_t BlockMemo::checkedNextFree() const {
  uint32_t next = loadNextFree();
  if (next < firstBlock_) io_.fail("的下一空闲块" + std::to_string(next) + "位于文件头内");
  const std::string past = pastTheEnd(next, io_.size());
  if (!past.empty()) throw EngineError(past);
  return nextFree_ = next;
}

uint64_t BlockMemo::endFor(uint32_t block) const {
  if (block >= nextFree_) nextFree_ = std::max(nextFree_, loadNextFree());  // others appended
  return block < nextFree_ ? uint64_t{nextFree_} * blockSize_ : UINT64_MAX;
}

void BlockMemo::requireInside(uint64_t offset, uint64_t length, uint32_t block,
                              uint64_t end) const {
  const std::string which = "的" + blockName(block) + "的备注长度" + std::to_string(length);
  if (!io_.covers(offset + length)) io_.fail(which + "超出文件末尾");
  if (offset + length > end)
    io_.fail(which + "超出下一空闲块" + std::to_string(end / blockSize_) + ",不是完整的备注");
}

std::string BlockMemo::read(uint32_t block) {
  if (block < firstBlock_) io_.fail("的" + blockName(block) + "位于文件头内,不是备注");
  uint64_t offset = uint64_t{block} * blockSize_;
  if (!io_.covers(offset + 1)) io_.fail("的" + blockName(block) + "超出文件末尾");
  return load(offset, block, endFor(block)).data;
}

uint64_t BlockMemo::reusableBlocks(uint32_t block) const {
  if (block < firstBlock_) return 0;
  uint64_t offset = uint64_t{block} * blockSize_;
  if (!io_.covers(offset + 1)) return 0;
  try {
    return ceilDiv(load(offset, block, endFor(block)).extent, blockSize_);
  } catch (const EngineError&) {
    return 0;  // what is there is not understood, so it is left alone
  }
}

uint32_t BlockMemo::write(std::string_view data, uint32_t oldBlock, bool binary) {
  if (!io_.writable()) io_.fail("以只读方式打开,不能写入");
  if (!damage_.empty()) throw EngineError(damage_ + ",不能写入");
  // Another program may have written since: a write decides from what is on disk now.
  io_.discardReadAhead();
  std::string bytes = encode(data, binary);
  uint64_t blocks = std::max<uint64_t>(1, ceilDiv(bytes.size(), blockSize_));

  if (oldBlock > 0 && blocks <= reusableBlocks(oldBlock)) {
    io_.writeAt(uint64_t{oldBlock} * blockSize_, bytes);
    return oldBlock;
  }

  // Bytes past a stale next-free pointer (left by a crash, or a free list of another program)
  // may belong to a memo, so an append never starts before the end of the file. Held alone, the
  // file ends where our last append did.
  uint64_t start = nextFree_;
  if (!alone_ || !appended_)
    start = std::max<uint64_t>(checkedNextFree(), ceilDiv(sealEnd(io_.size()), blockSize_));
  if (start + blocks > UINT32_MAX) io_.fail("已满: 块号超出32位");
  bytes.resize(blocks * blockSize_, '\0');
  io_.writeAt(start * blockSize_, bytes);
  nextFree_ = static_cast<uint32_t>(start + blocks);
  storeNextFree(nextFree_);
  appended_ = true;
  return static_cast<uint32_t>(start);
}

uint32_t DbtMemo::loadNextFree() const { return getLe32(io_.readHeader(4), 0); }

void DbtMemo::storeNextFree(uint32_t block) {
  std::string b(4, '\0');
  putLe32(b, 0, block);
  io_.writeAt(0, b);
}

}  // namespace tdb::memo
