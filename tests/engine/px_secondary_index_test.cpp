// Secondary indexes of Paradox tables written beside real tables, read back, and checked byte by
// byte: the .Xnn entries in index order with their block hints, the .Ynn tree over them.

#include "engine/paradox/px_secondary_index.h"

#include <gtest/gtest.h>

#include <strings.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/paradox/px_codec.h"
#include "engine/paradox/px_table.h"
#include "tests/engine/temp_dir.h"

namespace tdb {
namespace {

using px::SecondaryIndex;
using test::TempDir;

uint32_t le16(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8;
}

// Block numbers and counts in index entries: big-endian, top bit flipped.
uint32_t entryShort(const std::string& b, size_t at) {
  return (static_cast<uint8_t>(b[at]) << 8 | static_cast<uint8_t>(b[at + 1])) ^ 0x8000;
}

struct Col {
  const char* name;
  uint8_t type;
  uint32_t size;
  uint32_t decimals = 0;
};

// A table at `path` whose first `keys` fields form the primary key, holding `rows` in order.
px::Header makeTable(const std::string& path, const std::vector<Col>& cols, uint32_t keys,
                     const std::vector<std::vector<Value>>& rows, uint8_t blockKb = 2) {
  px::Header h;
  h.fileType = keys ? 0 : 2;
  h.keyFieldCount = keys;
  h.maxTableSize = blockKb;
  h.codePage = 936;
  for (const Col& c : cols) {
    px::Field f;
    f.name = utf8ToGbk(c.name);
    f.type = c.type;
    f.size = c.size;
    f.decimals = c.decimals;
    h.recordSize += c.size;
    h.fields.push_back(f);
  }
  px::ParadoxTable::create(path, h);
  px::ParadoxTable t(path, true);
  for (const auto& row : rows) {
    std::string rec(t.header().recordSize, '\0');
    for (size_t i = 0; i < row.size(); ++i) {
      const px::Field& f = t.header().fields[i];
      px::encodeField(f, rec.data() + f.offset, row[i]);
    }
    t.insert(t.recordCount() + 1, rec);
  }
  return t.header();
}

std::string writeIndex(const std::string& path, const SecondaryIndex& def) {
  px::ParadoxTable t(path);
  return px::writeSecondaryIndex(path, t.header(), def, t.recordCount(),
                                 [&](uint32_t i, std::string& bytes, uint32_t& block) {
                                   bytes = t.readRecord(i);
                                   block = t.chain().place(i).block;
                                 });
}

SecondaryIndex index(const std::string& name, std::vector<uint32_t> fields, bool ci = false,
                     bool desc = false, bool unique = false) {
  return {utf8ToGbk(name), std::move(fields), ci, desc, unique, ""};
}

// The records of an .Xnn file in its block chain's order.
std::vector<std::string> entries(const std::string& x) {
  const uint32_t size = le16(x, 0), header = le16(x, 2), block = x[5] * 1024u;
  std::vector<std::string> out;
  for (uint32_t b = le16(x, 0x0E); b != 0; b = le16(x, header + (b - 1) * block)) {
    const size_t at = header + (b - 1) * size_t{block};
    const auto last = static_cast<int16_t>(le16(x, at + 4));
    for (int off = 0; off <= last; off += static_cast<int>(size))
      out.push_back(x.substr(at + 6 + off, size));
  }
  return out;
}

const std::vector<Col> kPeople = {{"编号", px::kLong, 4},
                                  {"Name", px::kAlpha, 10},
                                  {"City", px::kAlpha, 8},
                                  {"Amount", px::kNumber, 8},
                                  {"Memo", px::kMemo, 11}};

std::vector<Value> person(int id, const std::string& name, const std::string& city, double v) {
  return {Value::integer(id), Value::text(name), Value::text(utf8ToGbk(city)), Value::number(v),
          Value()};
}

class SecondaryIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table = makeTable(db, kPeople, 1,
                      {person(1, "li", "北京", 5), person(2, "Wang", "上海", -2),
                       person(3, "LI", "北京", 7), person(4, "zhao", "广州", 0)});
  }
  TempDir dir;
  std::string db = dir.file("t.db");
  px::Header table;
};

