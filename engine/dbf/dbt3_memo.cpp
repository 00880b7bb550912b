// dBASE III memo files: a 512-byte header whose first four bytes (little-endian) are the next
// free block, byte 16 the version 03h; each memo starts at a block and runs to a 0x1A
// terminator, written twice.

#include <algorithm>

#include "engine/dbf/memo_blocks.h"
#include "engine/dbf/memo_formats.h"

namespace tdb::memo {

namespace {

constexpr uint32_t kBlockSize = 512;
constexpr char kEnd = 0x1A;

class Dbt3Memo : public DbtMemo {
 public:
  explicit Dbt3Memo(MemoIo io) : DbtMemo(std::move(io), kBlockSize) {
    if (io_.size() < kBlockSize)
      io_.fail("的文件头不完整(只有" + std::to_string(io_.size()) + "字节)");
    checkHeader();
  }

 protected:
  // Read block by block until the terminator, so a memo costs what it holds. One the end of the
  // file cuts ends there; one that runs on past `end` (the next-free block) into more of the file
  // is damage, not a memo that swallows whatever lies beyond.
  Stored load(uint64_t offset, uint32_t block, uint64_t end) const override {
    Stored s;
    char chunk[kBlockSize];
    for (;;) {
      const uint64_t at = offset + s.data.size();
      if (at >= end) {
        if (io_.covers(end + 1))
          io_.fail("的" + blockName(block) + "的备注在下一空闲块" +
                   std::to_string(end / kBlockSize) + "之前没有结束标记");
        break;
      }
      const size_t wanted = static_cast<size_t>(std::min<uint64_t>(sizeof chunk, end - at));
      const size_t n = io_.readAt(at, chunk, wanted);
      char* stop = std::find(chunk, chunk + n, kEnd);
      s.data.append(chunk, stop);
      if (stop != chunk + n) {
        // Count the second terminator too when it is there, so a rewrite may use its block.
        char next = 0;
        bool twice = stop + 1 < chunk + n
                         ? stop[1] == kEnd
                         : io_.readAt(offset + s.data.size() + 1, &next, 1) == 1 && next == kEnd;
        s.extent = s.data.size() + (twice ? 2 : 1);
        return s;
      }
      if (n < wanted) break;  // the end of the file
    }
    s.extent = s.data.size();
    return s;
  }

  // A last memo cut by the end of the file would run on into whatever is appended, so it gets
  // its terminator first. A last block that holds a 0x1A already ends its memo.
  uint64_t sealEnd(uint64_t fileSize) override {
    if (fileSize <= kBlockSize) return fileSize;
    uint64_t lastBlock = (fileSize - 1) / kBlockSize * kBlockSize;
    std::string tail = io_.readExactly(lastBlock, fileSize - lastBlock);
    if (tail.find(kEnd) != std::string::npos) return fileSize;
    io_.writeAt(fileSize, std::string(2, kEnd));
    return fileSize + 2;
  }

  std::string encode(std::string_view data, bool) const override {
    if (data.find(kEnd) != std::string_view::npos)
      io_.fail("是dBASE III格式,不能保存含有0x1A字节的备注");
    std::string bytes(data);
    bytes.append(2, kEnd);
    return bytes;
  }
};

}  // namespace

std::unique_ptr<MemoFile> openDbt3(MemoIo io) { return std::make_unique<Dbt3Memo>(std::move(io)); }

std::string newDbt3() {
  std::string header(kBlockSize, '\0');
  putLe32(header, 0, 1);
  header[16] = 0x03;
  return header;
}

}  // namespace tdb::memo
