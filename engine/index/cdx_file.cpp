#include "engine/index/cdx_file.h"

#include <algorithm>

#include "engine/byte_order.h"
#include "engine/engine_error.h"
#include "engine/field_defs.h"
#include "engine/gbk_codec.h"
#include "engine/index/index_bytes.h"

namespace tdb {

using index_bytes::fieldText;

namespace {

constexpr uint32_t kNode = 512;
constexpr uint32_t kNone = 0xFFFFFFFF;  // "no sibling" in a node's chain pointers
constexpr int kMaxKeyLength = 240;
constexpr int kMaxDepth = 64;  // far beyond any tree a real file of 4 GiB can hold
constexpr unsigned kUnique = 1, kHasFor = 8, kCompound = 64;
constexpr unsigned kLeaf = 2;

}  // namespace

CdxFile::CdxFile(const std::string& path, bool salvage) : file_(path, PosixFile::Mode::ReadOnly) {
  size_ = file_.size();
  if (size_ < 2 * kNode) fail("文件长度不足以容纳文件头");
  Header directory = readHeader(0, nullptr);
  if (!(directory.options & kCompound)) fail("文件头未标明为复合索引");
  // The directory lists tags by name; their headers lie in the order they were made, which is
  // the order users know them by.
  std::vector<std::pair<uint32_t, size_t>> made;
  auto readTag = [&](const IndexEntry& e) {
    std::string name = e.key;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    if (name.empty()) fail("有一个标签没有名称");
    std::string pool;
    Header h;
    try {
      h = readHeader(e.recno, &pool);
    } catch (const EngineError& failure) {
      throw EngineError(std::string(failure.what()) + ",涉及标签(" + gbkToUtf8(name) + ")");
    }
    IndexTagInfo info;
    info.name = name;
    size_t split = pool.find('\0');
    info.expression = pool.substr(0, split);
    info.forExpression = pool.substr(split + 1);
    info.unique = h.options & kUnique;
    info.descending = h.descending;
    info.keyLength = h.keyLength;
    made.emplace_back(e.recno, tags_.size());
    tags_.push_back(info);
    headers_.push_back(h);
  };
  try {
    walkTree(directory.root, directory.keyLength, ' ', [&](const IndexEntry& e) {
      try {
        readTag(e);
      } catch (const EngineError& failure) {
        if (!salvage) throw;
        lost_.push_back(failure.what());
      }
      return true;
    });
  } catch (const EngineError& failure) {
    if (!salvage) throw;
    // The tags found before the damage stay; those after it are out of reach.
    lost_.push_back(std::string(failure.what()) + ",标签目录中其后的标签无法读出");
  }
  std::sort(made.begin(), made.end());
  std::vector<IndexTagInfo> tags;
  std::vector<Header> headers;
  for (const auto& [offset, i] : made) {
    tags.push_back(tags_[i]);
    headers.push_back(headers_[i]);
  }
  tags_ = std::move(tags);
  headers_ = std::move(headers);
}

int CdxFile::tagIndex(const std::string& name) const {
  for (size_t i = 0; i < tags_.size(); ++i)
    if (sameName(tags_[i].name, name)) return static_cast<int>(i);
  return -1;
}

void CdxFile::fail(const std::string& defect) const {
  throw EngineError("索引文件[" + file_.path() + "]已损坏: " + defect);
}

CdxFile::Header CdxFile::readHeader(uint64_t offset, std::string* pool) const {
  if (offset % kNode != 0 || offset + 2 * kNode > size_)
    fail("位置" + std::to_string(offset) + "处的标签头超出文件范围");
  std::string b(2 * kNode, '\0');
  file_.readExactly(offset, b.data(), b.size());
  Header h;
  h.root = getLe32(b, 0);
  h.keyLength = static_cast<int>(getLe16(b, 12));
  h.options = uint8_t(b[14]);
  h.descending = getLe16(b, 502) != 0;
  if (h.keyLength < 1 || h.keyLength > kMaxKeyLength)
    fail("位置" + std::to_string(offset) + "处标签的键长度为" + std::to_string(h.keyLength) +
         "(应为1到" + std::to_string(kMaxKeyLength) + ")");
  if (pool) {
    uint32_t keyText = getLe16(b, 510), forText = getLe16(b, 506);
    if (keyText > kNode || forText > kNode - keyText)
      fail("位置" + std::to_string(offset) + "处标签的表达式长度超出表达式区");
    *pool = b.substr(kNode);
    if (keyText == 0) keyText = static_cast<uint32_t>(fieldText(*pool, 0, kNode).size() + 1);
    std::string forExpression;
    if ((h.options & kHasFor) && keyText < kNode)
      forExpression = fieldText(*pool, keyText, kNode - keyText);
    // The pool is handed back as key text, NUL, FOR text: what the caller splits.
    *pool = fieldText(*pool, 0, std::min<size_t>(keyText, kNode));
    pool->push_back('\0');
    pool->append(forExpression);
  }
  return h;
}

void CdxFile::walkTree(uint32_t root, int keyLength, char trailFill,
                       const IndexVisitor& visit) const {
  std::string node(kNode, '\0');
  auto load = [&](uint32_t offset) {
    if (offset % kNode != 0 || offset < 2 * kNode || uint64_t(offset) + kNode > size_)
      fail("位置" + std::to_string(offset) + "处的节点超出文件范围");
    file_.readExactly(offset, node.data(), kNode);
  };

  // Down the leftmost branch to the first leaf.
  uint32_t offset = root;
  for (int depth = 0;; ++depth) {
    if (depth == kMaxDepth) fail("索引树超过" + std::to_string(kMaxDepth) + "层");
    load(offset);
    if (getLe16(node, 0) & kLeaf) break;
    uint32_t keys = getLe16(node, 2);
    if (keys == 0 || 12 + keys * (uint64_t(keyLength) + 8) > kNode)
      fail("位置" + std::to_string(offset) + "处的内部节点的键数" + std::to_string(keys) + "无效");
    offset = getBe32(node, 12 + keyLength + 4);
  }

  // Then along the leaves, left to right, each at most once.
  std::vector<bool> seen(size_ / kNode + 1, false);
  std::string previous, key;
  while (true) {
    if (seen[offset / kNode]) fail("叶节点链在位置" + std::to_string(offset) + "处形成循环");
    seen[offset / kNode] = true;
    const std::string where = "位置" + std::to_string(offset) + "处的叶节点";
    if (!(getLe16(node, 0) & kLeaf))
      fail("叶节点链中位置" + std::to_string(offset) + "处的节点不是叶节点");
    uint32_t keys = getLe16(node, 2);
    uint32_t recMask = getLe32(node, 14);
    unsigned dupMask = uint8_t(node[18]), trailMask = uint8_t(node[19]);
    unsigned recBits = uint8_t(node[20]), dupBits = uint8_t(node[21]);
    unsigned trailBits = uint8_t(node[22]), width = uint8_t(node[23]);
    if (width < 1 || width > 8 || recBits > 32 || recBits + dupBits + trailBits > width * 8)
      fail(where + "的条目格式无效");
    const uint64_t entriesEnd = 24 + uint64_t(keys) * width;
    if (entriesEnd > kNode) fail(where + "有" + std::to_string(keys) + "个条目,超出节点大小");
    size_t tail = kNode;  // key bytes are packed downwards from the node's end
    previous.clear();
    for (uint32_t i = 0; i < keys; ++i) {
      uint64_t v = 0;
      for (unsigned j = 0; j < width; ++j)
        v |= uint64_t(uint8_t(node[24 + i * width + j])) << 8 * j;
      uint32_t recno = static_cast<uint32_t>(v & recMask);
      unsigned dup = static_cast<unsigned>(v >> recBits) & dupMask;
      unsigned trail = static_cast<unsigned>(v >> (recBits + dupBits)) & trailMask;
      if (dup + trail > unsigned(keyLength) || dup > previous.size())
        fail(where + "中第" + std::to_string(i + 1) + "个键的压缩计数无效");
      size_t stored = keyLength - dup - trail;
      if (tail < entriesEnd + stored) fail(where + "的键数据与条目区重叠");
      tail -= stored;
      key.assign(previous, 0, dup);
      key.append(node, tail, stored);
      key.append(trail, trailFill);
      if (recno == 0) fail(where + "中有键指向第0条记录");
      if (!visit(IndexEntry{key, recno})) return;
      previous.swap(key);
    }
    uint32_t right = getLe32(node, 8);
    if (right == kNone) return;
    offset = right;
    load(offset);
  }
}

void CdxFile::walk(int tag, const IndexVisitor& visit, char trailFill) const {
  if (tag < 0 || tag >= static_cast<int>(tags_.size()))
    throw EngineError("索引文件[" + file_.path() + "]没有第" + std::to_string(tag) + "号标签");
  walkTree(headers_[tag].root, headers_[tag].keyLength, trailFill, visit);
}

std::vector<IndexEntry> CdxFile::entries(int tag, char trailFill) const {
  std::vector<IndexEntry> all;
  walk(
      tag,
      [&](const IndexEntry& e) {
        all.push_back(e);
        return true;
      },
      trailFill);
  return all;
}

}  // namespace tdb