TEST_F(SecondaryIndexTest, DefinitionsRoundTripInExtensionOrder) {
  EXPECT_EQ(writeIndex(db, index("城市姓名", {2, 1}, true, true)), "XG0");
  EXPECT_EQ(writeIndex(db, index("", {1}, false, true, true)), "X02");
  EXPECT_EQ(writeIndex(db, index("金额", {3}, true, true, true)), "XG1");
  const auto defs = px::readSecondaryIndexes(db, table);
  ASSERT_EQ(defs.size(), 3u);
  EXPECT_EQ(defs[0].extension, "X02");
  EXPECT_EQ(defs[0].name, "Name");
  EXPECT_EQ(defs[0].fields, std::vector<uint32_t>{1});
  EXPECT_TRUE(!defs[0].caseInsensitive && defs[0].descending && defs[0].unique);
  EXPECT_EQ(defs[1].name, utf8ToGbk("城市姓名"));
  EXPECT_EQ(defs[1].fields, (std::vector<uint32_t>{2, 1}));
  EXPECT_TRUE(defs[1].caseInsensitive && defs[1].descending && !defs[1].unique);
  EXPECT_EQ(defs[2].name, utf8ToGbk("金额"));
  EXPECT_TRUE(defs[2].caseInsensitive && defs[2].descending && defs[2].unique);
  for (const char* f : {"t.Y02", "t.YG0", "t.YG1"})
    EXPECT_TRUE(std::filesystem::exists(dir.file(f)));
  // A named file with one field can only hold a case-insensitive index, whatever its flags say.
  std::string xg1 = dir.read("t.XG1");
  xg1[0x55] = 0x01;
  dir.write("t.XG1", xg1);
  EXPECT_TRUE(px::readSecondaryIndexes(db, table)[2].caseInsensitive);
}

TEST_F(SecondaryIndexTest, ExtensionsInAnyCaseAreFoundReplacedAndRemoved) {
  writeIndex(db, index("甲", {2, 1}));
  writeIndex(db, index("乙", {3, 1}));
  std::filesystem::rename(dir.file("t.XG0"), dir.file("t.xg0"));
  std::filesystem::rename(dir.file("t.YG0"), dir.file("t.yg0"));
  auto defs = px::readSecondaryIndexes(db, table);
  ASSERT_EQ(defs.size(), 2u);
  EXPECT_EQ(defs[0].extension, "XG0");
  // Rewriting the read definition replaces the lower-case file instead of adding a second one.
  defs[0].caseInsensitive = true;
  EXPECT_EQ(writeIndex(db, defs[0]), "XG0");
  EXPECT_FALSE(std::filesystem::exists(dir.file("t.XG0")));
  EXPECT_TRUE(px::readSecondaryIndexes(db, table)[0].caseInsensitive);
  // A new index takes the first free slot; removal by name finds the file.
  EXPECT_EQ(writeIndex(db, index("丙", {3, 2})), "XG2");
  px::removeSecondaryIndex(db, table, index("甲", {2, 1}));
  EXPECT_FALSE(std::filesystem::exists(dir.file("t.xg0")) ||
               std::filesystem::exists(dir.file("t.yg0")));
  EXPECT_EQ(px::readSecondaryIndexes(db, table).size(), 2u);
  EXPECT_EQ(writeIndex(db, index("丁", {2, 3})), "XG0");
}

TEST_F(SecondaryIndexTest, EntriesHoldIndexFieldsPrimaryKeyAndBlockInIndexOrder) {
  writeIndex(db, index("名", {1, 3}, true));
  const auto x = entries(dir.read("t.XG0"));
  ASSERT_EQ(x.size(), 4u);
  // li/LI fold together, ordered by Amount, then Wang, then zhao; each with its key and block.
  const std::vector<int> ids = {1, 3, 2, 4};
  for (size_t i = 0; i < x.size(); ++i) {
    ASSERT_EQ(x[i].size(), 10u + 8 + 4 + 2);
    EXPECT_EQ(entryShort(x[i], 22), 1u);
    EXPECT_EQ(px::decodeField(table.fields[0], x[i].data() + 18, "").integerValue(), ids[i]);
  }
}

