// dBASE IV memo files. Block 0 is the header: next free block (little-endian) at 0, the table's
// name without extension at 8, the block size (16-bit little-endian) at 20. A memo starts with
// FF FF 08 00 and a 4-byte little-endian length that counts those 8 bytes.

#include <algorithm>
#include <filesystem>

#include "engine/dbf/memo_blocks.h"
#include "engine/dbf/memo_formats.h"

namespace tdb::memo {

namespace {

constexpr size_t kHeaderFields = 22;  // through the block size at 20
constexpr char kSignature[4] = {'\xFF', '\xFF', '\x08', '\x00'};
// Readers that take the length as the data's own length stop at this byte instead; writing it
// after the data keeps them from reading on into the padding.
constexpr char kTrailer = 0x1F;

uint32_t blockSizeOf(const MemoIo& io) {
  uint64_t size = io.size();
  if (size < kHeaderFields) io.fail("的文件头不完整(只有" + std::to_string(size) + "字节)");
  uint32_t blockSize = getLe16(io.readExactly(0, kHeaderFields), 20);
  if (blockSize == 0) io.fail("的块大小为0");
  if (blockSize % 64 != 0 || blockSize > 32768)
    io.fail("的块大小" + std::to_string(blockSize) + "不受支持");
  // The header fills block 0, or at least the customary 512 bytes of it.
  if (size < std::min<uint64_t>(blockSize, 512))
    io.fail("的文件头不完整(只有" + std::to_string(size) + "字节)");
  return blockSize;
}

class Dbt4Memo : public DbtMemo {
 public:
  explicit Dbt4Memo(MemoIo io, uint32_t blockSize) : DbtMemo(std::move(io), blockSize) {
    checkHeader();
  }

 protected:
  Stored load(uint64_t offset, uint32_t block, uint64_t end) const override {
    if (!io_.covers(offset + 8)) io_.fail("的" + blockName(block) + "的块头超出文件末尾");
    std::string head = io_.readExactly(offset, 8);
    if (head.compare(0, 4, kSignature, 4) != 0) io_.fail("的" + blockName(block) + "的块头已损坏");
    uint32_t length = getLe32(head, 4);
    if (length < 8)
      io_.fail("的" + blockName(block) + "的备注长度" + std::to_string(length) + "无效");
    requireInside(offset, length, block, end);
    return {io_.readExactly(offset + 8, length - 8), length};
  }

  std::string encode(std::string_view data, bool) const override {
    if (data.size() > UINT32_MAX - 9)
      io_.fail("放不下长度为" + std::to_string(data.size()) + "的备注");
    std::string bytes(kSignature, 4);
    bytes.resize(8);
    putLe32(bytes, 4, static_cast<uint32_t>(data.size() + 8));
    bytes.append(data);
    bytes += kTrailer;
    return bytes;
  }
};

}  // namespace

std::unique_ptr<MemoFile> openDbt4(MemoIo io) {
  uint32_t blockSize = blockSizeOf(io);
  return std::make_unique<Dbt4Memo>(std::move(io), blockSize);
}

std::string newDbt4(uint32_t blockSize, const std::string& path) {
  std::string header(blockSize, '\0');
  putLe32(header, 0, 1);
  // The table's name, when it is plain ASCII: other programs show it, none relies on it.
  std::string stem = std::filesystem::path(path).stem().string();
  if (std::all_of(stem.begin(), stem.end(), [](unsigned char c) { return c > 0x20 && c < 0x7F; }))
    header.replace(8, std::min<size_t>(stem.size(), 8), stem, 0, 8);
  putLe16(header, 20, blockSize);
  return header;
}

}  // namespace tdb::memo
