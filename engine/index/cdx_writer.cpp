#include "engine/index/cdx_writer.h"

#include <algorithm>
#include <bit>

#include "engine/byte_order.h"
#include "engine/gbk_codec.h"
#include "engine/index/index_writing.h"
#include "engine/posix_file.h"

namespace tdb {

namespace {

using index_writing::fail;

constexpr uint32_t kNode = 512;
constexpr uint32_t kHeader = 1024;  // a tag header and its expression pool
constexpr uint32_t kPool = 512;
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr int kMaxKeyLength = 240;
constexpr int kNameLength = 10;
constexpr size_t kLeafHead = 24, kInteriorHead = 12;

constexpr unsigned kUnique = 0x01, kHasFor = 0x08, kCompact = 0x20, kCompound = 0x40;
constexpr unsigned kStructural = 0x80;
constexpr unsigned kRootNode = 1, kLeafNode = 2;
constexpr uint8_t kSignature = 1;

// Builds one B-tree bottom up from entries given in order: full leaves chained left to right,
// then as many levels of interior nodes as it takes to reach a single root. Nodes are appended
// to `out`, whose first byte lies at file offset `base`.
class TreeWriter {
 public:
  TreeWriter(std::string& out, uint64_t base, int keyLength, char fill, const std::string& path)
      : out_(out),
        base_(base),
        keyLength_(keyLength),
        fill_(fill),
        path_(path),
        countBits_(static_cast<int>(std::bit_width(unsigned(keyLength)))) {}

  void add(std::string_view key, uint32_t recno) {
    Entry e = entryFor(key, recno, !leaf_.empty());
    if (!leaf_.empty() && !fits(e)) {
      closeLeaf();
      e = entryFor(key, recno, false);
    }
    leafBytes_ += e.stored;
    leafMaxRecno_ = std::max(leafMaxRecno_, recno);
    leaf_.push_back(e);
    previous_.assign(key);
    previousTrail_ = e.trail;
  }

  // Writes what remains and returns the root's offset.
  uint32_t finish() {
    if (!leaf_.empty() || level_.empty()) closeLeaf();
    while (level_.size() > 1) level_ = interiorLevel(level_);
    const size_t root = level_[0].offset - base_;
    out_[root] = char(uint8_t(out_[root]) | kRootNode);
    return level_[0].offset;
  }

 private:
  struct Entry {
    uint32_t recno;
    unsigned dup, trail, stored;
    std::string bytes;  // the key bytes the node keeps: after the shared ones, before the fill
  };
  struct Child {
    uint32_t offset;
    std::string lastKey;
    uint32_t lastRecno;
  };

  Entry entryFor(std::string_view key, uint32_t recno, bool hasPrevious) const {
    unsigned trail = 0;
    while (trail < key.size() && key[key.size() - 1 - trail] == fill_) ++trail;
    unsigned dup = 0;
    if (hasPrevious) {
      // Shared bytes are counted only within what the previous key stored: a reader that fills
      // dropped bytes with a different byte than ours still rebuilds every key right.
      const unsigned limit = std::min<unsigned>(keyLength_ - trail, keyLength_ - previousTrail_);
      while (dup < limit && key[dup] == previous_[dup]) ++dup;
    }
    const unsigned stored = keyLength_ - dup - trail;
    return Entry{recno, dup, trail, stored, std::string(key.substr(dup, stored))};
  }

  // Bytes per packed entry when the node's largest record number is `maxRecno`.
  int entryWidth(uint32_t maxRecno) const {
    const int recnoBits = std::max(1, static_cast<int>(std::bit_width(maxRecno)));
    return (recnoBits + 2 * countBits_ + 7) / 8;
  }

  bool fits(const Entry& e) const {
    const size_t width = entryWidth(std::max(leafMaxRecno_, e.recno));
    return kLeafHead + (leaf_.size() + 1) * width + leafBytes_ + e.stored <= kNode;
  }

