#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "engine/byte_order.h"
#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/index/cdx_file.h"
#include "engine/index/mdx_file.h"
#include "tests/engine/index_file_builders.h"
#include "tests/engine/table_fixture.h"

namespace tdb::test {
namespace {

constexpr double kJulianOfDayZero = 2415019;  // the engine's day 0, 1899-12-30

struct Row {
  std::string name;
  double price = 0;
  double day = 0;
  bool ok = false;
};

// The sample table's records by physical record number.
std::map<uint32_t, Row> sampleRows(const TempDir& dir, int rows) {
  makeSample(dir, "items", rows);
  Table t;
  point(t, dir, "items");
  t.open();
  std::map<uint32_t, Row> out;
  for (t.first(); !t.eof(); t.next()) {
    Row r;
    r.name = t.fieldByName("NAME").asString();
    r.name.resize(10, ' ');
    r.price = t.fieldByName("PRICE").asNumber();
    r.day = t.fieldByName("DAY").value().doubleValue();
    r.ok = t.fieldByName("OK").value().booleanValue();
    out[static_cast<uint32_t>(t.recNo())] = r;
  }
  return out;
}

// Entries of `rows` keyed by `key`, sorted by key bytes and then record number (descending
// keys reverse the key order only), as an index stores them.
template <typename KeyOf>
std::vector<IndexEntry> sortedEntries(const std::map<uint32_t, Row>& rows, KeyOf key,
                                      bool descending = false) {
  std::vector<IndexEntry> out;
  for (const auto& [recno, row] : rows) out.push_back({key(row), recno});
  std::stable_sort(out.begin(), out.end(), [&](const IndexEntry& a, const IndexEntry& b) {
    return descending ? a.key > b.key : a.key < b.key;
  });
  return out;
}

void expectSame(const std::vector<IndexEntry>& got, const std::vector<IndexEntry>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].key, want[i].key) << "entry " << i;
    EXPECT_EQ(got[i].recno, want[i].recno) << "entry " << i;
  }
}

std::string flipped(std::string file, size_t at, const std::string& bytes) {
  file.replace(at, bytes.size(), bytes);
  return file;
}

