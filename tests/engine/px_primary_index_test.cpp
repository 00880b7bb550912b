// Primary indexes of keyed Paradox tables written and read back, checked byte by byte where the
// layout matters to other readers, and refused when damaged or when they belong to another table.

#include "engine/paradox/px_primary_index.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/byte_order.h"
#include "engine/engine_error.h"
#include "engine/paradox/px_codec.h"
#include "tests/engine/temp_dir.h"

namespace tdb {
namespace {

using px::BlockKey;
using test::TempDir;

uint32_t le16(const std::string& b, size_t at) { return getLe16(b, at); }
// Block numbers and counts in entries: big-endian, top bit flipped.
uint32_t entryShort(const std::string& b, size_t at) { return getBe16(b, at) ^ 0x8000; }
void putEntryShort(std::string& b, size_t at, uint32_t v) { putBe16(b, at, v ^ 0x8000); }

struct Col {
  std::string name;
  uint8_t type;
  uint32_t size;  // the size byte (decimals for BCD)
};

// The header of a keyed table as the engine parses it from the bytes a writer lays down.
px::Header keyedTable(const std::vector<Col>& cols, uint32_t keys, uint32_t records,
                      uint32_t fileBlocks, uint8_t blockKb = 2) {
  px::Header h;
  h.fileType = 0;
  h.keyFieldCount = keys;
  h.maxTableSize = blockKb;
  h.codePage = 936;
  for (const Col& c : cols) {
    px::Field f;
    f.name = c.name;
    f.type = c.type;
    f.size = c.type == px::kBcd ? 17 : c.size;
    f.decimals = c.type == px::kBcd ? c.size : 0;
    h.recordSize += f.size;
    h.fields.push_back(f);
  }
  h.recordCount = records;
  h.nextBlock = h.fileBlocks = h.lastBlock = fileBlocks;
  h.firstBlock = fileBlocks ? 1 : 0;
  const std::string bytes = px::encodeHeader(h);
  return px::parseHeader(bytes, bytes.size() + uint64_t{fileBlocks} * blockKb * 1024, "t.db");
}

// A table keyed by one 100-byte alpha field: 1 KB blocks hold 9 records and 9 index entries.
px::Header wideKeyTable(uint32_t blocks) {
  return keyedTable({{"K", px::kAlpha, 100}, {"V", px::kLong, 4}}, 1, blocks * 9, blocks, 1);
}

// One entry per block numbered 1..n in that order, each holding `per` records, keyed "kNNN".
std::vector<BlockKey> fullBlocks(const px::Header& table, uint32_t n, uint32_t per) {
  std::vector<BlockKey> out;
  for (uint32_t i = 1; i <= n; ++i) {
    std::string key(table.fields[0].size, '\0');
    const std::string text = "k" + std::to_string(1000 + i);
    key.replace(0, text.size(), text);
    out.push_back({key, i, per});
  }
  return out;
}

void expectSame(const std::vector<BlockKey>& got, const std::vector<BlockKey>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].key, want[i].key) << i;
    EXPECT_EQ(got[i].block, want[i].block) << i;
    EXPECT_EQ(got[i].records, want[i].records) << i;
  }
}

// Runs `f`, which must throw an EngineError containing each of `parts`.
template <typename F>
void expectFailure(F f, const std::vector<std::string>& parts) {
  try {
    f();
    ADD_FAILURE() << "no error for " << parts.back();
  } catch (const EngineError& e) {
    for (const std::string& part : parts)
      EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
  }
}