  uint32_t newNode() {
    const uint64_t offset = base_ + out_.size();
    if (offset + kNode > kNone) fail(path_, "文件将超过4 GiB");
    out_.append(kNode, '\0');
    return static_cast<uint32_t>(offset);
  }

  void setSibling(uint32_t node, size_t at, uint32_t offset) {
    putLe32(out_.data() + (node - base_) + at, offset);
  }

  void closeLeaf() {
    const uint32_t offset = newNode();
    char* node = out_.data() + (offset - base_);
    const int width = entryWidth(leafMaxRecno_);
    const int recnoBits = std::min(32, width * 8 - 2 * countBits_);
    putLe16(node, kLeafNode);
    putLe16(node + 2, static_cast<uint32_t>(leaf_.size()));
    putLe32(node + 4, level_.empty() ? kNone : level_.back().offset);
    putLe32(node + 8, kNone);
    putLe16(node + 12,
            static_cast<uint32_t>(kNode - kLeafHead - leaf_.size() * width - leafBytes_));
    putLe32(node + 14, static_cast<uint32_t>((uint64_t(1) << recnoBits) - 1));
    node[18] = node[19] = char((1u << countBits_) - 1);
    node[20] = char(recnoBits);
    node[21] = node[22] = char(countBits_);
    node[23] = char(width);
    size_t tail = kNode;  // key bytes fill the node from its end downwards
    for (size_t i = 0; i < leaf_.size(); ++i) {
      const Entry& e = leaf_[i];
      const uint64_t packed =
          e.recno | uint64_t(e.dup) << recnoBits | uint64_t(e.trail) << (recnoBits + countBits_);
      putLe(node + kLeafHead + i * width, packed, width);
      tail -= e.stored;
      std::copy(e.bytes.begin(), e.bytes.end(), node + tail);
    }
    if (!level_.empty()) setSibling(level_.back().offset, 8, offset);
    level_.push_back(Child{offset, previous_, leaf_.empty() ? 0 : leaf_.back().recno});
    leaf_.clear();
    leafBytes_ = 0;
    leafMaxRecno_ = 0;
  }

  std::vector<Child> interiorLevel(const std::vector<Child>& children) {
    const size_t perNode = (kNode - kInteriorHead) / (size_t(keyLength_) + 8);
    std::vector<Child> parents;
    for (size_t first = 0; first < children.size(); first += perNode) {
      const size_t count = std::min(perNode, children.size() - first);
      const uint32_t offset = newNode();
      char* node = out_.data() + (offset - base_);
      putLe16(node, 0);
      putLe16(node + 2, static_cast<uint32_t>(count));
      putLe32(node + 4, parents.empty() ? kNone : parents.back().offset);
      putLe32(node + 8, kNone);
      for (size_t i = 0; i < count; ++i) {
        const Child& c = children[first + i];
        char* item = node + kInteriorHead + i * (keyLength_ + 8);
        std::copy(c.lastKey.begin(), c.lastKey.end(), item);
        putBe32(item + keyLength_, c.lastRecno);
        putBe32(item + keyLength_ + 4, c.offset);
      }
      if (!parents.empty()) setSibling(parents.back().offset, 8, offset);
      const Child& last = children[first + count - 1];
      parents.push_back(Child{offset, last.lastKey, last.lastRecno});
    }
    return parents;
  }

  std::string& out_;
  const uint64_t base_;
  const int keyLength_;
  const char fill_;
  const std::string& path_;
  const int countBits_;  // bits of the duplicate and of the trailing count