std::string le32(uint32_t v) {
  return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

TagSpec emptyTag() {
  TagSpec t;
  t.name = "EMPTY";
  t.expression = "NAME";
  return t;
}

class IndexFiles : public ::testing::Test {
 protected:
  TempDir dir;
  std::map<uint32_t, Row> rows = sampleRows(dir, 60);

  std::vector<TagSpec> cdxTags() const {
    TagSpec name{
        "NAME", "UPPER(NAME)", "", false,
        false,  'C',           10, sortedEntries(rows, [](const Row& r) { return r.name; })};
    name.keysPerLeaf = 7;  // many leaves, a chain to follow and a root above them
    TagSpec price{"PRICE", "PRICE",
                  "OK",    true,
                  false,   'N',
                  8,       sortedEntries(rows, [](const Row& r) { return cdxNumberKey(r.price); })};
    price.trailFill = '\0';
    TagSpec day{
        "DAY",
        "DAY",
        "",
        false,
        true,
        'D',
        8,
        sortedEntries(
            rows, [](const Row& r) { return cdxNumberKey(r.day + kJulianOfDayZero); }, true)};
    day.trailFill = '\0';
    return {name, price, day};
  }
};

TEST_F(IndexFiles, CdxListsTagsAndWalksCompressedLeavesInOrder) {
  const std::vector<TagSpec> specs = cdxTags();
  dir.write("items.cdx", buildCdx(specs));
  CdxFile cdx(dir.file("items.cdx"));

  // The directory is in name order; tags come in the order their headers were made.
  ASSERT_EQ(cdx.tags().size(), 3u);
  EXPECT_EQ(cdx.tags()[0].name, "NAME");
  EXPECT_EQ(cdx.tags()[1].name, "PRICE");
  EXPECT_EQ(cdx.tags()[2].name, "DAY");
  const IndexTagInfo& price = cdx.tags()[cdx.tagIndex("price")];
  EXPECT_EQ(price.expression, "PRICE");
  EXPECT_EQ(price.forExpression, "OK");
  EXPECT_TRUE(price.unique);
  EXPECT_FALSE(price.descending);
  EXPECT_EQ(price.keyLength, 8);
  const IndexTagInfo& name = cdx.tags()[cdx.tagIndex("NAME")];
  EXPECT_EQ(name.expression, "UPPER(NAME)");
  EXPECT_EQ(name.forExpression, "");
  EXPECT_TRUE(cdx.tags()[cdx.tagIndex("DAY")].descending);
  EXPECT_EQ(cdx.tagIndex("NOPE"), -1);

  // Names share leading bytes (R1, R10, R11...) and end in blanks: both compressions at work.
  std::vector<IndexEntry> names = cdx.entries(cdx.tagIndex("NAME"));
  expectSame(names, specs[0].entries);
  for (const IndexEntry& e : names) EXPECT_EQ(e.key, rows.at(e.recno).name);

  std::vector<IndexEntry> prices = cdx.entries(cdx.tagIndex("PRICE"), '\0');
  expectSame(prices, specs[1].entries);
  for (size_t i = 0; i < prices.size(); ++i) {
    EXPECT_EQ(cdxKeyNumber(prices[i].key), rows.at(prices[i].recno).price);
    if (i) {
      EXPECT_LT(cdxKeyNumber(prices[i - 1].key), cdxKeyNumber(prices[i].key));
    }
  }

  // Dates repeat every 28 records: equal keys stay in record order, the newest day first.
  std::vector<IndexEntry> days = cdx.entries(cdx.tagIndex("DAY"), '\0');
  expectSame(days, specs[2].entries);
  for (const IndexEntry& e : days)
    EXPECT_EQ(cdxKeyNumber(e.key) - kJulianOfDayZero, rows.at(e.recno).day);

  // A visitor that says stop is not called again.
  int seen = 0;
  cdx.walk(cdx.tagIndex("NAME"), [&](const IndexEntry&) { return ++seen < 9; });
  EXPECT_EQ(seen, 9);
  EXPECT_THROW(cdx.walk(7, [](const IndexEntry&) { return true; }), EngineError);
}

TEST_F(IndexFiles, CdxReadsOtherEntryPackings) {
  // Byte-aligned fields, and fields that straddle bytes of a 4-byte entry.
  for (CdxPacking p : {CdxPacking{4, 16, 8, 8}, CdxPacking{4, 19, 5, 5}, CdxPacking{2, 6, 5, 5}}) {
    std::vector<TagSpec> specs = cdxTags();
    specs.resize(1);
    dir.write("p.cdx", buildCdx(specs, p));
    CdxFile cdx(dir.file("p.cdx"));
    expectSame(cdx.entries(0), specs[0].entries);
  }
}

TEST_F(IndexFiles, CdxEmptyTagWalksNothing) {
  dir.write("e.cdx", buildCdx({emptyTag()}));
  CdxFile cdx(dir.file("e.cdx"));
  ASSERT_EQ(cdx.tags().size(), 1u);
  EXPECT_TRUE(cdx.entries(0).empty());
}

TEST_F(IndexFiles, CdxDamageIsReportedNamingTheFile) {
  std::vector<TagSpec> specs = cdxTags();
  const std::string good = buildCdx(specs);
  const uint32_t nameLeaf = 1024 + 1024;  // the first tag's header is at 1024, its leaves follow
  struct Case {
    const char* what;
    std::string bytes;
    bool atOpen;
  };
  const Case cases[] = {
      {"truncated header", good.substr(0, 700), true},
      {"not compound", flipped(good, 14, std::string(1, char(32))), true},
      {"directory root beyond the end", flipped(good, 0, le32(1u << 30)), true},
      {"directory root not on a node", flipped(good, 0, le32(1000)), true},
      {"key length 0", flipped(good, 1024 + 12, std::string(2, '\0')), true},
      {"expression lengths overrun", flipped(good, 1024 + 510, "\x10\x02"), true},
      {"leaf chain loops", flipped(good, nameLeaf + 8, le32(nameLeaf)), false},
      {"too many keys", flipped(good, nameLeaf + 2, "\xFF\x00"), false},
      {"entry width 0", flipped(good, nameLeaf + 23, std::string(1, '\0')), false},
      {"record bits too wide", flipped(good, nameLeaf + 20, "\x30"), false},
      {"truncated leaves", good.substr(0, good.size() - 512), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dir.write("bad.cdx", c.bytes);
    try {
      CdxFile cdx(dir.file("bad.cdx"));
      EXPECT_FALSE(c.atOpen);
      for (size_t t = 0; t < cdx.tags().size(); ++t) cdx.entries(static_cast<int>(t));
      ADD_FAILURE() << "no error";
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find(dir.file("bad.cdx")), std::string::npos) << e.what();
    }
  }
}

TEST_F(IndexFiles, MdxListsTagsAndWalksTheTreeInOrder) {
  TagSpec name{"NAME", "NAME", "", true,
               false,  'C',    10, sortedEntries(rows, [](const Row& r) { return r.name; })};
  name.keysPerLeaf = 6;
  TagSpec day{"DAY",
              "DAY",
              "",
              false,
              true,
              'D',
              8,
              sortedEntries(
                  rows, [](const Row& r) { return mdxDateKey(r.day + kJulianOfDayZero); }, false)};
  std::reverse(day.entries.begin(), day.entries.end());
  dir.write("items.mdx", buildMdx({name, day}));
  MdxFile mdx(dir.file("items.mdx"));

  EXPECT_EQ(mdx.blockSize(), 1024);
  ASSERT_EQ(mdx.tags().size(), 2u);
  const IndexTagInfo& n = mdx.tags()[0];
  EXPECT_EQ(n.name, "NAME");
  EXPECT_EQ(n.expression, "NAME");
  EXPECT_EQ(n.keyType, 'C');
  EXPECT_EQ(n.keyLength, 10);
  EXPECT_TRUE(n.unique);
  EXPECT_FALSE(n.descending);
  const IndexTagInfo& d = mdx.tags()[mdx.tagIndex("day")];
  EXPECT_EQ(d.keyType, 'D');
  EXPECT_TRUE(d.descending);
  EXPECT_FALSE(d.unique);

  std::vector<IndexEntry> names = mdx.entries(0);
  expectSame(names, name.entries);
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(names[i].key, rows.at(names[i].recno).name);
    if (i) {
      EXPECT_LT(names[i - 1].key, names[i].key);
    }
  }
  for (const IndexEntry& e : mdx.entries(1)) {
    double julian;
    std::memcpy(&julian, e.key.data(), 8);
    EXPECT_EQ(julian - kJulianOfDayZero, rows.at(e.recno).day);
  }
}

