#include "engine/index/mdx_file.h"

#include "engine/byte_order.h"
#include "engine/engine_error.h"
#include "engine/field_defs.h"
#include "engine/gbk_codec.h"
#include "engine/index/index_bytes.h"

namespace tdb {

using index_bytes::fieldText;

namespace {

constexpr uint32_t kPage = 512;
constexpr uint32_t kTagTable = 544;
constexpr uint32_t kTagEntry = 32;
constexpr uint32_t kMaxTags = 48;
constexpr uint32_t kMaxBlock = 32 * 1024;
constexpr int kMaxKeyLength = 100;
constexpr int kMaxDepth = 64;
constexpr unsigned kDescending = 0x08, kUnique = 0x40;

}  // namespace

MdxFile::MdxFile(const std::string& path, bool salvage) : file_(path, PosixFile::Mode::ReadOnly) {
  size_ = file_.size();
  if (size_ < kTagTable) fail("文件长度不足以容纳文件头");
  std::string head(kTagTable + kMaxTags * kTagEntry, '\0');
  file_.readAt(0, head.data(), head.size());

  block_ = getLe16(head, 22);
  if (block_ == 0) block_ = getLe16(head, 20) * kPage;
  if (block_ < kPage || block_ > kMaxBlock || block_ % kPage != 0)
    fail("块大小" + std::to_string(block_) + "字节无效");
  if (uint8_t(head[26]) != kTagEntry)
    fail("标签表的条目长度为" + std::to_string(uint8_t(head[26])) + "字节(应为" +
         std::to_string(kTagEntry) + ")");
  uint32_t count = getLe16(head, 28);
  if (count > kMaxTags) fail("标签表容纳不下" + std::to_string(count) + "个标签");
  const uint32_t whole = static_cast<uint32_t>((size_ - kTagTable) / kTagEntry);
  if (count > whole) {
    const std::string defect =
        "标签表有" + std::to_string(count) + "个标签,文件只容纳" + std::to_string(whole) + "个";
    if (!salvage) fail(defect);
    lost_.push_back(damage(defect));
    count = whole;
  }
  for (uint32_t i = 0; i < count; ++i) {
    try {
      readTag(head, i);
    } catch (const EngineError& e) {
      if (!salvage) throw;
      lost_.push_back(e.what());
    }
  }
}

void MdxFile::readTag(const std::string& head, uint32_t i) {
  const size_t entry = kTagTable + i * kTagEntry;
  IndexTagInfo info;
  info.name = fieldText(head, entry + 4, 11);
  const std::string which = "第" + std::to_string(i + 1) + "个标签" +
                            (info.name.empty() ? "" : "(" + gbkToUtf8(info.name) + ")");
  if (info.name.empty()) fail(which + "没有名称");
  uint64_t at = uint64_t(getLe32(head, entry)) * kPage;
  if (at < kTagTable || at + kPage > size_) fail(which + "的标签头超出文件范围");
  std::string page(kPage, '\0');
  file_.readExactly(at, page.data(), kPage);

  unsigned format = uint8_t(page[8]);
  info.keyType = page[9];
  info.keyLength = static_cast<int>(getLe16(page, 12));
  info.descending = format & kDescending;
  info.unique = (format & kUnique) || page[23] != 0;
  info.expression = fieldText(page, 24, 220);
  if (info.keyType != 'C' && info.keyType != 'N' && info.keyType != 'D' && info.keyType != 'F')
    fail(which + "的键类型未知");
  if (info.keyLength < 1 || info.keyLength > kMaxKeyLength)
    fail(which + "的键长度为" + std::to_string(info.keyLength) + "(应为1到" +
         std::to_string(kMaxKeyLength) + ")");

  Header h;
  h.root = getLe32(page, 0);
  h.keyLength = info.keyLength;
  h.itemLength = static_cast<int>(getLe16(page, 18));
  if (h.itemLength < h.keyLength + 4 || uint32_t(h.itemLength) + 12 > block_)
    fail(which + "的键项长度" + std::to_string(h.itemLength) + "字节无效");
  tags_.push_back(info);
  headers_.push_back(h);
}

int MdxFile::tagIndex(const std::string& name) const {
  for (size_t i = 0; i < tags_.size(); ++i)
    if (sameName(tags_[i].name, name)) return static_cast<int>(i);
  return -1;
}

std::string MdxFile::damage(const std::string& defect) const {
  return "索引文件[" + file_.path() + "]已损坏: " + defect;
}

void MdxFile::fail(const std::string& defect) const { throw EngineError(damage(defect)); }

bool MdxFile::walkNode(uint32_t page, const Header& h, int depth, std::vector<bool>& seen,
                       const IndexVisitor& visit) const {
  const std::string where = "第" + std::to_string(page) + "页的节点";
  const uint64_t at = uint64_t(page) * kPage;
  if (at < kTagTable || at + block_ > size_) fail(where + "超出文件范围");
  if (depth > kMaxDepth) fail("索引树在" + where + "处超过" + std::to_string(kMaxDepth) + "层");
  if (seen[page]) fail("索引树中" + where + "被重复引用");
  seen[page] = true;

  std::string node(block_, '\0');
  file_.readExactly(at, node.data(), block_);
  const uint32_t keys = getLe32(node, 0);
  // Room for the keys and the pointer after the last of them.
  if (8 + uint64_t(keys) * h.itemLength + 4 > block_)
    fail(where + "有" + std::to_string(keys) + "个键,超出节点大小");
  const bool leaf = getLe32(node, 8 + keys * h.itemLength) == 0;
  for (uint32_t i = 0; i <= keys; ++i) {
    const size_t item = 8 + size_t(i) * h.itemLength;
    const uint32_t pointer = getLe32(node, item);
    if (leaf) {
      if (i == keys) break;
      if (pointer == 0) fail(where + "中有键指向第0条记录");
      if (!visit(IndexEntry{node.substr(item + 4, h.keyLength), pointer})) return false;
    } else if (!walkNode(pointer, h, depth + 1, seen, visit)) {
      return false;
    }
  }
  return true;
}

void MdxFile::walk(int tag, const IndexVisitor& visit) const {
  if (tag < 0 || tag >= static_cast<int>(tags_.size()))
    throw EngineError("索引文件[" + file_.path() + "]没有第" + std::to_string(tag) + "号标签");
  std::vector<bool> seen(size_ / kPage + 1, false);
  walkNode(headers_[tag].root, headers_[tag], 0, seen, visit);
}

std::vector<IndexEntry> MdxFile::entries(int tag) const {
  std::vector<IndexEntry> all;
  walk(tag, [&](const IndexEntry& e) {
    all.push_back(e);
    return true;
  });
  return all;
}

}  // namespace tdb