  std::vector<Entry> leaf_;
  size_t leafBytes_ = 0;
  uint32_t leafMaxRecno_ = 0;
  std::string previous_;
  unsigned previousTrail_ = 0;
  std::vector<Child> level_;  // the leaves written so far
};

// A tag header: the tag's definition, then its expression pool of key text and FOR text, each
// ending in a NUL.
std::string tagHeader(uint32_t root, int keyLength, unsigned options, bool descending,
                      const std::string& key, const std::string& forText) {
  std::string h(kHeader, '\0');
  putLe32(h, 0, root);
  putLe32(h, 4, kNone);  // no free list: a written file has no free nodes
  putLe16(h, 12, static_cast<uint32_t>(keyLength));
  h[14] = char(options | (forText.empty() ? 0 : kHasFor));
  h[15] = char(kSignature);
  putLe16(h, 502, descending ? 1 : 0);
  const uint32_t keyPool = static_cast<uint32_t>(key.size() + 1);
  putLe16(h, 504, keyPool);  // where the FOR text starts in the pool
  putLe16(h, 506, static_cast<uint32_t>(forText.size() + 1));
  putLe16(h, 508, 0);  // where the key text starts
  putLe16(h, 510, keyPool);
  h.replace(kNode, key.size(), key);
  h.replace(kNode + keyPool, forText.size(), forText);
  return h;
}

}  // namespace

void writeCdx(const std::string& path, const std::vector<TagImage>& tags) {
  const std::vector<std::string> names = index_writing::storedNames(path, tags, kNameLength);
  for (size_t i = 0; i < tags.size(); ++i) {
    const TagImage& t = tags[i];
    const std::string what = "标签[" + shownText(names[i]) + "]";
    if (t.info.keyLength < 1 || t.info.keyLength > kMaxKeyLength)
      fail(path, what + "的键长度为" + std::to_string(t.info.keyLength) +
                     "(复合索引的键长度应为1到" + std::to_string(kMaxKeyLength) + ")");
    if (t.info.expression.empty()) fail(path, what + "没有索引表达式");
    if (t.info.expression.find('\0') != std::string::npos ||
        t.info.forExpression.find('\0') != std::string::npos)
      fail(path, what + "的表达式中含有NUL字符");
    if (t.info.expression.size() + t.info.forExpression.size() + 2 > kPool)
      fail(path, what + "的表达式过长(索引表达式与FOR条件合计不能超过" + std::to_string(kPool - 2) +
                     "字节)");
    index_writing::checkKeys(path, t, what);
  }

  // The tag directory: a tree keyed by the tag names, right after the file's header, whose
  // record numbers are the offsets of the tag headers that follow it. Its size depends on
  // those offsets (larger ones take more bits), so it is laid out until the two agree.
  std::vector<size_t> order(tags.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return names[a] < names[b]; });
  std::string directory;
  uint32_t directoryRoot = 0;
  for (size_t nodes = 1;;) {
    const uint64_t headersAt = kHeader + nodes * kNode;
    directory.clear();
    TreeWriter tree(directory, kHeader, kNameLength, '\0', path);
    for (size_t i : order) {
      std::string key = names[i];
      key.resize(kNameLength, '\0');
      tree.add(key, static_cast<uint32_t>(headersAt + i * kHeader));
    }
    directoryRoot = tree.finish();
    // Larger offsets never take fewer nodes, so this ends with the nodes it reserved; the
    // padding only guards that reasoning.
    if (directory.size() / kNode <= nodes) {
      directory.resize(nodes * kNode, '\0');
      break;
    }
    nodes = directory.size() / kNode;
  }

  std::string file =
      tagHeader(directoryRoot, kNameLength, kCompact | kCompound | kStructural, false, "", "");
  file += directory;
  const size_t headersAt = file.size();
  file.append(tags.size() * kHeader, '\0');
  for (size_t i = 0; i < tags.size(); ++i) {
    const TagImage& t = tags[i];
    const char fill = (t.info.keyType == 'N' || t.info.keyType == 'D') ? '\0' : ' ';
    TreeWriter tree(file, 0, t.info.keyLength, fill, path);
    index_writing::forEachStored(
        t, true, [&](std::string_view key, uint32_t recno) { tree.add(key, recno); });
    const uint32_t root = tree.finish();
    file.replace(headersAt + i * kHeader, kHeader,
                 tagHeader(root, t.info.keyLength, kCompact | (t.info.unique ? kUnique : 0),
                           t.info.descending, t.info.expression, t.info.forExpression));
  }
  replaceFile(path, file);
}

}  // namespace tdb
