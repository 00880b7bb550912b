#include "engine/index/mdx_writer.h"

#include <algorithm>
#include <ctime>

#include "engine/byte_order.h"
#include "engine/gbk_codec.h"
#include "engine/index/index_writing.h"
#include "engine/index/key_encoding.h"
#include "engine/posix_file.h"

namespace tdb {

namespace {

using index_writing::fail;

constexpr uint32_t kPage = 512;
constexpr uint32_t kBlock = 1024;  // every node, and every tag header, takes one block
constexpr uint32_t kPagesPerBlock = kBlock / kPage;
constexpr uint32_t kTagTable = 544;
constexpr uint32_t kTagEntry = 32;
constexpr uint32_t kTableEntries = 48;  // what the header announces
constexpr size_t kMaxTags = 47;         // what fits before the first block after the header
constexpr uint32_t kFirstPage = 4;      // header and tag table fill pages 0 to 3
constexpr int kMaxKeyLength = 100;
constexpr size_t kNameLength = 10;
constexpr size_t kExpressionAt = 24, kExpressionRoom = 220;

constexpr uint8_t kVersion = 2;
constexpr uint8_t kFieldKey = 0x10, kDescending = 0x08, kUnique = 0x40;

// A tag as the file stores it.
struct Layout {
  char keyType;
  int keyLength;
  int itemLength;  // pointer and key, rounded up to whole 4-byte words
  int perNode;     // keys a node holds, leaving room for the pointer after the last
};

Layout layoutOf(const TagImage& t) {
  Layout l{'C', t.info.keyLength, 0, 0};
  if (t.info.keyType == 'N') l.keyType = 'N', l.keyLength = 12;
  if (t.info.keyType == 'D') l.keyType = 'D', l.keyLength = 8;
  if (t.info.keyType == 'L') l.keyLength = 1;
  l.itemLength = (l.keyLength + 4 + 3) / 4 * 4;
  l.perNode = static_cast<int>((kBlock - 12) / l.itemLength);
  return l;
}

// The stored form of a memory key (engine/index/key_encoding.h) of a tag of type `type`.
std::string storedKey(char type, std::string_view plain) {
  switch (type) {
    case 'N':
      return key_encoding::mdxNumber(key_encoding::numberOfSortable(plain));
    case 'D':
      return key_encoding::mdxDate(key_encoding::numberOfSortable(plain));
    default:
      return std::string(plain);
  }
}

void putDate(std::string& file, size_t at, const std::tm& when) {
  file[at] = char(when.tm_year);  // years since 1900, as the format counts them
  file[at + 1] = char(when.tm_mon + 1);
  file[at + 2] = char(when.tm_mday);
}

class MdxBuilder {
 public:
  explicit MdxBuilder(const std::string& path) : path_(path), file_(kFirstPage * kPage, '\0') {}

  uint32_t newBlock() {
    const uint64_t page = file_.size() / kPage;
    if ((page + kPagesPerBlock) * kPage > 0xFFFFFFFFu) fail(path_, "文件将超过4 GiB");
    file_.append(kBlock, '\0');
    return static_cast<uint32_t>(page);
  }
  char* at(uint32_t page) { return file_.data() + size_t(page) * kPage; }
  std::string& file() { return file_; }

  // Writes the tag's tree bottom up, full leaves first and then levels of branches, and
  // returns the root's page.
  uint32_t writeTree(const TagImage& t, const Layout& l) {
    struct Child {
      uint32_t page;
      std::string lastKey;
    };
    std::vector<Child> level;
    uint32_t leaf = 0;
    int count = 0;
    std::string last;
    auto closeLeaf = [&] {
      putLe32(at(leaf), static_cast<uint32_t>(count));
      level.push_back(Child{leaf, last});
      count = 0;
    };
    index_writing::forEachStored(t, false, [&](std::string_view plain, uint32_t recno) {
      if (count == l.perNode) closeLeaf();
      if (count == 0) leaf = newBlock();
      last = storedKey(l.keyType, plain);
      char* item = at(leaf) + 8 + size_t(count) * l.itemLength;
      putLe32(item, recno);
      std::copy(last.begin(), last.end(), item + 4);
      ++count;
    });
    if (count > 0 || level.empty()) {
      if (count == 0) leaf = newBlock();
      closeLeaf();
    }

    // A branch holds up to perNode keys and one more child than keys: the key of each child
    // but the last is the last key under that child, in the tag's own order.
    const size_t fanOut = size_t(l.perNode) + 1;
    while (level.size() > 1) {
      std::vector<Child> parents;
      for (size_t first = 0; first < level.size();) {
        size_t n = std::min(fanOut, level.size() - first);
        // Never leave a branch with a single child behind a full one.
        if (level.size() - first - n == 1) --n;
        const uint32_t page = newBlock();
        char* node = at(page);
        putLe32(node, static_cast<uint32_t>(n - 1));
        for (size_t i = 0; i < n; ++i) {
          char* item = node + 8 + i * l.itemLength;
          putLe32(item, level[first + i].page);
          if (i + 1 < n)
            std::copy(level[first + i].lastKey.begin(), level[first + i].lastKey.end(), item + 4);
        }
        parents.push_back(Child{page, level[first + n - 1].lastKey});
        first += n;
      }
      level.swap(parents);
    }
    return level[0].page;
  }

