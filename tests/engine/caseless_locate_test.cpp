// Locates that ignore case, held to what a walk through the cursor finds: the first record of the
// current order whose field matches. Each case lets the cursor build its keys first and then
// changes what they were built from, so a cursor that kept stale keys finds another record.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

namespace fs = std::filesystem;
using test::gbk;
using test::point;
using test::TempDir;

struct Kind {
  const char* label;
  TableType type;
  const char* file;
  bool exclusive;
};

std::string nameOf(const testing::TestParamInfo<Kind>& info) { return info.param.label; }
void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.label; }

// GBK characters whose trail byte is an ASCII letter: folding must leave them as they are.
const std::string kTrailSmallA =
    "\x81"
    "a";
const std::string kTrailCapitalA =
    "\x81"
    "A";

struct Row {
  std::string code;
  int num;
  const char* group;
};

// Equal codes in several spellings, so that which of them comes first is what is tested.
std::vector<Row> rows() {
  return {{"banana", 7, "B"},
          {"Apple", 5, "A"},
          {"apricot", 9, "A"},
          {"APPLE  ", 2, "B"},
          {"", 5, "C"},
          {gbk("苹果pie"), 1, "A"},
          {gbk("苹果"), 8, "B"},
          {kTrailSmallA + "x", 3, "C"},
          {kTrailCapitalA + "X", 4, "A"},
          {"bAnAnA", 6, "C"},
          {"apple", 0, "A"},
          {gbk("苹果PIE"), 10, "C"}};
}

std::vector<std::string> probes() {
  return {"apple",        "APPLE",     "Ap",         "a",
          "BANANA",       "b",         "",           "zz",
          "applex",       gbk("苹果"), gbk("苹果P"), kTrailSmallA + "X",
          kTrailCapitalA, kTrailSmallA};
}

void fill(Table& t, const Row& row, int id) {
  t.append();
  t.fieldByName("ID").setValue(Value::integer(id));
  t.fieldByName("CODE").setAsString(row.code);
  t.fieldByName("NUM").setValue(Value::integer(row.num));
  t.fieldByName("GRP").setAsString(row.group);
  t.fieldByName("DAY").setValue(Value::dateTime(encodeDate(2024, 3, row.num + 1)));
  t.post();
}

// The file's change time moved `seconds` back, as for a table nobody has written for a while.
void age(const TempDir& dir, const Kind& kind, int seconds) {
  fs::last_write_time(dir.file(kind.file),
                      fs::file_time_type::clock::now() - std::chrono::seconds(seconds));
}

// ASCII letters to upper case, GBK characters kept whole: the comparison the walk makes.
std::string folded(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x81 && i + 1 < s.size()) {
      out += s.substr(i, 2);
      ++i;
    } else {
      out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
  }
  return out;
}

// The record a walk from the first record finds, 0 when none; the cursor ends past the last.
long walked(Table& t, const std::string& field, const std::function<bool(const Value&)>& matches) {
  for (t.first(); !t.eof(); t.next())
    if (matches(t.fieldByName(field).value())) return t.recNo();
  return 0;
}

long located(Table& t, const std::string& field, const Value& value, unsigned options) {
  return t.locate(field, value, options) ? t.recNo() : 0;
}

// Every probe, whole and as a leading part, and a few numbers and dates, against the walk.
void expectLikeWalk(Table& t, const std::string& when) {
  for (const std::string& probe : probes()) {
    for (const bool leading : {false, true}) {
      const std::string want = folded(probe);
      const long expected = walked(t, "CODE", [&](const Value& v) {
        if (v.isNull()) return false;
        const std::string have = folded(v.textValue());
        return leading ? have.starts_with(want) : have == want;
      });
      const unsigned options = loCaseInsensitive | (leading ? loPartialKey : 0);
      EXPECT_EQ(located(t, "CODE", Value::text(probe), options), expected)
          << when << ": '" << probe << "'" << (leading ? " as a leading part" : "");
    }
  }
  for (const int n : {5, 10, 11}) {
    const long expected =
        walked(t, "NUM", [&](const Value& v) { return !v.isNull() && toNumber(v) == n; });
    EXPECT_EQ(located(t, "NUM", Value::integer(n), loCaseInsensitive | loPartialKey), expected)
        << when << ": NUM " << n;
    EXPECT_EQ(located(t, "DAY", Value::dateTime(encodeDate(2024, 3, n + 1)), loCaseInsensitive),
              walked(t, "DAY",
                     [&](const Value& v) {
                       return !v.isNull() && toNumber(v) == encodeDate(2024, 3, n + 1);
                     }))
        << when << ": DAY " << n;
  }
}