TEST(PxPrimaryIndex, OneBlockLaidOutAsTheFormatDescribes) {
  TempDir dir;
  const px::Header table = keyedTable({{"N", px::kLong, 4}, {"NAME", px::kAlpha, 20}}, 1, 3, 1);
  std::string key(4, '\0');
  px::encodeField(table.fields[0], key.data(), Value::integer(7));
  px::writePrimaryIndex(dir.file("t.px"), table, {{key, 1, 3}});

  const std::string b = dir.read("t.px");
  ASSERT_EQ(b.size(), 2048u + 2048);
  EXPECT_EQ(le16(b, 0x00), 4u + 6);  // entry: key and three shorts
  EXPECT_EQ(le16(b, 0x02), 2048u);
  EXPECT_EQ(b[0x04], 1);  // primary index
  EXPECT_EQ(b[0x05], 2);  // the table's block size
  EXPECT_EQ(le16(b, 0x06), 1u);
  EXPECT_EQ(le16(b, 0x0C), 1u);
  EXPECT_EQ(le16(b, 0x1E), 1u);  // root
  EXPECT_EQ(b[0x20], 1);         // levels
  EXPECT_EQ(le16(b, 0x21), 1u);  // fields: the key's
  EXPECT_EQ(le16(b, 0x23), 0u);  // an index has no key of its own
  EXPECT_EQ(b[0x29], 3);         // the table's sort order
  EXPECT_EQ(b[0x39], 12);
  EXPECT_EQ(b[0x58], px::kLong);  // the field list follows the fixed part
  EXPECT_EQ(b[0x59], 4);
  EXPECT_EQ(b.substr(0x5E, 5), std::string("t.px\0", 5));
  // The block: no links, one entry.
  EXPECT_EQ(le16(b, 2048), 0u);
  EXPECT_EQ(le16(b, 2050), 0u);
  EXPECT_EQ(le16(b, 2052), 0u);
  EXPECT_EQ(b.substr(2054, 4), std::string("\x80\x00\x00\x07", 4));
  EXPECT_EQ(b.substr(2058, 6), std::string("\x80\x01\x80\x03\x80\x00", 6));

  expectSame(px::readPrimaryIndex(dir.file("t.px"), table), {{key, 1, 3}});
}

TEST(PxPrimaryIndex, ManyBlocksComeBackInChainOrder) {
  TempDir dir;
  const px::Header table =
      keyedTable({{"K", px::kAlpha, 100}, {"V", px::kLong, 4}}, 1, 9 * 9 - 5 - 4, 9, 1);
  std::vector<BlockKey> blocks = fullBlocks(table, 9, 9);
  // The chain visits the blocks in another order than their numbers, some not full.
  const uint32_t numbers[] = {4, 1, 9, 2, 7, 3, 8, 5, 6};
  for (size_t i = 0; i < 9; ++i) blocks[i].block = numbers[i];
  blocks[3].records = 4;
  blocks[6].records = 5;
  px::writePrimaryIndex(dir.file("t.px"), table, blocks);
  const std::string b = dir.read("t.px");
  EXPECT_EQ(b[0x20], 1);  // nine entries fill one block exactly
  EXPECT_EQ(b.size(), 2048u + 1024);
  expectSame(px::readPrimaryIndex(dir.file("t.px"), table), blocks);
}

TEST(PxPrimaryIndex, FurtherLevelsWhenTheEntriesOverflowABlock) {
  struct Case {
    uint32_t blocks;
    int levels;
    size_t indexBlocks;
  };
  // 9 entries fit an index block: 10 data blocks need two leaves and a root; 82 need ten leaves,
  // two blocks above them and a root.
  for (const Case c : {Case{10, 2, 3}, Case{81, 2, 10}, Case{82, 3, 13}}) {
    SCOPED_TRACE(c.blocks);
    TempDir dir;
    const px::Header table = wideKeyTable(c.blocks);
    const std::vector<BlockKey> blocks = fullBlocks(table, c.blocks, 9);
    px::writePrimaryIndex(dir.file("t.px"), table, blocks);
    const std::string b = dir.read("t.px");
    EXPECT_EQ(b[0x20], c.levels);
    EXPECT_EQ(le16(b, 0x1E), 1u);
    ASSERT_EQ(b.size(), 2048 + c.indexBlocks * 1024);
    EXPECT_EQ(le16(b, 0x0C), c.indexBlocks);

    // The root: the first key of each block below, its number and the records under it.
    const size_t root = 2048;
    const uint32_t rootEntries = static_cast<int16_t>(le16(b, root + 4)) / 106 + 1;
    const uint32_t perChild = c.levels == 2 ? 9 * 9 : 81 * 9;
    uint32_t sum = 0;
    for (uint32_t i = 0; i < rootEntries; ++i) {
      const size_t e = root + 6 + i * 106;
      EXPECT_EQ(b.substr(e, 100), blocks[i * (c.levels == 2 ? 9 : 81)].key);
      EXPECT_EQ(entryShort(b, e + 100), i + 2);
      const uint32_t records = entryShort(b, e + 102);
      EXPECT_EQ(records, std::min(perChild, c.blocks * 9 - sum));
      sum += records;
    }
    EXPECT_EQ(sum, table.recordCount);
    expectSame(px::readPrimaryIndex(dir.file("t.px"), table), blocks);
  }
}