TEST(SecondaryKey, FoldsOnlyAsciiLettersAndInvertsWhenDescending) {
  TempDir dir;
  const px::Header h =
      makeTable(dir.file("k.db"), {{"T", px::kAlpha, 6}, {"N", px::kShort, 2}}, 0, {});
  auto rec = [&](const std::string& text, int64_t n) {
    std::string r(h.recordSize, '\0');
    px::encodeField(h.fields[0], r.data(), Value::text(text));
    px::encodeField(h.fields[1], r.data() + 6, Value::integer(n));
    return r;
  };
  auto key = [&](const SecondaryIndex& d, const std::string& r) {
    return px::secondaryKey(h, d, r.data());
  };
  const SecondaryIndex ci = index("i", {0, 1}, true), cs = index("s", {0, 1});
  EXPECT_EQ(key(ci, rec("abC", 1)), key(ci, rec("ABc", 1)));
  EXPECT_NE(key(cs, rec("abC", 1)), key(cs, rec("ABc", 1)));
  // A GBK character whose second byte is 'a' is not the one whose second byte is 'A'.
  EXPECT_NE(key(ci, rec("\x81\x61", 1)), key(ci, rec("\x81\x41", 1)));
  EXPECT_LT(key(ci, rec("ab", 9)), key(ci, rec("AB\x81\x61", 0)));
  EXPECT_LT(key(cs, rec("x", -5)), key(cs, rec("x", 3)));
  const SecondaryIndex desc = index("d", {1, 0}, false, true);
  EXPECT_GT(key(desc, rec("a", -5)), key(desc, rec("a", 3)));
  EXPECT_GT(key(desc, rec("ab", 1)), key(desc, rec("abc", 1)));
  EXPECT_THROW(key(index("bad", {2}), rec("a", 1)), EngineError);
}

TEST(SecondaryIndexTree, BlocksAndTreeCoverEveryRecordInOrder) {
  TempDir dir;
  const std::string db = dir.file("big.db");
  std::vector<std::vector<Value>> rows;
  for (int i = 1; i <= 100; ++i)
    rows.push_back({Value::integer(i), Value::text((i % 2 ? "n" : "N") + std::to_string(i % 30))});
  const px::Header h = makeTable(db, {{"Id", px::kLong, 4}, {"Note", px::kAlpha, 200}}, 1, rows, 1);
  writeIndex(db, index("备注", {1}, true, true));
  const std::string x = dir.read("big.XG0"), y = dir.read("big.YG0");
  const auto xs = entries(x);
  ASSERT_EQ(xs.size(), 100u);
  px::ParadoxTable t(db);
  for (size_t i = 0; i < xs.size(); ++i) {
    const int64_t id = px::decodeField(h.fields[0], xs[i].data() + 200, "").integerValue();
    EXPECT_EQ(xs[i].substr(0, 200), t.readRecord(static_cast<uint32_t>(id)).substr(4));
    EXPECT_EQ(entryShort(xs[i], 204), t.chain().place(static_cast<uint32_t>(id)).block);
    if (i == 0) continue;
    const int c = strcasecmp(xs[i - 1].c_str(), xs[i].c_str());  // descending, ties by key
    EXPECT_TRUE(c > 0 || (c == 0 && xs[i - 1].substr(200, 4) < xs[i].substr(200, 4))) << i;
  }
  // 4 entries a block: 25 .X blocks under a tree of 1, 2 and 7 blocks, the root first.
  EXPECT_EQ(le16(x, 0x0C), 25u);
  EXPECT_EQ(le16(y, 0x0C), 10u);
  EXPECT_EQ(le16(y, 0x1E), 1u);
  ASSERT_EQ(y[0x20], 3);
  const uint32_t entry = le16(y, 0), header = le16(y, 2);
  uint32_t nextLeaf = 1;
  std::function<uint32_t(uint32_t, int, const std::string&)> walk = [&](uint32_t b, int level,
                                                                        const std::string& first) {
    if (level == 0) {  // an .X block: the first key and the records it holds
      const size_t at = le16(x, 2) + (b - 1) * 1024u;
      EXPECT_EQ(b, nextLeaf++);
      EXPECT_EQ(x.substr(at + 6, 204), first);
      return static_cast<uint32_t>(static_cast<int16_t>(le16(x, at + 4)) / 206 + 1);
    }
    const size_t at = header + (b - 1) * 1024u;
    uint32_t total = 0;
    for (int off = 0; off <= static_cast<int16_t>(le16(y, at + 4));
         off += static_cast<int>(entry)) {
      const std::string e = y.substr(at + 6 + off, entry);
      if (off == 0 && !first.empty()) {
        EXPECT_EQ(e.substr(0, 204), first);
      }
      const uint32_t below = walk(entryShort(e, 204), level - 1, e.substr(0, 204));
      EXPECT_EQ(entryShort(e, 206), below);
      total += below;
    }
    return total;
  };
  EXPECT_EQ(walk(1, 3, ""), 100u);
  EXPECT_EQ(nextLeaf, 26u);
}

