#include "engine/paradox/mb_file.h"

#include "engine/byte_order.h"
#include "engine/engine_error.h"

namespace tdb::px {

namespace {

// The size of a suballocated block's header: 12 bytes, then 64 five-byte slots.
constexpr uint32_t kSlotTable = 12;
constexpr uint32_t kSlots = 64;
constexpr uint32_t kFirstDataParagraph = (kSlotTable + kSlots * 5 + 15) / 16;
// Bytes before a graphic's picture inside its blob.
constexpr uint32_t kGraphicPrefix = 8;

[[noreturn]] void damaged(const std::string& path, const std::string& what) {
  throw EngineError("备注文件[" + path + "]已损坏: " + what);
}

}  // namespace

MbFile::MbFile(const std::string& path) : file_(path, PosixFile::Mode::ReadOnly) {
  size_ = file_.size();
  if (size_ == 0) damaged(path, "文件是空的");
  char type = 0;
  file_.readExactly(0, &type, 1);
  if (type != 0) damaged(path, "文件头块的类型不是0,可能不是MB文件");
}

std::string MbFile::read(const BlobRef& ref, bool graphic) const {
  const std::string& p = path();
  const std::string where = "偏移" + std::to_string(ref.offset) + "处";
  if (ref.offset == 0 || ref.offset % kChunk != 0)
    damaged(p, "备注指针的偏移" + std::to_string(ref.offset) + "不是4096的正整数倍");
  if (uint64_t{ref.offset} + kSlotTable > size_) damaged(p, where + "的块超出文件");
  char head[kSlotTable];
  file_.readExactly(ref.offset, head, sizeof head);
  const auto type = static_cast<uint8_t>(head[0]);
  const uint32_t chunks = getLe16(head + 1);

  uint64_t dataAt = 0;
  uint64_t blockEnd = 0;
  if (type == 2) {
    if (ref.index != 0xFF) damaged(p, where + "是单备注块,但指针的序号不是0xFF");
    const uint32_t length = getLe32(head + 3);
    if (length != ref.length)
      damaged(p, where + "的备注长度" + std::to_string(length) + "与记录中的" +
                     std::to_string(ref.length) + "不符");
    dataAt = uint64_t{ref.offset} + 9;
    blockEnd = uint64_t{ref.offset} + uint64_t{chunks} * kChunk;
  } else if (type == 3) {
    if (ref.index >= kSlots)
      damaged(p, where + "的分块序号" + std::to_string(ref.index) + "超出64");
    char slot[5];
    file_.readExactly(uint64_t{ref.offset} + kSlotTable + ref.index * 5u, slot, sizeof slot);
    const auto paragraph = static_cast<uint8_t>(slot[0]);
    const auto paragraphs = static_cast<uint8_t>(slot[1]);
    const auto lastBytes = static_cast<uint8_t>(slot[4]);
    if (paragraphs == 0) damaged(p, where + "的第" + std::to_string(ref.index) + "个分块是空的");
    if (lastBytes < 1 || lastBytes > 16)
      damaged(p, where + "的第" + std::to_string(ref.index) + "个分块的长度不对");
    const uint32_t length = (paragraphs - 1u) * 16u + lastBytes;
    if (length != ref.length)
      damaged(p, where + "的分块长度" + std::to_string(length) + "与记录中的" +
                     std::to_string(ref.length) + "不符");
    if (paragraph < kFirstDataParagraph)
      damaged(p, where + "的第" + std::to_string(ref.index) + "个分块与块头重叠");
    dataAt = uint64_t{ref.offset} + paragraph * 16u;
    blockEnd = uint64_t{ref.offset} + kChunk;
  } else if (type == 0) {
    damaged(p, "备注指针指向文件头块");
  } else if (type == 4) {
    damaged(p, where + "的块已释放");
  } else {
    damaged(p, where + "的块类型" + std::to_string(type) + "不认识");
  }
  if (dataAt + ref.length > blockEnd || dataAt + ref.length > size_)
    damaged(p, where + "的备注(" + std::to_string(ref.length) + "字节)超出其块或文件");

  uint64_t skip = 0;
  if (graphic) {
    if (ref.length < kGraphicPrefix) damaged(p, where + "的图形备注不足8字节");
    skip = kGraphicPrefix;
  }
  std::string data(ref.length - skip, '\0');
  file_.readExactly(dataAt + skip, data.data(), data.size());
  return data;
}

}  // namespace tdb::px