class CaselessLocate : public testing::TestWithParam<Kind> {
 protected:
  bool indexed() const { return kind().type != TableType::ttASCII; }
  const Kind& kind() const { return GetParam(); }

  void SetUp() override {
    Table t;
    point(t, dir_, kind().file, kind().type);
    t.fieldDefs().add("ID", FieldType::ftInteger);
    t.fieldDefs().add("CODE", FieldType::ftString, 12);
    t.fieldDefs().add("NUM", FieldType::ftInteger);
    t.fieldDefs().add("GRP", FieldType::ftString, 4);
    t.fieldDefs().add("DAY", FieldType::ftDate);
    if (kind().type == TableType::ttParadox) t.indexDefs().add({"", "ID", "", ixPrimary});
    if (indexed()) {
      t.indexDefs().add({"BYNUM", "NUM", "", 0});
      t.indexDefs().add({"BYGRP", "GRP", "", 0});
    }
    t.createTable();
    t.open();
    int id = 0;
    for (const Row& row : rows()) fill(t, row, ++id);
    t.close();
    age(dir_, kind(), 60);
  }

  void open(Table& t) {
    point(t, dir_, kind().file, kind().type);
    t.setExclusive(kind().exclusive);
    t.open();
  }

  TempDir dir_;
};

TEST_P(CaselessLocate, FindsWhatTheWalkFindsInNaturalOrder) {
  Table t;
  open(t);
  expectLikeWalk(t, "as opened");
  expectLikeWalk(t, "again, from the kept keys");
}

TEST_P(CaselessLocate, FollowsChangesMadeThroughTheCursor) {
  Table t;
  open(t);
  expectLikeWalk(t, "as opened");
  t.last();
  fill(t, {"APRICOT", 11, "B"}, 100);
  fill(t, {"Zz", 12, "A"}, 101);
  expectLikeWalk(t, "after appends");
  ASSERT_TRUE(t.locate("CODE", Value::text("apple"), loCaseInsensitive));
  t.edit();
  t.fieldByName("CODE").setAsString("zZ");
  t.fieldByName("NUM").setValue(Value::integer(11));
  t.post();
  ASSERT_TRUE(t.locate("CODE", Value::text("banana"), loCaseInsensitive));
  t.edit();
  t.fieldByName("CODE").setAsString("applex");
  t.post();
  expectLikeWalk(t, "after edits of the key");
  ASSERT_TRUE(t.locate("CODE", Value::text("apple"), loCaseInsensitive));
  t.deleteRecord();
  ASSERT_TRUE(t.locate("CODE", Value::text(gbk("苹果")), loCaseInsensitive | loPartialKey));
  t.deleteRecord();
  expectLikeWalk(t, "after deletes");
}

TEST_P(CaselessLocate, TakesTheFirstInIndexOrderUnderAFilterAndAMastersRange) {
  if (!indexed()) GTEST_SKIP() << "text tables have no indexes";
  Table t;
  open(t);
  expectLikeWalk(t, "natural order");
  t.setIndexFieldNames("NUM");
  expectLikeWalk(t, "NUM order");
  t.setFilter("NUM>2");
  t.setFiltered(true);
  expectLikeWalk(t, "NUM order, filtered");
  t.setFiltered(false);

  TempDir masters;
  Table m;
  point(m, masters, "m.dbf");
  m.fieldDefs().add("GRP", FieldType::ftString, 4);
  m.createTable();
  m.open();
  for (const char* g : {"A", "B", "Q"}) {
    m.append();
    m.fieldByName("GRP").setAsString(g);
    m.post();
  }
  t.setIndexFieldNames("GRP");
  t.setMasterFields("GRP");
  t.setMasterSource(&m);
  for (m.first(); !m.eof(); m.next()) expectLikeWalk(t, "group " + m.fieldByName("GRP").asString());
  t.setMasterSource(nullptr);
}

TEST_P(CaselessLocate, FindsThroughATagOfTheFieldInUpperCase) {
  if (!indexed() || kind().type == TableType::ttParadox)
    GTEST_SKIP() << "only dBASE and FoxPro tables have expression tags";
  for (const unsigned direction : {0u, unsigned{ixDescending}}) {
    {
      Table t;
      point(t, dir_, kind().file, kind().type);
      t.setExclusive(true);
      t.open();
      t.addIndex({"UPCODE", "", "UPPER(CODE)", ixExpression | direction});
    }
    Table t;
    open(t);
    expectLikeWalk(t, "natural order");
    t.setIndexFieldNames("NUM");
    expectLikeWalk(t, "NUM order");
    fill(t, {"apPLE", 14, "A"}, 300);
    ASSERT_TRUE(t.locate("CODE", Value::text("banana"), loCaseInsensitive));
    t.edit();
    t.fieldByName("CODE").setAsString("Apricots");
    t.post();
    expectLikeWalk(t, "after an append and an edit");
  }
}