// Readers hold an entry's count in a signed short: a block of the tree's lowest level stops taking
// .X blocks before the records under it pass 32767, though it has room for more.
TEST(SecondaryIndexTree, LowestTreeBlocksNameAtMost32767Records) {
  TempDir dir;
  const std::string db = dir.file("many.db");
  // 1 KB blocks: 339 one-byte entries to an .X block, room for 145 tree entries (49155 records).
  const px::Header h = makeTable(db, {{"C", px::kAlpha, 1}}, 0, {}, 1);
  const uint32_t count = 50000;
  px::writeSecondaryIndex(db, h, index("", {0}), count,
                          [&](uint32_t i, std::string& bytes, uint32_t& block) {
                            bytes = std::string(1, static_cast<char>('a' + i % 26));
                            block = (i - 1) / 50 + 1;
                          });
  EXPECT_EQ(px::readSecondaryIndexes(db, h).at(0).extension, "X01");
  const std::string x = dir.read("many.X01"), y = dir.read("many.Y01");
  ASSERT_EQ(le16(x, 0x0C), 148u);
  // 96 .X blocks (32544 records) under the first leaf, 52 under the second, the root above them.
  ASSERT_EQ(y[0x20], 2);
  EXPECT_EQ(le16(y, 0x0C), 3u);
  const uint32_t entry = le16(y, 0), header = le16(y, 2);
  ASSERT_EQ(entry, 7u);
  uint32_t nextLeaf = 1;
  std::vector<uint32_t> rootCounts;
  std::function<uint32_t(uint32_t, int, const std::string&)> walk = [&](uint32_t b, int level,
                                                                        const std::string& first) {
    if (level == 0) {
      const size_t at = le16(x, 2) + (b - 1) * 1024u;
      EXPECT_EQ(b, nextLeaf++);
      EXPECT_EQ(x.substr(at + 6, 1), first);
      return static_cast<uint32_t>(le16(x, at + 4) / 3 + 1);
    }
    const size_t at = header + (b - 1) * 1024u;
    uint32_t total = 0;
    for (uint32_t off = 0; off <= le16(y, at + 4); off += entry) {
      const std::string e = y.substr(at + 6 + off, entry);
      if (off == 0 && !first.empty()) EXPECT_EQ(e.substr(0, 1), first);
      const uint32_t below = walk(entryShort(e, 1), level - 1, e.substr(0, 1));
      EXPECT_EQ(entryShort(e, 3), below);
      if (level == 2) rootCounts.push_back(below);
      total += below;
    }
    return total;
  };
  EXPECT_EQ(walk(1, 2, ""), count);
  EXPECT_EQ(nextLeaf, 149u);
  EXPECT_EQ(rootCounts, (std::vector<uint32_t>{96 * 339, count - 96 * 339}));
}

