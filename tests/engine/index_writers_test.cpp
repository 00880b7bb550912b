#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <random>

#include "engine/byte_order.h"
#include "engine/engine_error.h"
#include "engine/index/cdx_file.h"
#include "engine/index/cdx_writer.h"
#include "engine/index/key_encoding.h"
#include "engine/index/mdx_file.h"
#include "engine/index/mdx_writer.h"
#include "tests/engine/temp_dir.h"

namespace tdb::test {
namespace {

namespace ke = key_encoding;

// A tag image with the key list it points at. Keys are given plain; a descending tag keeps
// them inverted, as the engine does.
struct Tag {
  IndexTagInfo info;
  std::unique_ptr<KeyList> keys;
  TagImage image() const { return TagImage{info, keys.get()}; }
};

Tag makeTag(const std::string& name, char type, int keyLength, const std::vector<IndexEntry>& plain,
            bool descending = false, bool unique = false, const std::string& forExpression = "") {
  Tag t;
  t.info.name = name;
  t.info.expression = name;
  t.info.forExpression = forExpression;
  t.info.keyType = type;
  t.info.keyLength = keyLength;
  t.info.descending = descending;
  t.info.unique = unique;
  std::string bytes;
  std::vector<uint32_t> recnos;
  for (const IndexEntry& e : plain) {
    EXPECT_EQ(int(e.key.size()), keyLength);
    bytes += descending ? ke::inverted(e.key) : e.key;
    recnos.push_back(e.recno);
  }
  t.keys = std::make_unique<KeyList>(keyLength);
  t.keys->assign(std::move(bytes), std::move(recnos));
  return t;
}

std::vector<TagImage> images(const std::vector<const Tag*>& tags) {
  std::vector<TagImage> out;
  for (const Tag* t : tags) out.push_back(t->image());
  return out;
}

std::string padded(std::string s, size_t n) {
  s.resize(n, ' ');
  return s;
}

// Plain entries sorted as a file stores them: by key, then record number; `descending`
// reverses the key order only.
std::vector<IndexEntry> sorted(std::vector<IndexEntry> v, bool descending = false) {
  std::sort(v.begin(), v.end(), [&](const IndexEntry& a, const IndexEntry& b) {
    if (a.key != b.key) return descending ? a.key > b.key : a.key < b.key;
    return a.recno < b.recno;
  });
  return v;
}

void expectSame(const std::vector<IndexEntry>& got, const std::vector<IndexEntry>& want,
                const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  size_t wrong = 0;
  for (size_t i = 0; i < got.size() && wrong < 5; ++i) {
    if (got[i].key == want[i].key && got[i].recno == want[i].recno) continue;
    ++wrong;
    ADD_FAILURE() << what << ": entry " << i << " is record " << got[i].recno << ", expected "
                  << want[i].recno;
  }
}

// Sample rows: names with repeats and shared prefixes, prices with negatives, days with a
// blank one, and a logical.
std::vector<IndexEntry> names(int n) {
  std::vector<IndexEntry> v;
  for (int i = 1; i <= n; ++i) v.push_back({padded("N" + std::to_string(i * 37 % 101), 10), 0});
  v.push_back({padded("AB", 10), 0});
  v.push_back({padded("AB C", 10), 0});  // shares a byte with the blank after "AB"
  v.push_back({padded("", 10), 0});
  for (size_t i = 0; i < v.size(); ++i) v[i].recno = uint32_t(i + 1);
  return v;
}

std::vector<double> priceValues() {
  return {-1e6, -20, -2.5, -0.125, 0, 0.1, 0.5, 1, 2.5, 19.99, 100, 12345.678, 1e15};
}

std::vector<IndexEntry> numberEntries(const std::vector<double>& values) {
  std::vector<IndexEntry> v;
  for (size_t i = 0; i < values.size(); ++i)
    v.push_back({ke::sortableNumber(values[i]), uint32_t(values.size() - i)});
  return v;
}

uint32_t cdxDepth(const std::string& file, uint32_t headerAt, int keyLength) {
  uint32_t node = getLe32(file, headerAt), depth = 1;
  while (!(getLe16(file, node) & 2)) {
    node = getBe32(file, node + 12 + keyLength + 4);
    ++depth;
  }
  return depth;
}

uint32_t mdxDepth(const std::string& file, int tag) {
  const uint32_t header = getLe32(file, 544 + tag * 32) * 512;
  const uint32_t item = getLe16(file, header + 18);
  uint32_t node = getLe32(file, header) * 512, depth = 1;
  while (getLe32(file, node + 8 + getLe32(file, node) * item) != 0) {
    node = getLe32(file, node + 8) * 512;
    ++depth;
  }
  return depth;
}

TEST(KeyEncoding, SortableNumbersSortByBytesAsTheirValuesDo) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> values = {-inf,      -1e300, -12345.5, -1,      -0.5, -1e-300,
                                -4.9e-324, 0,      4.9e-324, 1e-300,  0.1,  0.5,
                                1,         2,      1e15,     1.7e308, inf};
  std::vector<std::string> keys;
  for (double v : values) {
    keys.push_back(ke::sortableNumber(v));
    ASSERT_EQ(keys.back().size(), 8u);
    EXPECT_EQ(ke::numberOfSortable(keys.back()), v);
  }
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());