TEST_P(CaselessLocate, SeesWhatAnotherHolderChanged) {
  if (kind().exclusive) GTEST_SKIP() << "nobody else holds an exclusive open";
  Table t, other;
  open(t);
  open(other);
  expectLikeWalk(t, "before the other holder's change");
  // The first "apple" stops being one and a record after it becomes one.
  ASSERT_TRUE(other.locate("CODE", Value::text("Apple")));
  other.edit();
  other.fieldByName("CODE").setAsString("plum");
  other.post();
  ASSERT_TRUE(other.locate("CODE", Value::text("apricot")));
  other.edit();
  other.fieldByName("CODE").setAsString("aPPle");
  other.post();
  // A text table shows another holder's change once it reads the file again.
  if (kind().type == TableType::ttASCII) t.refresh();
  expectLikeWalk(t, "just after the change");
  age(dir_, kind(), 30);
  expectLikeWalk(t, "once the change has settled");
}

TEST_P(CaselessLocate, TriesBufferedChangesAsTheBufferHasThem) {
  if (kind().type == TableType::ttASCII) GTEST_SKIP() << "text tables buffer no changes";
  Table t;
  open(t);
  t.setCachedUpdates(true);
  expectLikeWalk(t, "nothing buffered");
  ASSERT_TRUE(t.locate("CODE", Value::text("apricot"), loCaseInsensitive));
  t.edit();
  t.fieldByName("CODE").setAsString("APPLE");
  t.post();
  ASSERT_TRUE(t.locate("CODE", Value::text("Apple"), loCaseInsensitive));
  t.edit();
  t.fieldByName("CODE").setAsString("cherry");
  t.post();
  fill(t, {"aPpLe", 13, "A"}, 200);
  ASSERT_TRUE(t.locate("CODE", Value::text("banana"), loCaseInsensitive));
  t.deleteRecord();
  expectLikeWalk(t, "changes buffered");
  t.setIndexFieldNames("NUM");
  expectLikeWalk(t, "changes buffered, NUM order");
  t.cancelUpdates();
  expectLikeWalk(t, "changes dropped");
  t.setIndexFieldNames("");
  expectLikeWalk(t, "changes dropped, natural order");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CaselessLocate,
    testing::Values(Kind{"dBASE_shared", TableType::ttDBase, "k.dbf", false},
                    Kind{"dBASE_exclusive", TableType::ttDBase, "k.dbf", true},
                    Kind{"FoxPro_shared", TableType::ttFoxPro, "k.dbf", false},
                    Kind{"FoxPro_exclusive", TableType::ttFoxPro, "k.dbf", true},
                    Kind{"Paradox_shared", TableType::ttParadox, "k.db", false},
                    Kind{"Paradox_exclusive", TableType::ttParadox, "k.db", true},
                    Kind{"text_shared", TableType::ttASCII, "k.txt", false},
                    Kind{"text_exclusive", TableType::ttASCII, "k.txt", true}),
    nameOf);

// A leading part means nothing to a number: it is found by its whole value, with or without case,
// also when the order's key writes it as text.
TEST(Locate, APartialKeyOnANumberComparesTheWholeValue) {
  TempDir dir;
  Table t;
  point(t, dir, "n.dbf");
  t.fieldDefs().add("NUM", FieldType::ftInteger);
  t.fieldDefs().add("CODE", FieldType::ftString, 6);
  t.indexDefs().add({"MIXED", "", "STR(NUM,11,0)+CODE", ixExpression});
  t.createTable();
  t.open();
  for (const auto& [num, code] : {std::pair{15, "b"}, {5, "a"}, {5, "c"}, {50, "d"}}) {
    t.append();
    t.fieldByName("NUM").setValue(Value::integer(num));
    t.fieldByName("CODE").setAsString(code);
    t.post();
  }
  t.setIndexName("MIXED");
  for (const unsigned options : {0u, unsigned{loPartialKey}, loPartialKey | loCaseInsensitive}) {
    EXPECT_EQ(located(t, "NUM", Value::integer(5), options), 2) << options;
    EXPECT_EQ(located(t, "NUM", Value::integer(1), options), 0) << options;
  }
}

}  // namespace
}  // namespace tdb