TEST_F(SecondaryIndexTest, UniqueIndexRefusesRepeatedKeysAndKeepsOldFiles) {
  writeIndex(db, index("唯一", {1, 3}, true, false, true));  // li/LI differ by Amount
  const std::string before = dir.read("t.XG0");
  SecondaryIndex def = px::readSecondaryIndexes(db, table)[0];
  def.fields = {1};
  try {
    writeIndex(db, def);
    FAIL() << "repeated key accepted";
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("唯一"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("第1条和第3条"), std::string::npos) << e.what();
  }
  EXPECT_EQ(dir.read("t.XG0"), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
}

TEST_F(SecondaryIndexTest, DefinitionsTheFormatCannotHoldAreRefused) {
  std::vector<uint32_t> seventeen(17, 1);
  for (const SecondaryIndex& bad :
       {index("", {}), index("x", seventeen), index("备注", {4}), index("", {0}),
        index("重复", {1, 1}), index("外", {9, 1}), index("name", {1, 2}), index("", {2, 3}),
        index(std::string(26, 'n'), {1, 2})})
    EXPECT_THROW(writeIndex(db, bad), EngineError) << gbkToUtf8(bad.name);
  // Entries wider than half a 1 KB block cannot form a tree.
  const std::string wide = dir.file("w.db");
  const px::Header w = makeTable(
      wide, {{"A", px::kAlpha, 255}, {"B", px::kAlpha, 255}, {"C", px::kAlpha, 10}}, 0, {}, 1);
  EXPECT_THROW(writeIndex(wide, index("宽", {0, 1})), EngineError);
  EXPECT_NO_THROW(writeIndex(wide, index("窄", {0, 2})));  // no primary key to carry
  EXPECT_EQ(px::readSecondaryIndexes(wide, w).at(0).fields, (std::vector<uint32_t>{0, 2}));
}

TEST_F(SecondaryIndexTest, DamagedIndexFilesAreRefusedNamingThem) {
  writeIndex(db, index("名", {1, 2}));
  const std::string good = dir.read("t.XG0");
  const uint32_t n = le16(good, 0x21);  // Name, City, 编号, Hint
  const size_t numbers = 0x78 + n * 6 + 4 + 261 + 5 + 5 + 5 + 5;
  const std::vector<std::function<void(std::string&)>> damage = {
      [](std::string& b) { b.resize(60); },
      [](std::string& b) { b[4] = 2; },  // a table, not an index
      [](std::string& b) {
        b[2] = 0;
        b[3] = 0x40;
      },                                                // header beyond the file
      [](std::string& b) { b[0x21] = 1; },              // no room for key and hint
      [](std::string& b) { b[0x78 + 2] = px::kLong; },  // City is not a long
      [&](std::string& b) { b[numbers] = 9; },          // field 9 of a 5-field table
      [&](std::string& b) { b[numbers + 2] = 2; },      // Name twice
      [](std::string& b) { b[0] = 1; },                 // sizes do not add up
      [&](std::string& b) { std::fill(b.begin() + numbers, b.begin() + 2048, 'z'); },
  };
  for (size_t i = 0; i < damage.size(); ++i) {
    std::string bytes = good;
    damage[i](bytes);
    dir.write("t.XG0", bytes);
    try {
      px::readSecondaryIndexes(db, table);
      ADD_FAILURE() << "damage " << i << " accepted";
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find("t.XG0"), std::string::npos) << e.what();
    }
  }
  // A file named for field 3 that indexes field 2.
  std::filesystem::remove(dir.file("t.XG0"));
  writeIndex(db, index("", {1}));
  std::filesystem::rename(dir.file("t.X02"), dir.file("t.X03"));
  EXPECT_THROW(px::readSecondaryIndexes(db, table), EngineError);
}

// Writes .XG0 files for the table of fuzz/px_secondary_fuzz.cpp into $PX_SECONDARY_SEED_DIR.
TEST(SecondaryIndexSeeds, WritesFuzzSeedsOnRequest) {
  const char* out = std::getenv("PX_SECONDARY_SEED_DIR");
  if (!out) GTEST_SKIP() << "PX_SECONDARY_SEED_DIR not set";
  TempDir dir;
  const std::string db = dir.file("t.db");
  const char* names[] = {"li", "Wang", "LI", "\xd5\xc5\x81\x61"};
  std::vector<std::vector<Value>> rows;
  for (int i = 0; i < 4; ++i)
    rows.push_back({Value::integer(i + 1), Value::text(names[i]), Value(),
                    Value::number(i * 2.5 - 3), Value(), Value::number(i - 1.25), Value()});
  makeTable(db,
            {{"Id", px::kLong, 4},
             {"Name", px::kAlpha, 12},
             {"City", px::kAlpha, 8},
             {"Amount", px::kNumber, 8},
             {"Day", px::kDate, 4},
             {"Price", px::kBcd, 17, 2},
             {"Memo", px::kMemo, 11}},
            1, rows);
  const std::pair<const char*, SecondaryIndex> seeds[] = {
      {"composite", index("名称城市", {1, 2})},
      {"case_insensitive_descending", index("城市金额", {2, 3}, true, true)},
      {"single_field_unique", index("价格", {5}, true, false, true)},
      {"three_fields", index("日期", {4, 1, 3}, false, true, true)}};
  for (const auto& [name, def] : seeds) {
    std::filesystem::remove(dir.file("t.XG0"));
    writeIndex(db, def);
    std::filesystem::copy_file(dir.file("t.XG0"), std::string(out) + "/" + name,
                               std::filesystem::copy_options::overwrite_existing);
  }
}

}  // namespace
}  // namespace tdb