  // -0 and NaN would sort apart from 0 or nowhere: both are keyed as 0.
  EXPECT_EQ(ke::sortableNumber(-0.0), ke::sortableNumber(0));
  EXPECT_EQ(ke::sortableNumber(std::nan("")), ke::sortableNumber(0));
  EXPECT_FALSE(std::signbit(ke::numberOfSortable(ke::sortableNumber(-0.0))));
  EXPECT_EQ(ke::sortableNumber(1), std::string("\xBF\xF0\0\0\0\0\0\0", 8));

  EXPECT_EQ(ke::julianOfMdxDate(ke::mdxDate(2451545)), 2451545);
  EXPECT_EQ(ke::mdxDate(2451545), std::string("\0\0\0\x80\x2C\xB4\x42\x41", 8));
  EXPECT_EQ(ke::inverted(ke::inverted("AB\x01\xFF")), "AB\x01\xFF");
  EXPECT_EQ(ke::inverted(std::string("\x00\xF0", 2)), std::string("\xFF\x0F", 2));
}

TEST(KeyEncoding, BcdNumbersRoundTripAndKeepTheirOrder) {
  auto bytes = [](std::initializer_list<int> b) {
    std::string s(12, '\0');
    size_t i = 0;
    for (int x : b) s[i++] = char(x);
    return s;
  };
  EXPECT_EQ(ke::mdxNumber(0), bytes({0x34, 0x04}));
  EXPECT_EQ(ke::mdxNumber(-0.0), bytes({0x34, 0x04}));
  EXPECT_EQ(ke::mdxNumber(std::nan("")), bytes({0x34, 0x04}));
  EXPECT_EQ(ke::mdxNumber(1), bytes({0x35, 0x04, 0x10}));
  EXPECT_EQ(ke::mdxNumber(100), bytes({0x37, 0x04, 0x10}));
  EXPECT_EQ(ke::mdxNumber(-123.45), bytes({0x37, 0x80 | 5 << 2, 0x12, 0x34, 0x50}));
  EXPECT_EQ(ke::mdxNumber(0.05), bytes({0x33, 0x04, 0x50}));

  std::vector<double> values = {
      -98765432109876.5,   -1e6, -1, -0.1, -1e-20, 0, 1e-20, 0.001, 0.1, 1, 2.5, 19.99, 1e6,
      12345678901234567.0, 1e20};
  std::mt19937_64 random(7);
  for (int i = 0; i < 2000; ++i)
    values.push_back(std::ldexp(double(random() % 2000000) - 1e6, int(random() % 80) - 40));
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  double prior = -std::numeric_limits<double>::infinity();
  for (double v : values) {
    const double back = ke::numberOfMdx(ke::mdxNumber(v));
    EXPECT_EQ(back, v);
    EXPECT_GT(back, prior) << v;
    prior = back;
  }

  // Beyond what the form holds: the largest it holds, and zero.
  EXPECT_GT(ke::numberOfMdx(ke::mdxNumber(1e300)), 9.9e202);
  EXPECT_LT(ke::numberOfMdx(ke::mdxNumber(-std::numeric_limits<double>::infinity())), -9.9e202);
  EXPECT_EQ(ke::numberOfMdx(ke::mdxNumber(1e-300)), 0);
}

class IndexWriters : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(IndexWriters, CdxHoldsEveryKeyTypeWithItsDefinition) {
  const std::vector<IndexEntry> nameRows = names(60);
  const std::vector<double> prices = priceValues();
  std::vector<IndexEntry> days;
  const double julians[] = {0, 2415021, 2451545, 2460000, 2451545};
  for (uint32_t i = 0; i < 5; ++i) days.push_back({ke::sortableNumber(julians[i]), i + 1});
  std::vector<IndexEntry> flags;
  for (uint32_t i = 1; i <= 9; ++i) flags.push_back({i % 3 ? "T" : "F", i});

