#include "engine/paradox/px_primary_index.h"

#include <algorithm>

#include "engine/byte_order.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/paradox/px_tree.h"
#include "engine/posix_file.h"

namespace tdb::px {

namespace {

// An index header has no part for versions 4 and later: its field list follows the fixed part,
// then a 4-byte pointer (meaningful in memory only) and the file's name; there are no field names.
constexpr uint32_t kFieldsAt = kFixedHeaderSize;
constexpr uint32_t kEncryptionAt = 0x25;
constexpr uint32_t kNameLength = 261;
constexpr uint32_t kHeaderSize = 2048;
constexpr uint8_t kIndexFileType = 1;

// After the key: the block number, the record count and a reserved short.
constexpr uint32_t kEntryTail = 6;
// Block numbers and counts are unsigned shorts. A count above the leaves sums a whole subtree
// and may not fit: this writer holds it at the largest short (px_tree.h). A writer that took the
// shorts as signed would wrap above 15 bits, so a count is checked against the records under it
// only where those fit 15 bits.
constexpr uint32_t kMaxShort = 0xFFFF;
constexpr uint32_t kCheckedCount = 0x7FFF;

[[noreturn]] void damaged(const std::string& path, const std::string& what) {
  throw EngineError("主索引文件[" + path + "]已损坏: " + what);
}

[[noreturn]] void unfit(const std::string& path, const std::string& what) {
  throw EngineError("主索引文件[" + path + "]与数据表不符: " + what);
}

[[noreturn]] void cannotWrite(const std::string& path, const std::string& what) {
  throw EngineError("不能写主索引文件[" + path + "]: " + what);
}

std::string str(uint64_t n) { return std::to_string(n); }

// Shorts in entries are stored as record fields are, so that entries sort as their values.
uint32_t getShort(const char* p) { return getBe16(p) ^ 0x8000u; }

// The bytes the key fields take in a record; throws (through `fail`) unless the table is keyed.
template <typename Fail>
uint32_t keySizeOf(const Header& table, Fail fail) {
  if (!table.keyed() || table.keyFieldCount == 0 || table.keyFieldCount > table.fields.size())
    fail("数据表没有主键");
  uint32_t size = 0;
  for (uint32_t i = 0; i < table.keyFieldCount; ++i) size += table.fields[i].size;
  return size;
}

// The size byte of a field in a header's field list.
uint8_t sizeByte(const Field& f) {
  return static_cast<uint8_t>(f.type == kBcd ? f.decimals : f.size);
}

// Checks one entry of the lowest level against the table; `named` marks the data blocks named so
// far. Returns what is wrong, empty when nothing is.
std::string leafProblem(const Header& table, uint32_t block, uint32_t records,
                        std::vector<bool>& named) {
  if (block == 0 || block > table.fileBlocks)
    return "数据块" + str(block) + "超出数据表的" + str(table.fileBlocks) + "个数据块";
  if (named.size() <= block) named.resize(block + 1, false);
  if (named[block]) return "数据块" + str(block) + "出现两次";
  named[block] = true;
  if (records > table.recordsPerBlock())
    return "数据块" + str(block) + "的记录数" + str(records) + "超出块的容量" +
           str(table.recordsPerBlock());
  return {};
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string indexHeader(const std::string& pxPath, const Header& table, uint32_t entrySize,
                        uint32_t entries, uint32_t blocks, uint32_t root, uint32_t levels) {
  Header h;
  h.recordSize = entrySize;
  h.headerSize = kHeaderSize;
  h.fileType = kIndexFileType;
  h.maxTableSize = table.maxTableSize;
  h.recordCount = entries;
  h.nextBlock = blocks;
  h.fileBlocks = blocks;
  h.firstBlock = blocks ? 1 : 0;
  h.lastBlock = blocks;
  h.keyFieldCount = 0;  // an index has no key of its own
  h.codePage = table.codePage;
  h.fields.assign(table.fields.begin(), table.fields.begin() + table.keyFieldCount);
  // Only the fixed part is shared with a table's header; the rest is laid out here.
  std::string b = encodeHeader(h).substr(0, kFieldsAt);
  b.resize(kHeaderSize, '\0');
  putLe16(b, 0x02, kHeaderSize);
  b[0x29] = static_cast<char>(table.sortOrder);  // the keys stand in the table's order
  putLe32(b, kEncryptionAt, 0);                  // no second header part for the word to point into
  putLe16(b, kTreeRootAt, root);
  b[kTreeLevelsAt] = static_cast<char>(levels);
  uint32_t at = kFieldsAt;
  for (const Field& f : h.fields) {
    b[at++] = static_cast<char>(f.type);
    b[at++] = static_cast<char>(sizeByte(f));
  }
  at += 4;
  const std::string name = baseName(pxPath);
  b.replace(at, std::min<size_t>(name.size(), kNameLength - 1), name, 0, kNameLength - 1);
  return b;
}

}  // namespace

void writePrimaryIndex(const std::string& pxPath, const Header& table,
                       const std::vector<BlockKey>& blocks) {
  auto fail = [&](const std::string& what) { cannotWrite(pxPath, what); };
  const uint32_t keySize = keySizeOf(table, fail);
  std::vector<bool> named;
  uint64_t total = 0;
  for (const BlockKey& e : blocks) {
    if (e.key.size() != keySize)
      fail("数据块" + str(e.block) + "的主键长" + str(e.key.size()) + "字节而不是" + str(keySize));
    const std::string problem = leafProblem(table, e.block, e.records, named);
    if (!problem.empty()) fail(problem);
    total += e.records;
  }
  if (total != table.recordCount)
    fail("各数据块的记录数之和" + str(total) + "与数据表的" + str(table.recordCount) +
         "条记录不符");

  if (table.maxTableSize < 1 || table.maxTableSize > 32)
    fail("块大小" + str(table.maxTableSize) + "KB不对");
  const uint32_t entrySize = keySize + kEntryTail;
  const uint32_t blockSize = table.maxTableSize * 1024u;
  const uint32_t perBlock = (blockSize - Header::kBlockHeaderSize) / entrySize;
  if (perBlock == 0 || (perBlock == 1 && blocks.size() > 1))
    fail("主键长" + str(keySize) + "字节,索引块放不下两个条目");

  std::vector<TreeEntry> bottom;
  bottom.reserve(blocks.size());
  for (const BlockKey& e : blocks) bottom.push_back({e.key, e.block, e.records});
  IndexTree tree = layOutTree(bottom, keySize, blockSize, kHeaderSize);
  if (tree.blockCount > kMaxTreeBlocks)
    fail("索引需要" + str(tree.blockCount) + "个块,超过" + str(kMaxTreeBlocks) + "个");
  const std::string head =
      indexHeader(pxPath, table, entrySize, tree.entries, static_cast<uint32_t>(tree.blockCount),
                  tree.root, tree.levels);
  tree.bytes.replace(0, head.size(), head);
  replaceFile(pxPath, tree.bytes);
}

std::vector<BlockKey> readPrimaryIndex(const std::string& pxPath, const Header& table) {
  const uint32_t keySize = keySizeOf(table, [&](const std::string& what) { unfit(pxPath, what); });
  PosixFile file(pxPath, PosixFile::Mode::ReadOnly);
  const uint64_t fileSize = file.size();
  if (fileSize < kFixedHeaderSize) damaged(pxPath, "文件不足" + str(kFixedHeaderSize) + "字节");
  std::string b(kFixedHeaderSize, '\0');
  file.readExactly(0, b.data(), b.size());

  const uint32_t recordSize = getLe16(b, 0x00);
  const uint32_t headerSize = getLe16(b, 0x02);
  const uint8_t fileType = static_cast<uint8_t>(b[0x04]);
  const uint8_t maxTableSize = static_cast<uint8_t>(b[0x05]);
  const uint32_t root = getLe16(b, kTreeRootAt);
  const uint32_t levels = static_cast<uint8_t>(b[kTreeLevelsAt]);
  const uint32_t fieldCount = getLe16(b, 0x21);
  const uint32_t encryption = getLe32(b, kEncryptionAt);
  const uint8_t versionByte = static_cast<uint8_t>(b[0x39]);

  if (fileType != kIndexFileType) unfit(pxPath, "文件类型" + str(fileType) + "不是主索引");
  if (versionByte < 3 || versionByte > 12) damaged(pxPath, "不认识的版本字节" + str(versionByte));
  if (encryption != 0) throw EngineError("主索引文件[" + pxPath + "]已加密,不能读取");
  if (maxTableSize < 1 || maxTableSize > 32)
    damaged(pxPath, "块大小" + str(maxTableSize) + "KB不对");
  const uint32_t blockSize = maxTableSize * 1024u;
  if (headerSize < kFieldsAt + 2 * fieldCount || headerSize > fileSize)
    damaged(pxPath, "文件头长度" + str(headerSize) + "不对");

  if (fieldCount != table.keyFieldCount)
    unfit(pxPath,
          "索引有" + str(fieldCount) + "个字段,数据表的主键有" + str(table.keyFieldCount) + "个");
  std::string list(2 * fieldCount, '\0');
  file.readExactly(kFieldsAt, list.data(), list.size());
  for (uint32_t i = 0; i < fieldCount; ++i) {
    const Field& f = table.fields[i];
    const auto type = static_cast<uint8_t>(list[2 * i]);
    const auto size = static_cast<uint8_t>(list[2 * i + 1]);
    if (type != f.type || size != sizeByte(f))
      unfit(pxPath, "第" + str(i + 1) + "个字段的类型" + str(type) + "长度" + str(size) +
                        "与主键字段[" + gbkToUtf8(f.name) + "]的类型" + str(f.type) + "长度" +
                        str(sizeByte(f)) + "不同");
  }
  const uint32_t entrySize = keySize + kEntryTail;
  if (recordSize != entrySize)
    damaged(pxPath, "条目长度" + str(recordSize) + "应为" + str(entrySize));
  if (recordSize > blockSize - Header::kBlockHeaderSize)
    damaged(pxPath, "条目长度" + str(recordSize) + "超出块大小");

  std::vector<BlockKey> out;
  if (root == 0) {
    if (table.recordCount != 0)
      unfit(pxPath, "索引是空的,数据表却有" + str(table.recordCount) + "条记录");
    return out;
  }

  // Blocks wholly inside the file; the tree can name no other.
  const uint64_t inFile = (fileSize - headerSize) / blockSize;
  const uint32_t usable = static_cast<uint32_t>(std::min<uint64_t>(inFile, kMaxShort));
  if (levels == 0 || levels > usable)
    damaged(pxPath, "索引层数" + str(levels) + "不对(文件只有" + str(inFile) + "个完整的块)");
  std::vector<bool> seen(usable + 1, false);
  std::vector<bool> named;
  std::string block(blockSize, '\0');

  // Returns the records under index block `number`, which lies `level` levels above the table.
  auto walk = [&](auto& self, uint32_t number, uint32_t level) -> uint64_t {
    if (number == 0 || number > usable)
      damaged(pxPath, "索引块" + str(number) + "超出文件(文件只有" + str(inFile) + "个完整的块)");
    if (seen[number]) damaged(pxPath, "索引块" + str(number) + "被引用两次");
    seen[number] = true;
    file.readExactly(headerSize + uint64_t{number - 1} * blockSize, block.data(), blockSize);
    const auto addDataSize = static_cast<int16_t>(getLe16(block, 4));
    if (addDataSize < 0) damaged(pxPath, "索引块" + str(number) + "是空的");
    if (addDataSize % recordSize != 0)
      damaged(pxPath,
              "索引块" + str(number) + "的数据长度" + str(addDataSize) + "不是条目长度的整数倍");
    const uint32_t count = addDataSize / recordSize + 1;
    if (count > (blockSize - Header::kBlockHeaderSize) / recordSize)
      damaged(pxPath, "索引块" + str(number) + "的条目数" + str(count) + "超出块的容量");
    // The block buffer is reused by the levels below: take the entries out first.
    std::vector<BlockKey> entries(count);
    for (uint32_t j = 0; j < count; ++j) {
      const char* q = block.data() + Header::kBlockHeaderSize + j * recordSize;
      entries[j] = {std::string(q, keySize), getShort(q + keySize), getShort(q + keySize + 2)};
    }
    uint64_t sum = 0;
    for (BlockKey& e : entries) {
      if (level == 1) {
        const std::string problem = leafProblem(table, e.block, e.records, named);
        if (!problem.empty()) unfit(pxPath, "索引块" + str(number) + "中" + problem);
        sum += e.records;
        out.push_back(std::move(e));
      } else {
        const uint64_t below = self(self, e.block, level - 1);
        if (below <= kCheckedCount && e.records != below)
          damaged(pxPath, "索引块" + str(number) + "记下索引块" + str(e.block) + "有" +
                              str(e.records) + "条记录,实有" + str(below) + "条");
        sum += below;
      }
    }
    return sum;
  };
  const uint64_t total = walk(walk, root, levels);
  if (total != table.recordCount)
    unfit(pxPath,
          "索引所记的记录数" + str(total) + "与数据表的" + str(table.recordCount) + "条记录不符");
  return out;
}

}  // namespace tdb::px