// A leaf index block names at most 32,767 records, which readers count in a signed short: a big
// table of full data blocks gets leaves that are not full (the root's sums are another matter).
TEST(PxPrimaryIndex, LeavesCountWithinASignedShort) {
  TempDir dir;
  const uint32_t n = 30000, per = 100;  // 4 KB blocks of 40-byte records hold 102
  const px::Header table =
      keyedTable({{"K", px::kLong, 4}, {"V", px::kAlpha, 36}}, 1, n * per, n, 4);
  std::vector<BlockKey> blocks;
  for (uint32_t i = 1; i <= n; ++i) {
    std::string key(4, '\0');
    putBe16(key, 0, i >> 16);
    putBe16(key, 2, i & 0xFFFF);
    blocks.push_back({key, i, per});
  }
  px::writePrimaryIndex(dir.file("t.px"), table, blocks);
  const std::string b = dir.read("t.px");
  EXPECT_EQ(b[0x20], 2);
  // 409 entries would fit a leaf, 327 do: 92 leaves (blocks 2 to 93) under the root.
  ASSERT_EQ(le16(b, 0x0C), 93u);
  for (size_t number = 2; number <= 93; ++number) {
    const size_t at = 2048 + (number - 1) * 4096;
    const uint32_t entries = static_cast<int16_t>(le16(b, at + 4)) / 10 + 1;
    uint32_t sum = 0;
    for (uint32_t i = 0; i < entries; ++i) sum += entryShort(b, at + 6 + i * 10 + 6);
    EXPECT_LE(sum, 32767u) << number;
  }
  expectSame(px::readPrimaryIndex(dir.file("t.px"), table), blocks);
}

TEST(PxPrimaryIndex, KeysOfSeveralFieldsAndTypes) {
  TempDir dir;
  const std::string gbkName = "\xC3\xFB\xB3\xC6";  // 名称
  const px::Header table = keyedTable({{gbkName, px::kAlpha, 12},
                                       {"N", px::kLong, 4},
                                       {"DAY", px::kDate, 4},
                                       {"RATE", px::kNumber, 8},
                                       {"AMT", px::kBcd, 2},
                                       {"NOTE", px::kAlpha, 30}},
                                      5, 7, 2);
  auto key = [&](const std::string& name, int64_t n, double day, double rate) {
    std::string k(45, '\0');
    px::encodeField(table.fields[0], k.data(), Value::text(name));
    px::encodeField(table.fields[1], k.data() + 12, Value::integer(n));
    px::encodeField(table.fields[2], k.data() + 16, Value::dateTime(day));
    px::encodeField(table.fields[3], k.data() + 20, Value::number(rate));
    px::encodeField(table.fields[4], k.data() + 28, Value::number(rate * 3));
    return k;
  };
  const std::vector<BlockKey> blocks = {{key("\xD6\xD0\xCE\xC4", -5, 45000, -0.25), 2, 4},
                                        {key("\xD6\xD0\xCE\xC4z", 0, 1, 1e10), 1, 3}};
  px::writePrimaryIndex(dir.file("t.px"), table, blocks);
  const std::string b = dir.read("t.px");
  EXPECT_EQ(le16(b, 0x00), 45u + 6);
  EXPECT_EQ(le16(b, 0x21), 5u);
  // BCD fields list their decimals, not their 17 bytes.
  EXPECT_EQ(b.substr(0x58, 10), std::string("\x01\x0C\x04\x04\x02\x04\x06\x08\x17\x02", 10));
  const std::vector<BlockKey> back = px::readPrimaryIndex(dir.file("t.px"), table);
  expectSame(back, blocks);
  EXPECT_EQ(px::decodeField(table.fields[4], back[0].key.data() + 28, "t"), Value::number(-0.75));
}