  Tag name = makeTag("name", 'C', 10, nameRows);
  Tag price = makeTag("PRICE", 'N', 8, numberEntries(prices), false, true);
  Tag day = makeTag("DAY", 'D', 8, days, true);
  Tag ok = makeTag("OK", 'L', 1, flags, false, false, "OK .AND. .NOT. DELETED()");
  Tag none = makeTag("EMPTY", 'C', 5, {});
  writeCdx(dir.file("t.cdx"), images({&name, &price, &day, &ok, &none}));

  CdxFile cdx(dir.file("t.cdx"));
  ASSERT_EQ(cdx.tags().size(), 5u);
  std::vector<std::string> listed;
  for (const IndexTagInfo& t : cdx.tags()) listed.push_back(t.name);
  // Tag headers lie in the order given, which readers report as the order the tags were made.
  EXPECT_EQ(listed, (std::vector<std::string>{"NAME", "PRICE", "DAY", "OK", "EMPTY"}));

  const IndexTagInfo& p = cdx.tags()[cdx.tagIndex("PRICE")];
  EXPECT_TRUE(p.unique);
  EXPECT_FALSE(p.descending);
  EXPECT_EQ(p.keyLength, 8);
  EXPECT_EQ(p.expression, "PRICE");
  EXPECT_EQ(p.forExpression, "");
  const IndexTagInfo& o = cdx.tags()[cdx.tagIndex("OK")];
  EXPECT_EQ(o.forExpression, "OK .AND. .NOT. DELETED()");
  EXPECT_FALSE(o.unique);
  EXPECT_TRUE(cdx.tags()[cdx.tagIndex("DAY")].descending);

  expectSame(cdx.entries(cdx.tagIndex("NAME")), sorted(nameRows), "NAME");
  expectSame(cdx.entries(cdx.tagIndex("PRICE"), '\0'), sorted(numberEntries(prices)), "PRICE");
  // A descending tag is kept ascending, equal keys by record number.
  expectSame(cdx.entries(cdx.tagIndex("DAY"), '\0'), sorted(days), "DAY");
  expectSame(cdx.entries(cdx.tagIndex("OK")), sorted(flags), "OK");
  EXPECT_TRUE(cdx.entries(cdx.tagIndex("EMPTY")).empty());
}

TEST_F(IndexWriters, CdxDescendingTagWithLongRunsOfEqualKeys) {
  std::vector<IndexEntry> rows;
  for (uint32_t i = 1; i <= 3000; ++i) rows.push_back({i % 3 ? "T" : "F", i * 7});
  Tag flags = makeTag("FLAG", 'L', 1, rows, true);
  writeCdx(dir.file("d.cdx"), images({&flags}));
  CdxFile cdx(dir.file("d.cdx"));
  expectSame(cdx.entries(0), sorted(rows), "FLAG");
}

TEST_F(IndexWriters, CdxPacksLargeRecordNumbersAndLongKeys) {
  // Keys of the longest length with no bytes to share or drop, and record numbers that need
  // all 32 bits: a leaf then holds a single key and interior nodes two.
  std::vector<IndexEntry> rows;
  for (uint32_t i = 0; i < 40; ++i) {
    std::string key(240, char('A' + i % 26));
    key[0] = char('A' + i / 26);
    key.back() = 'Z';
    rows.push_back({key, 0xFFFFFFFFu - i * 977});
  }
  rows.push_back({std::string(240, ' '), 1});
  Tag wide = makeTag("WIDE", 'C', 240, rows);
  writeCdx(dir.file("w.cdx"), images({&wide}));
  CdxFile cdx(dir.file("w.cdx"));
  expectSame(cdx.entries(0), sorted(rows), "WIDE");
}

TEST_F(IndexWriters, CdxDirectorySpansNodesWhenThereAreManyTags) {
  std::vector<Tag> tags;
  for (int i = 0; i < 120; ++i) {
    const std::string name = "TAG" + std::to_string(i * 7919 % 1000);
    tags.push_back(makeTag(name, 'C', 4, {{padded(std::to_string(i), 4), uint32_t(i + 1)}}));
  }
  std::vector<const Tag*> all;
  for (const Tag& t : tags) all.push_back(&t);
  writeCdx(dir.file("m.cdx"), images(all));
  CdxFile cdx(dir.file("m.cdx"));
  ASSERT_EQ(cdx.tags().size(), tags.size());
  for (size_t i = 0; i < tags.size(); ++i) {
    EXPECT_EQ(cdx.tags()[i].name, tags[i].info.name);
    EXPECT_EQ(cdx.tagIndex(tags[i].info.name), int(i));
    const std::vector<IndexEntry> e = cdx.entries(int(i));
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].key, tags[i].keys->key(tags[i].keys->begin()));
  }
  // The directory needs an interior node above its leaves.
  const std::string file = dir.read("m.cdx");
  EXPECT_FALSE(getLe16(file, getLe32(file, 0)) & 2);
}

