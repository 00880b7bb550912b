// The group-by summary and the copies the utilities make, over real tables of each format.

#include <gtest/gtest.h>

#include "engine/engine_error.h"
#include "engine/summary.h"
#include "tests/engine/folder_snapshot.h"
#include "tests/engine/table_fixture.h"

namespace tdb::test {
namespace {

// KEY C(4), AMOUNT as `amountType`, COUNT N(4,0) (ftSmallint), FIRST C(6): one record per row,
// a null amount or count where the row gives none.
struct Row {
  const char* key;
  std::optional<double> amount;
  std::optional<int> count;
  const char* first;
};

void makeRows(const TempDir& dir, const std::string& name, const std::vector<Row>& rows,
              FieldType amountType = FieldType::ftFloat) {
  Table t;
  point(t, dir, name);
  t.fieldDefs().add("KEY", FieldType::ftString, 4);
  if (amountType == FieldType::ftFloat)
    t.fieldDefs().add({"AMOUNT", FieldType::ftFloat, 10, 2, false});
  else
    t.fieldDefs().add("AMOUNT", amountType);
  t.fieldDefs().add("COUNT", FieldType::ftSmallint);
  t.fieldDefs().add("FIRST", FieldType::ftString, 6);
  t.createTable();
  t.open();
  for (const Row& r : rows) {
    t.append();
    t.field(0).setAsString(r.key);
    if (r.amount) t.field(1).setValue(Value::number(*r.amount));
    if (r.count) t.field(2).setValue(Value::integer(*r.count));
    t.field(3).setAsString(r.first);
    t.post();
  }
}

// Every visible record as "field|field|..." with the engine's display text.
std::vector<std::string> rowsOf(const TempDir& dir, const std::string& name) {
  Table t;
  point(t, dir, name);
  t.open();
  std::vector<std::string> out(static_cast<size_t>(t.recordCount()));
  for (std::string& line : out) {
    for (int i = 0; i < t.fieldCount(); ++i) line += (i ? "|" : "") + t.field(i).asString();
    t.next();
  }
  return out;
}

long summarize(const TempDir& dir, Table& source, std::vector<int> by, const std::string& out) {
  if (!source.active()) source.open();
  Summary summary(source, std::move(by), dir.file(out), TableType::ttDefault);
  return summary.run();
}

const std::vector<Row> kRuns = {
    {"A", 1.5, 1, "a1"}, {"A", 2.25, 2, "a2"}, {"B", {}, 3, "b1"},
    {"A", 4, {}, "a3"},  {"B", {}, {}, "b2"},  {"B", 1, 5, "b3"},
};

TEST(Summary, OneRecordPerRunAddingNumbersAndKeepingTheFirstOfTheRestInEveryFormat) {
  for (const char* out : {"sum.dbf", "sum.db", "sum.txt"}) {
    SCOPED_TRACE(out);
    TempDir dir;
    makeRows(dir, "src.dbf", kRuns);
    Table source;
    point(source, dir, "src.dbf");
    // Natural order: A comes in two separate runs and gives two records; a lone blank stays
    // blank, a blank in a longer run counts 0.
    EXPECT_EQ(summarize(dir, source, {0}, out), 4);
    EXPECT_EQ(rowsOf(dir, out),
              (std::vector<std::string>{"A|3.75|3|a1", "B||3|b1", "A|4||a3", "B|1|5|b2"}));
  }
}

TEST(Summary, FollowsTheCursorsOrderAndFilterAndEveryFieldChosenGivesTheDistinctRuns) {
  TempDir dir;
  makeRows(dir, "src.dbf", kRuns);
  addIndex(dir, "src.dbf", {"BYKEY", "KEY", "", 0});
  Table source;
  point(source, dir, "src.dbf");
  source.setIndexName("BYKEY");
  source.setFilter("FIRST<>'b3'");
  source.setFiltered(true);
  EXPECT_EQ(summarize(dir, source, {0}, "sum.dbf"), 2);
  EXPECT_EQ(rowsOf(dir, "sum.dbf"), (std::vector<std::string>{"A|7.75|3|a1", "B|0|3|b1"}));
  // The summary leaves the source at its end; the caller puts it back.
  EXPECT_TRUE(source.eof());

  Table all;
  point(all, dir, "src.dbf");
  EXPECT_EQ(summarize(dir, all, {3, 2, 1, 0}, "all.dbf"), 6);
}

TEST(Summary, CurrencyAndAutoIncrementAreNotAddedAndTheOutputNumbersItsOwn) {
  TempDir dir;
  {
    Table t;
    point(t, dir, "src.db");
    for (const FieldDef& f : {FieldDef{"KEY", FieldType::ftString, 4},
                              {"PRICE", FieldType::ftCurrency},
                              {"ID", FieldType::ftAutoInc},
                              {"N", FieldType::ftInteger}})
      t.fieldDefs().add(f);
    t.createTable();
    t.open();
    for (int i = 1; i <= 5; ++i) {
      t.append();
      t.field(0).setAsString(i <= 3 ? "X" : "Y");
      t.field(1).setValue(Value::number(i * 10));
      t.field(3).setValue(Value::integer(i));
      t.post();
    }
  }
  Table source;
  point(source, dir, "src.db");
  EXPECT_EQ(summarize(dir, source, {0}, "sum.db"), 2);
  EXPECT_EQ(rowsOf(dir, "sum.db"), (std::vector<std::string>{"X|10|1|6", "Y|40|2|9"}));
}

TEST(Summary, ASumItsFieldCannotHoldLeavesNoOutputAndNamesFieldAndGroup) {
  TempDir dir;
  makeRows(dir, "src.dbf", {{"A", 1, 1, "a"}, {"B", 1, 6000, "b"}, {"B", 1, 6000, "c"}});
  makeRows(dir, "old.dbf", {{"Z", 9, 9, "z"}});
  const FolderSnapshot before(dir.path());
  Table source;
  point(source, dir, "src.dbf");
  for (const char* out : {"new.dbf", "old.dbf"}) {
    try {
      summarize(dir, source, {0}, out);
      FAIL() << "a sum of 12000 went into N(4,0)";
    } catch (const EngineError& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find("第2组(KEY=B)"), std::string::npos) << what;
      EXPECT_NE(what.find("[COUNT]"), std::string::npos) << what;
    }
  }
  // Nothing new beside the tables, and the table the summary would have replaced is as it was.
  EXPECT_EQ(FolderSnapshot(dir.path()), before);
}

TEST(Summary, RefusesAnEmptySourceNoFieldsAndTheSourceItselfWritingNothing) {
  TempDir dir;
  makeRows(dir, "src.dbf", kRuns);
  makeRows(dir, "empty.dbf", {});
  const FolderSnapshot before(dir.path());
  Table empty, source;
  point(empty, dir, "empty.dbf");
  point(source, dir, "src.dbf");
  EXPECT_THROW(
      {
        try {
          summarize(dir, empty, {0}, "sum.dbf");
        } catch (const EngineError& e) {
          EXPECT_STREQ(e.what(), kSummaryNoRecords);
          throw;
        }
      },
      EngineError);
  EXPECT_THROW(
      {
        try {
          summarize(dir, source, {}, "sum.dbf");
        } catch (const EngineError& e) {
          EXPECT_STREQ(e.what(), kSummaryNoFields);
          throw;
        }
      },
      EngineError);
  EXPECT_THROW(summarize(dir, source, {0}, "src.dbf"), EngineError);
  EXPECT_EQ(FolderSnapshot(dir.path()), before);
}

TEST(Copies, AnIndexedCopyCarriesTheIndexesAndTheCursorsRecordsInItsOrder) {
  TempDir dir;
  makeRows(dir, "src.dbf", kRuns);
  addIndex(dir, "src.dbf", {"BYFIRST", "FIRST", "", ixDescending});
  Table source, copy;
  point(source, dir, "src.dbf");
  source.setIndexName("BYFIRST");
  source.setFilter("KEY='B'");
  source.setFiltered(true);
  source.open();
  point(copy, dir, "copy.dbf");
  copy.indexDefs().add({"BYFIRST", "FIRST", "", ixDescending});
  std::vector<long> heard;
  copy.batchMove(source, BatchMode::batCopyIndexed, nullptr, [&](long k) { heard.push_back(k); });
  EXPECT_EQ(heard, (std::vector<long>{1, 2, 3}));
  copy.close();
  EXPECT_EQ(rowsOf(dir, "copy.dbf"), (std::vector<std::string>{"B|1|5|b3", "B|||b2", "B||3|b1"}));
  copy.open();
  ASSERT_EQ(copy.indexDefs().count(), 1);
  EXPECT_EQ(copy.indexDefs()[0].name, "BYFIRST");
}

TEST(Copies, AppendingATableIntoItselfStopsAtTheCountItStartedWith) {
  for (const char* name : {"self.dbf", "self.db", "self.txt"}) {
    SCOPED_TRACE(name);
    TempDir dir;
    makeRows(dir, name, kRuns);
    Table source, dest;
    point(source, dir, name);
    point(dest, dir, name);
    long moved = 0;
    dest.batchMove(source, BatchMode::batAppend, &moved);
    EXPECT_EQ(moved, 6);
    EXPECT_EQ(rowsOf(dir, name).size(), 12u);
  }
}

}  // namespace
}  // namespace tdb::test