TEST(PxPrimaryIndex, EmptyTableHasAHeaderAlone) {
  TempDir dir;
  const px::Header empty = wideKeyTable(0);
  px::writePrimaryIndex(dir.file("t.px"), empty, {});
  EXPECT_EQ(dir.read("t.px").size(), 2048u);
  EXPECT_TRUE(px::readPrimaryIndex(dir.file("t.px"), empty).empty());
  expectFailure([&] { px::readPrimaryIndex(dir.file("t.px"), wideKeyTable(1)); },
                {dir.file("t.px"), "索引是空的", "9条记录"});
}

TEST(PxPrimaryIndex, RefusesEntriesThatDoNotFitTheTableAndKeepsTheOldFile) {
  TempDir dir;
  const px::Header table = wideKeyTable(3);
  const std::vector<BlockKey> good = fullBlocks(table, 3, 9);
  px::writePrimaryIndex(dir.file("t.px"), table, good);
  const std::string before = dir.read("t.px");

  auto refused = [&](std::vector<BlockKey> blocks, const px::Header& h, const std::string& why) {
    SCOPED_TRACE(why);
    expectFailure([&] { px::writePrimaryIndex(dir.file("t.px"), h, blocks); },
                  {"不能写主索引文件[" + dir.file("t.px") + "]", why});
    EXPECT_EQ(dir.read("t.px"), before);
  };
  std::vector<BlockKey> bad = good;
  bad[1].key.pop_back();
  refused(bad, table, "主键长99字节");
  bad = good;
  bad[2].block = 4;
  refused(bad, table, "数据块4超出数据表的3个数据块");
  bad = good;
  bad[2].block = 1;
  refused(bad, table, "数据块1出现两次");
  bad = good;
  bad[0].records = 8;
  refused(bad, table, "记录数之和26与数据表的27条记录不符");
  // A key so long that a 1 KB index block holds a single entry cannot index two data blocks.
  const px::Header huge = keyedTable(
      {{"K", px::kAlpha, 255}, {"L", px::kAlpha, 255}, {"M", px::kAlpha, 255}}, 3, 2, 2, 1);
  std::vector<BlockKey> two = {{std::string(765, 'a'), 1, 1}, {std::string(765, 'b'), 2, 1}};
  refused(two, huge, "索引块放不下两个条目");

  EXPECT_FALSE(std::filesystem::exists(dir.file("t.px.tdb-new")));
}

class PxPrimaryIndexDamage : public ::testing::Test {
 protected:
  // A two-level index over ten full data blocks: root 1, leaves 2 and 3.
  void SetUp() override {
    px::writePrimaryIndex(path, table, fullBlocks(table, 10, 9));
    good = dir.read("t.px");
  }
  void expectRefused(const std::string& bytes, const std::vector<std::string>& parts,
                     const px::Header& against) {
    dir.write("t.px", bytes);
    std::vector<std::string> all = {"主索引文件[" + path + "]"};
    all.insert(all.end(), parts.begin(), parts.end());
    expectFailure([&] { px::readPrimaryIndex(path, against); }, all);
  }
  void expectRefused(const std::string& bytes, const std::vector<std::string>& parts) {
    expectRefused(bytes, parts, table);
  }

  TempDir dir;
  const std::string path = dir.file("t.px");
  const px::Header table = wideKeyTable(10);
  std::string good;
};

TEST_F(PxPrimaryIndexDamage, Truncated) {
  expectRefused(good.substr(0, 0x40), {"文件不足88字节"});
  expectRefused(good.substr(0, 1000), {"文件头长度2048不对"});
  expectRefused(good.substr(0, good.size() - 1), {"索引块3超出文件", "2个完整的块"});
}

TEST_F(PxPrimaryIndexDamage, NotAPrimaryIndex) {
  std::string b = good;
  b[0x04] = 0;  // a keyed table's .DB
  expectRefused(b, {"与数据表不符", "文件类型0不是主索引"});
  b = good;
  b[0x25] = 1;
  expectRefused(b, {"已加密"});
}

TEST_F(PxPrimaryIndexDamage, KeyFieldsOfAnotherTable) {
  expectRefused(good, {"与数据表不符", "第1个字段的类型1长度100", "类型1长度90"},
                keyedTable({{"K", px::kAlpha, 90}, {"V", px::kLong, 4}}, 1, 90, 10, 1));
  expectRefused(good, {"第1个字段的类型1长度100", "[K2]的类型4长度4"},
                keyedTable({{"K2", px::kLong, 4}, {"V", px::kAlpha, 100}}, 1, 90, 10, 1));
  expectRefused(good, {"索引有1个字段,数据表的主键有2个"},
                keyedTable({{"K", px::kAlpha, 100}, {"V", px::kLong, 4}}, 2, 90, 10, 1));
  px::Header unkeyed = table;
  unkeyed.fileType = 2;
  expectRefused(good, {"数据表没有主键"}, unkeyed);
}