TEST_F(IndexWriters, CdxLargeTagBuildsSeveralLevels) {
  std::vector<IndexEntry> rows;
  std::mt19937 random(11);
  for (uint32_t i = 1; i <= 300000; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "K%07u", unsigned(random() % 200000));
    rows.push_back({padded(key, 12), i});
  }
  Tag big = makeTag("BIG", 'C', 12, rows);
  Tag num = makeTag("NUM", 'N', 8, {{ke::sortableNumber(1), 1}});
  writeCdx(dir.file("big.cdx"), images({&big, &num}));
  CdxFile cdx(dir.file("big.cdx"));
  expectSame(cdx.entries(cdx.tagIndex("BIG")), sorted(rows), "BIG");
  const std::string file = dir.read("big.cdx");
  EXPECT_GE(cdxDepth(file, 1024 + 512, 12), 3u);
}

TEST_F(IndexWriters, MdxHoldsEveryKeyTypeInItsStoredForm) {
  const std::vector<IndexEntry> nameRows = names(50);
  const std::vector<double> prices = priceValues();
  std::vector<IndexEntry> days;
  const double julians[] = {2451545, 0, 2415021, 2460000, 2451545};
  for (uint32_t i = 0; i < 5; ++i) days.push_back({ke::sortableNumber(julians[i]), i + 1});
  std::vector<IndexEntry> flags;
  for (uint32_t i = 1; i <= 9; ++i) flags.push_back({i % 3 ? "T" : "F", i});

  Tag name = makeTag("Name", 'C', 10, nameRows, false, true);
  Tag price = makeTag("PRICE", 'N', 8, numberEntries(prices));
  Tag day = makeTag("DAY", 'D', 8, days, true);
  Tag ok = makeTag("OK", 'L', 1, flags);
  Tag none = makeTag("EMPTY", 'N', 8, {});
  writeMdx(dir.file("t.mdx"), images({&name, &price, &day, &ok, &none}), "T");

  MdxFile mdx(dir.file("t.mdx"));
  ASSERT_EQ(mdx.tags().size(), 5u);
  EXPECT_EQ(mdx.blockSize(), 1024);
  const IndexTagInfo& n = mdx.tags()[0];
  EXPECT_EQ(n.name, "NAME");
  EXPECT_TRUE(n.unique);
  EXPECT_FALSE(n.descending);
  EXPECT_EQ(n.keyType, 'C');
  EXPECT_EQ(n.expression, "Name");
  EXPECT_EQ(mdx.tags()[1].keyType, 'N');
  EXPECT_EQ(mdx.tags()[1].keyLength, 12);
  EXPECT_EQ(mdx.tags()[2].keyType, 'D');
  EXPECT_TRUE(mdx.tags()[2].descending);
  EXPECT_EQ(mdx.tags()[3].keyType, 'C');
  EXPECT_EQ(mdx.tags()[3].keyLength, 1);

  expectSame(mdx.entries(0), sorted(nameRows), "NAME");
  expectSame(mdx.entries(3), sorted(flags), "OK");
  EXPECT_TRUE(mdx.entries(4).empty());

  std::vector<IndexEntry> walked = mdx.entries(1);
  ASSERT_EQ(walked.size(), prices.size());
  for (size_t i = 0; i < walked.size(); ++i) {
    EXPECT_EQ(ke::numberOfMdx(walked[i].key), prices[i]);
    EXPECT_EQ(walked[i].recno, prices.size() - i);
  }
  // Descending: largest day first, equal days by record number upwards.
  std::vector<std::pair<double, uint32_t>> got,
      want = {{2460000, 4}, {2451545, 1}, {2451545, 5}, {2415021, 3}, {0, 2}};
  for (const IndexEntry& e : mdx.entries(2)) got.push_back({ke::julianOfMdxDate(e.key), e.recno});
  EXPECT_EQ(got, want);

  // The header and tag table as dBASE lays them out.
  const std::string file = dir.read("t.mdx");
  EXPECT_EQ(file[0], 2);
  EXPECT_EQ(file.substr(4, 2), std::string("T\0", 2));
  EXPECT_EQ(getLe32(file, 32), file.size() / 512);
  EXPECT_EQ(getLe16(file, 28), 5u);
  EXPECT_EQ(file.size() % 1024, 0u);
  // Threads of the tag table: NAME is the root; PRICE above it, DAY below, and so on.
  EXPECT_EQ(file[544 + 16], 3);           // NAME < : DAY
  EXPECT_EQ(file[544 + 17], 2);           // NAME > : PRICE
  EXPECT_EQ(file[544 + 32 + 16], 4);      // PRICE < : OK
  EXPECT_EQ(file[544 + 64 + 17], 5);      // DAY > : EMPTY
  EXPECT_EQ(file[544 + 4 * 32 + 18], 3);  // EMPTY's parent: DAY
}

