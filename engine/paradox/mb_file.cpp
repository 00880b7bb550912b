#include "engine/paradox/mb_file.h"

#include "engine/byte_order.h"
#include "engine/engine_error.h"

namespace tdb::px {

namespace {

// The size of a suballocated block's header: 12 bytes, then 64 five-byte slots.
constexpr uint32_t kSlotTable = 12;
constexpr uint32_t kSlots = 64;
// Blobs up to this size share suballocated blocks.
constexpr uint32_t kSharedLimit = 2048;
constexpr uint32_t kFirstDataParagraph = (kSlotTable + kSlots * 5 + 15) / 16;
// Bytes before a graphic's picture inside its blob.
constexpr uint32_t kGraphicPrefix = 8;

[[noreturn]] void damaged(const std::string& path, const std::string& what) {
  throw EngineError("备注文件[" + path + "]已损坏: " + what);
}

}  // namespace

MbFile::MbFile(const std::string& path, bool writable)
    : file_(path, writable ? PosixFile::Mode::ReadWrite : PosixFile::Mode::ReadOnly) {
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

void MbFile::create(const std::string& path) {
  // One chunk long; after the modification count, the sizes readers check: 4 KiB blocks,
  // suballocated in 16-byte paragraphs, 64 to a block, for blobs up to 2 KiB.
  std::string header(kChunk, '\0');
  putLe16(header.data() + 1, 1);
  putLe16(header.data() + 11, kChunk);
  putLe16(header.data() + 13, kChunk);
  header[16] = 16;
  putLe16(header.data() + 17, kSlots);
  putLe16(header.data() + 19, kSharedLimit);
  PosixFile file(path, PosixFile::Mode::Create);
  file.writeAt(0, header.data(), header.size());
}

BlobRef MbFile::write(const std::string& data, bool graphic) {
  std::string payload = graphic ? std::string(kGraphicPrefix, '\0') + data : data;
  if (payload.size() > 0x7FFFFFFF) throw EngineError("备注文件[" + path() + "]: 备注太长");
  BlobRef ref;
  ref.length = static_cast<uint32_t>(payload.size());
  ref.modification = 1;
  const uint32_t paragraphs = (ref.length + 15) / 16;
  constexpr uint32_t kParagraphsPerChunk = kChunk / 16;
  // Blocks start on chunk boundaries; a file another program left ragged is padded first.
  const uint64_t end = (size_ + kChunk - 1) / kChunk * kChunk;
  if (ref.length <= kSharedLimit) {
    if (shared_ == 0 || sharedSlot_ == kSlots ||
        sharedParagraph_ + paragraphs > kParagraphsPerChunk) {
      if (end > 0xFFFFFFFFull - kChunk) throw EngineError("备注文件[" + path() + "]已满");
      std::string block(kChunk, '\0');
      block[0] = 3;
      putLe16(block.data() + 1, 1);
      file_.writeAt(end, block.data(), block.size());
      size_ = end + kChunk;
      shared_ = static_cast<uint32_t>(end);
      sharedParagraph_ = kFirstDataParagraph;
      sharedSlot_ = 0;
    }
    payload.resize(paragraphs * 16, '\0');
    file_.writeAt(uint64_t{shared_} + sharedParagraph_ * 16, payload.data(), payload.size());
    // The slot last: a crash before it leaves the blob unreferenced, never a slot without data.
    char slot[5];
    slot[0] = static_cast<char>(sharedParagraph_);
    slot[1] = static_cast<char>(paragraphs);
    putLe16(slot + 2, ref.modification);
    slot[4] = static_cast<char>(ref.length - (paragraphs - 1) * 16);
    file_.writeAt(uint64_t{shared_} + kSlotTable + sharedSlot_ * 5, slot, sizeof slot);
    ref.offset = shared_;
    ref.index = static_cast<uint8_t>(sharedSlot_++);
    sharedParagraph_ += paragraphs;
    return ref;
  }
  const uint64_t chunks = (9 + uint64_t{ref.length} + kChunk - 1) / kChunk;
  if (chunks > 0xFFFF || end + chunks * kChunk > 0xFFFFFFFFull)
    throw EngineError("备注文件[" + path() + "]已满或备注太长");
  std::string block(chunks * kChunk, '\0');
  block[0] = 2;
  putLe16(block.data() + 1, static_cast<uint32_t>(chunks));
  putLe32(block.data() + 3, ref.length);
  putLe16(block.data() + 7, ref.modification);
  block.replace(9, payload.size(), payload);
  file_.writeAt(end, block.data(), block.size());
  size_ = end + block.size();
  ref.offset = static_cast<uint32_t>(end);
  ref.index = 0xFF;
  return ref;
}

}  // namespace tdb::px