TEST_F(PxPrimaryIndexDamage, EntriesBeyondOrAgainstTheTable) {
  // The table shrank to eight blocks: the index names blocks 9 and 10.
  expectRefused(good, {"与数据表不符", "数据块9超出数据表的8个数据块"},
                keyedTable({{"K", px::kAlpha, 100}, {"V", px::kLong, 4}}, 1, 72, 8, 1));
  expectRefused(good, {"索引所记的记录数90与数据表的89条记录不符"},
                keyedTable({{"K", px::kAlpha, 100}, {"V", px::kLong, 4}}, 1, 89, 10, 1));
  // A leaf entry's data block changed to one another entry names.
  std::string b = good;
  const size_t leaf = 2048 + 1024 + 6;
  putEntryShort(b, leaf + 106 + 100, 1);
  expectRefused(b, {"数据块1出现两次"});
}

TEST_F(PxPrimaryIndexDamage, BrokenTree) {
  const size_t root = 2048 + 6;
  std::string b = good;
  putEntryShort(b, root + 106 + 100, 2);  // both root entries name leaf 2
  expectRefused(b, {"已损坏", "索引块2被引用两次"});
  b = good;
  putEntryShort(b, root + 100, 1);  // the root names itself
  expectRefused(b, {"索引块1被引用两次"});
  b = good;
  putEntryShort(b, root + 102, 80);  // the first leaf holds 81
  expectRefused(b, {"记下索引块2有80条记录,实有81条"});
  b = good;
  putLe16(b, 2048 + 1024 + 4, 0xFFFF & -106);  // the first leaf emptied
  expectRefused(b, {"索引块2是空的"});
  b = good;
  putLe16(b, 2048 + 1024 + 4, 100);
  expectRefused(b, {"数据长度100不是条目长度的整数倍"});
  b = good;
  b[0x20] = 0;
  expectRefused(b, {"索引层数0不对"});
  b = good;
  putLe16(b, 0x1E, 7);
  expectRefused(b, {"索引块7超出文件"});
}

// Writes index files for the table of fuzz/px_index_fuzz.cpp into $PX_INDEX_SEED_DIR: one, two
// and three levels, and the header alone of an empty table.
TEST(PxPrimaryIndexSeeds, WritesFuzzSeedsOnRequest) {
  const char* out = std::getenv("PX_INDEX_SEED_DIR");
  if (!out) GTEST_SKIP() << "PX_INDEX_SEED_DIR not set";
  const std::vector<Col> cols = {
      {"NAME", px::kAlpha, 100}, {"N", px::kLong, 4}, {"V", px::kNumber, 8}};
  const px::Header table = keyedTable(cols, 2, 81, 100, 1);
  auto key = [&](int i) {
    std::string k(104, '\0');
    px::encodeField(table.fields[0], k.data(), Value::text("\xD6\xD0" + std::to_string(i)));
    px::encodeField(table.fields[1], k.data() + 100, Value::integer(i * 7 - 50));
    return k;
  };
  const std::string dir = std::string(out) + "/";
  std::vector<BlockKey> blocks;
  for (uint32_t i = 0; i < 9; ++i) blocks.push_back({key(i * 9), i + 1, 9});
  px::writePrimaryIndex(dir + "one_level", table, blocks);
  blocks.clear();
  for (uint32_t i = 0; i < 27; ++i) blocks.push_back({key(i * 3), i * 37 % 100 + 1, 3});
  px::writePrimaryIndex(dir + "two_levels", table, blocks);
  blocks.clear();
  for (uint32_t i = 0; i < 81; ++i) blocks.push_back({key(i), 100 - i, 1});
  blocks.push_back({key(81), 19, 0});  // an empty block makes the 82nd entry: a third level
  px::writePrimaryIndex(dir + "three_levels", table, blocks);
  px::writePrimaryIndex(dir + "empty", keyedTable(cols, 2, 0, 100, 1), {});
}

}  // namespace
}  // namespace tdb
