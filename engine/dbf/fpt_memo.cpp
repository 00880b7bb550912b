// FoxPro memo files. A 512-byte header, all big-endian: next free block at 0, block size at 6.
// Blocks are numbered from the start of the file, so with blocks under 512 bytes the first ones
// are the header. A memo starts with its type (0 picture/binary, 1 text, 2 object) and the
// length of its data, 4 bytes each.

#include "engine/dbf/memo_blocks.h"
#include "engine/dbf/memo_formats.h"

namespace tdb::memo {

namespace {

constexpr uint32_t kHeaderSize = 512;
constexpr uint32_t kBinary = 0, kText = 1, kObject = 2;

uint32_t firstBlockFor(uint32_t blockSize) { return (kHeaderSize + blockSize - 1) / blockSize; }

class FptMemo : public BlockMemo {
 public:
  FptMemo(MemoIo io, uint32_t blockSize)
      : BlockMemo(std::move(io), blockSize, firstBlockFor(blockSize)) {
    checkHeader();
  }

 protected:
  uint32_t loadNextFree() const override { return getBe32(io_.readHeader(4), 0); }

  void storeNextFree(uint32_t block) override {
    std::string b(4, '\0');
    putBe32(b, 0, block);
    io_.writeAt(0, b);
  }

  Stored load(uint64_t offset, uint32_t block, uint64_t end) const override {
    if (!io_.covers(offset + 8)) io_.fail("的" + blockName(block) + "的块头超出文件末尾");
    std::string head = io_.readExactly(offset, 8);
    uint32_t type = getBe32(head, 0);
    if (type != kBinary && type != kText && type != kObject)
      io_.fail("的" + blockName(block) + "的块头已损坏(类型" + std::to_string(type) + ")");
    uint32_t length = getBe32(head, 4);
    requireInside(offset + 8, length, block, end);
    return {io_.readExactly(offset + 8, length), uint64_t{8} + length};
  }

  std::string encode(std::string_view data, bool binary) const override {
    if (data.size() > UINT32_MAX - 8)
      io_.fail("放不下长度为" + std::to_string(data.size()) + "的备注");
    std::string bytes(8, '\0');
    putBe32(bytes, 0, binary ? kBinary : kText);
    putBe32(bytes, 4, static_cast<uint32_t>(data.size()));
    bytes.append(data);
    return bytes;
  }
};

}  // namespace

std::unique_ptr<MemoFile> openFpt(MemoIo io) {
  uint64_t size = io.size();
  if (size < kHeaderSize) io.fail("的文件头不完整(只有" + std::to_string(size) + "字节)");
  uint32_t blockSize = getBe16(io.readExactly(0, 8), 6);
  if (blockSize == 0) io.fail("的块大小为0");
  if (blockSize > 32768) io.fail("的块大小" + std::to_string(blockSize) + "不受支持");
  return std::make_unique<FptMemo>(std::move(io), blockSize);
}

std::string newFpt(uint32_t blockSize) {
  uint32_t first = firstBlockFor(blockSize);
  std::string header(uint64_t{first} * blockSize, '\0');
  putBe32(header, 0, first);
  putBe16(header, 6, blockSize);
  return header;
}

}  // namespace tdb::memo