 private:
  const std::string& path_;
  std::string file_;
};

// The tag table's threads: a binary search tree of the tags by name, each entry naming the
// 1-based entries of its lesser and greater subtrees and of its parent, built in table order.
void threadTags(std::string& file, const std::vector<std::string>& names) {
  for (size_t i = 1; i < names.size(); ++i) {
    size_t at = 0;
    while (true) {
      const size_t entry = kTagTable + at * kTagEntry;
      const size_t side = names[i] < names[at] ? 16 : 17;
      if (file[entry + side] == 0) {
        file[entry + side] = char(i + 1);
        file[kTagTable + i * kTagEntry + 18] = char(at + 1);
        break;
      }
      at = size_t(uint8_t(file[entry + side])) - 1;
    }
  }
}

}  // namespace

void writeMdx(const std::string& path, const std::vector<TagImage>& tags,
              const std::string& tableName) {
  if (tags.size() > kMaxTags)
    fail(path, "共有" + std::to_string(tags.size()) + "个标签,但.mdx索引最多容纳" +
                   std::to_string(kMaxTags) + "个");
  const std::vector<std::string> names = index_writing::storedNames(path, tags, kNameLength);
  std::vector<Layout> layouts;
  for (size_t i = 0; i < tags.size(); ++i) {
    const TagImage& t = tags[i];
    const std::string what = "标签[" + shownText(names[i]) + "]";
    if (!t.info.forExpression.empty())
      fail(path, what + "带有FOR条件,本系统的.mdx索引不支持FOR条件");
    const char type = t.info.keyType;
    if (type != 'C' && type != 'N' && type != 'D' && type != 'L')
      fail(path, what + "的键类型" + shownText(std::string(1, type)) + "不能用于.mdx索引");
    const int expected = type == 'C' ? t.info.keyLength : (type == 'L' ? 1 : 8);
    if (t.info.keyLength != expected || t.info.keyLength < 1 || t.info.keyLength > kMaxKeyLength)
      fail(path, what + "的键长度为" + std::to_string(t.info.keyLength) +
                     "(.mdx索引的键长度应为1到" + std::to_string(kMaxKeyLength) +
                     ",且与键类型相符)");
    if (t.info.expression.empty()) fail(path, what + "没有索引表达式");
    if (t.info.expression.size() >= kExpressionRoom ||
        t.info.expression.find('\0') != std::string::npos)
      fail(path,
           what + "的索引表达式超过" + std::to_string(kExpressionRoom - 1) + "字节或含有NUL字符");
    index_writing::checkKeys(path, t, what);
    layouts.push_back(layoutOf(t));
  }

  MdxBuilder b(path);
  for (size_t i = 0; i < tags.size(); ++i) {
    const TagImage& t = tags[i];
    const Layout& l = layouts[i];
    const uint32_t headerPage = b.newBlock();
    const uint32_t root = b.writeTree(t, l);
    const uint8_t format =
        kFieldKey | (t.info.descending ? kDescending : 0) | (t.info.unique ? kUnique : 0);
    char* h = b.at(headerPage);
    putLe32(h, root);
    h[8] = char(format);
    h[9] = l.keyType;
    putLe16(h + 12, static_cast<uint32_t>(l.keyLength));
    putLe16(h + 14, static_cast<uint32_t>(l.perNode));
    putLe16(h + 18, static_cast<uint32_t>(l.itemLength));
    h[23] = char(t.info.unique ? kUnique : 0);
    std::copy(t.info.expression.begin(), t.info.expression.end(), h + kExpressionAt);

    std::string& file = b.file();
    const size_t entry = kTagTable + i * kTagEntry;
    putLe32(file, entry, headerPage);
    file.replace(entry + 4, names[i].size(), names[i]);
    file[entry + 15] = char(format);
    file[entry + 20] = l.keyType;
  }

  std::string& file = b.file();
  const uint32_t pages = static_cast<uint32_t>(file.size() / kPage);
  for (size_t i = 0; i < tags.size(); ++i)
    putLe32(file, size_t(getLe32(file, kTagTable + i * kTagEntry)) * kPage + 4, pages);
  threadTags(file, names);

  const std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  file[0] = char(kVersion);
  putDate(file, 1, today);
  file.replace(4, std::min<size_t>(tableName.size(), 16), tableName, 0, 16);
  putLe16(file, 20, kPagesPerBlock);
  putLe16(file, 22, kBlock);
  file[24] = 1;  // the production index of its table
  file[25] = char(kTableEntries);
  file[26] = char(kTagEntry);
  putLe16(file, 28, static_cast<uint32_t>(tags.size()));
  putLe32(file, 32, pages);
  putLe32(file, 36, pages);  // the first free page: the end, as a written file has no holes
  putLe32(file, 40, 0);
  putDate(file, 44, today);
  replaceFile(path, file);
}

}  // namespace tdb