TEST_F(IndexFiles, MdxDamageIsReportedNamingTheFile) {
  TagSpec name{"NAME", "NAME", "", false,
               false,  'C',    10, sortedEntries(rows, [](const Row& r) { return r.name; })};
  name.keysPerLeaf = 6;
  const std::string good = buildMdx({name});
  // Tag header at page 6, leaves from page 7 in 2-page blocks, the branch root last.
  const size_t header = 6 * 512, firstLeaf = 7 * 512, root = good.size() - 1024;
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"truncated header", good.substr(0, 300)},
      {"block size not whole pages", flipped(good, 22, std::string("\x00\x03", 2))},
      {"49 tags", flipped(good, 28, "\x31\x00")},
      {"tag header beyond the end", flipped(good, 544, le32(1u << 20))},
      {"unknown key type", flipped(good, header + 9, "X")},
      {"key length 0", flipped(good, header + 12, std::string(2, '\0'))},
      {"items shorter than keys", flipped(good, header + 18, "\x04\x00")},
      {"root in the header pages", flipped(good, header, le32(0))},
      {"branch points at itself", flipped(good, root + 8, le32(uint32_t(root / 512)))},
      {"too many keys", flipped(good, firstLeaf, le32(5000))},
      {"record number 0", flipped(good, firstLeaf + 8, le32(0))},
      {"truncated nodes", good.substr(0, good.size() - 600)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dir.write("bad.mdx", c.bytes);
    try {
      MdxFile mdx(dir.file("bad.mdx"));
      for (size_t t = 0; t < mdx.tags().size(); ++t) mdx.entries(static_cast<int>(t));
      ADD_FAILURE() << "no error";
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find(dir.file("bad.mdx")), std::string::npos) << e.what();
    }
  }
}