TEST_F(IndexWriters, MdxLargeTagsBuildSeveralLevels) {
  std::vector<IndexEntry> rows, numbers;
  std::mt19937 random(5);
  for (uint32_t i = 1; i <= 300000; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "K%07u", unsigned(random() % 250000));
    rows.push_back({padded(key, 10), i});
    numbers.push_back({ke::sortableNumber(double(random() % 100000) / 100 - 300), i});
  }
  Tag big = makeTag("BIG", 'C', 10, rows, true);
  Tag num = makeTag("NUM", 'N', 8, numbers);
  writeMdx(dir.file("big.mdx"), images({&big, &num}), "BIG");
  MdxFile mdx(dir.file("big.mdx"));
  expectSame(mdx.entries(0), sorted(rows, true), "BIG");

  const std::vector<IndexEntry> walked = mdx.entries(1);
  const std::vector<IndexEntry> want = sorted(numbers);
  ASSERT_EQ(walked.size(), want.size());
  for (size_t i = 0; i < walked.size(); i += 997) {
    EXPECT_EQ(ke::numberOfMdx(walked[i].key), ke::numberOfSortable(want[i].key));
    EXPECT_EQ(walked[i].recno, want[i].recno);
  }
  const std::string file = dir.read("big.mdx");
  EXPECT_GE(mdxDepth(file, 0), 3u);
  EXPECT_GE(mdxDepth(file, 1), 3u);
}

TEST_F(IndexWriters, RefusalsNameTheFileAndLeaveItUntouched) {
  Tag good = makeTag("NAME", 'C', 10, names(5));
  writeCdx(dir.file("t.cdx"), images({&good}));
  writeMdx(dir.file("t.mdx"), images({&good}), "T");
  const std::string cdxBefore = dir.read("t.cdx"), mdxBefore = dir.read("t.mdx");

  auto refusedCdx = [&](const std::vector<const Tag*>& tags, const std::string& says) {
    try {
      writeCdx(dir.file("t.cdx"), images(tags));
      ADD_FAILURE() << "written: " << says;
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find(dir.file("t.cdx")), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
  };
  auto refusedMdx = [&](const std::vector<const Tag*>& tags, const std::string& says) {
    try {
      writeMdx(dir.file("t.mdx"), images(tags), "T");
      ADD_FAILURE() << "written: " << says;
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find(dir.file("t.mdx")), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
  };

  Tag longName = makeTag("ELEVENCHARS", 'C', 1, {});
  Tag same = makeTag("name", 'C', 2, {});
  Tag wide = makeTag("WIDE", 'C', 241, {});
  Tag filtered = makeTag("F", 'C', 1, {{"A", 1}}, false, false, "A > 1");
  Tag recordZero = makeTag("Z", 'C', 1, {{"A", 0}});
  refusedCdx({&longName}, "ELEVENCHARS");
  refusedCdx({&good, &same}, "NAME");
  refusedCdx({&wide}, "241");
  refusedCdx({&recordZero}, "第0条记录");
  refusedMdx({&filtered}, "FOR");
  refusedMdx({&wide}, "241");

  std::vector<Tag> many;
  for (int i = 0; i < 48; ++i) many.push_back(makeTag("T" + std::to_string(i), 'C', 1, {}));
  std::vector<const Tag*> all;
  for (const Tag& t : many) all.push_back(&t);
  refusedMdx(all, "47");
  all.pop_back();
  writeMdx(dir.file("47.mdx"), images(all), "T");
  EXPECT_EQ(MdxFile(dir.file("47.mdx")).tags().size(), 47u);

  EXPECT_EQ(dir.read("t.cdx"), cdxBefore);
  EXPECT_EQ(dir.read("t.mdx"), mdxBefore);
  EXPECT_THROW(writeCdx(dir.file("no/such/folder.cdx"), images({&good})), EngineError);
}

}  // namespace
}  // namespace tdb::test