// Opened for repair, a damaged file gives every tag whose definition still reads and names the
// rest; opened strictly, it fails.
TEST_F(IndexFiles, SalvageKeepsTheTagsStillDefinedAndNamesTheLost) {
  // The directory's leaf lists all three tags, then points to a next leaf past the end.
  const std::string cdx = buildCdx(cdxTags());
  const uint32_t directory = getLe32(cdx, 0);
  dir.write("cut.cdx", flipped(cdx, directory + 8, le32(1u << 30)));
  EXPECT_THROW(CdxFile strict(dir.file("cut.cdx")), EngineError);
  const CdxFile chained(dir.file("cut.cdx"), true);
  EXPECT_EQ(chained.tags().size(), 3u);
  ASSERT_EQ(chained.lost().size(), 1u);
  EXPECT_NE(chained.lost()[0].find("其后的标签无法读出"), std::string::npos) << chained.lost()[0];
  // The second tag's header (made second, at 1024 past the first's header and leaves) is gone.
  const std::string secondHeader = flipped(cdx, 1024 + 12, std::string(2, '\0'));
  dir.write("bad.cdx", secondHeader);
  const CdxFile bad(dir.file("bad.cdx"), true);
  ASSERT_EQ(bad.tags().size(), 2u);
  EXPECT_EQ(bad.tags()[0].name, "PRICE");
  ASSERT_EQ(bad.lost().size(), 1u);
  EXPECT_NE(bad.lost()[0].find("标签(NAME)"), std::string::npos) << bad.lost()[0];

  TagSpec a{"A", "NAME", "", false, false, 'C', 10, {}}, b = a, c = a;
  b.name = "B", c.name = "C";
  const std::string mdx = buildMdx({a, b, c});
  const size_t third = size_t{getLe32(mdx, 544 + 2 * 32)} * 512;
  dir.write("cut.mdx", mdx.substr(0, third));
  EXPECT_THROW(MdxFile strict(dir.file("cut.mdx")), EngineError);
  const MdxFile cut(dir.file("cut.mdx"), true);
  ASSERT_EQ(cut.tags().size(), 2u);
  EXPECT_EQ(cut.tags()[1].name, "B");
  ASSERT_EQ(cut.lost().size(), 1u);
  EXPECT_NE(cut.lost()[0].find("第3个标签(C)的标签头超出文件范围"), std::string::npos)
      << cut.lost()[0];
  // Without its header no file gives anything.
  dir.write("gone.mdx", mdx.substr(0, 300));
  EXPECT_THROW(MdxFile gone(dir.file("gone.mdx"), true), EngineError);
}

// Regenerates the fuzz seeds: INDEX_SEEDS=fuzz/corpus/index_files engine_tests
// --gtest_also_run_disabled_tests --gtest_filter='IndexFiles.DISABLED_WriteFuzzSeeds'.
TEST_F(IndexFiles, DISABLED_WriteFuzzSeeds) {
  const char* out = std::getenv("INDEX_SEEDS");
  ASSERT_NE(out, nullptr);
  int n = 0;
  auto seed = [&](char format, const std::string& bytes) {
    FILE* f = std::fopen((std::string(out) + "/seed" + std::to_string(++n)).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputc(format, f);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  };
  std::vector<TagSpec> tags = cdxTags();
  for (auto& t : tags) t.entries.resize(std::min<size_t>(t.entries.size(), 12)), t.keysPerLeaf = 5;
  seed(0, buildCdx(tags));
  seed(0, buildCdx({tags[0]}));
  seed(0, buildCdx({tags[1]}, CdxPacking{4, 16, 8, 8}));
  seed(0, buildCdx({tags[2]}, CdxPacking{2, 6, 5, 5}));
  seed(0, buildCdx({emptyTag()}));
  std::string cdx = buildCdx({tags[0]});
  seed(0, cdx.substr(0, cdx.size() - 512));
  seed(0, flipped(cdx, 2048 + 8, le32(2048)));
  tags[0].keysPerLeaf = 3;
  TagSpec date = tags[2];
  date.entries.clear();
  for (const auto& [recno, row] : rows)
    if (recno <= 10) date.entries.push_back({mdxDateKey(row.day + kJulianOfDayZero), recno});
  seed(1, buildMdx({tags[0], date}));
  seed(1, buildMdx({tags[0]}));
  seed(1, buildMdx({date}));
  seed(1, buildMdx({emptyTag()}));
  std::string mdx = buildMdx({tags[0]});
  seed(1, mdx.substr(0, mdx.size() - 600));
  seed(1, flipped(mdx, mdx.size() - 1024 + 8, le32(uint32_t(mdx.size() / 512 - 2))));
}

}  // namespace
}  // namespace tdb::test
