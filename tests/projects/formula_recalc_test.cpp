// The recalculation walk on real tables: which records it stores, how often, and how it ends.

#include <gtest/gtest.h>

#include <memory>

#include "app/common/gbk_string.h"
#include "app/projects/formula_evaluation.h"
#include "app/projects/recalculation.h"
#include "engine/convert.h"
#include "tests/engine/table_fixture.h"
#include "tests/projects/formula_tables.h"

namespace torvanel {
namespace {

using tdb::FieldType;
using tdb::Value;
using test::field;
using test::text;

// A master table, the formulas installed on it, and a walk that records its progress.
class RecalcWalk : public ::testing::Test {
 protected:
  void useFormulas(const QList<FieldFormula>& formulas, const QList<AuxiliaryTable>& aux = {}) {
    ProjectTables project;
    project.master = master.get();
    project.auxdefs = aux;
    for (int i = 0; i < aux.size(); ++i) project.auxtables.push_back(nullptr);
    project.formulas = formulas;
    evaluator = std::make_unique<FormulaEvaluator>(project, [](const QString&) { return false; });
    evaluator->installAsBeforePost();
  }

  RecalcResult run() {
    progress.clear();
    return recalculate(*evaluator, [this](long done, long total) {
      progress.push_back({done, total});
    });
  }

  test::FormulaTables tables;
  std::unique_ptr<tdb::Table> master;
  std::unique_ptr<FormulaEvaluator> evaluator;
  std::vector<std::pair<long, long>> progress;
};

class Recalc : public RecalcWalk {
 protected:
  // MASTER: A N(8,0) with an index on A, B C(10); A from 1 to `rows`, B "r" + A.
  void SetUp() override {
    std::vector<test::FieldValues> rows;
    for (int i = 1; i <= 5; ++i)
      rows.push_back({{"A", Value::number(i)}, {"B", text(QString("r%1").arg(i))}});
    tables.create("MASTER.DBF",
                  {field("A", FieldType::ftFloat, 8, 0), field("B", FieldType::ftString, 10)},
                  rows);
    tables.addIndex("MASTER.DBF", {"A", "A", "", 0});
    master = tables.open("MASTER.DBF");
    master->setIndexName("A");
  }

  // A of every record in record-number order, as a second cursor reads the file.
  std::vector<double> storedA() const {
    auto t = tables.open("MASTER.DBF");
    std::vector<double> out;
    for (t->first(); !t->eof(); t->next()) out.push_back(tdb::toNumber(test::valueOf(*t, "A")));
    return out;
  }
};

TEST_F(Recalc, StoresEveryRecordOnceWhenAFormulaMovesItInTheOrder) {
  useFormulas({{"A", "A＋(10)"}});  // each stored record moves to the end of the order
  const RecalcResult r = run();
  EXPECT_TRUE(r.ok()) << r.error.toStdString();
  EXPECT_FALSE(r.stopped);
  EXPECT_EQ(r.stored, 5);
  EXPECT_EQ(r.total, 5);
  EXPECT_EQ(storedA(), (std::vector<double>{11, 12, 13, 14, 15}));
  EXPECT_EQ(progress, (std::vector<std::pair<long, long>>{{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}));
  EXPECT_EQ(master->recNo(), 1);  // back on the first record
  EXPECT_EQ(master->state(), tdb::DataSetState::dsBrowse);
}

TEST_F(Recalc, StoresTheFilteredRecordsOnceWhenSomeLeaveTheFilter) {
  {
    auto t = tables.open("MASTER.DBF");  // a sixth record, A blank: outside the filter
    t->append();
    t->post();
  }
  master->refresh();
  master->setIndexName("");
  master->setFilter("A < 13");
  master->setFiltered(true);
  useFormulas({{"A", "A＋(10)"}});  // 11 and 12 stay in the filter, 13 to 15 leave it
  const RecalcResult r = run();
  EXPECT_EQ(r.stored, 5);
  EXPECT_EQ(storedA(), (std::vector<double>{11, 12, 13, 14, 15, 0}));
  EXPECT_EQ(master->recordCount(), 2);
}

TEST_F(Recalc, AnEmptyTableStoresNothing) {
  {
    auto t = tables.open("MASTER.DBF");
    for (t->first(); !t->eof();) t->deleteRecord();
  }
  master->refresh();
  useFormulas({{"A", "A＋(10)"}});
  const RecalcResult r = run();
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.stored, 0);
  EXPECT_TRUE(progress.empty());
}

TEST_F(Recalc, NoToTheLookupQuestionEndsTheWalkAfterTheRecordInHand) {
  AuxiliaryTable lookup = tables.entry("MASTER.DBF", kLookupRelation, "A->A");
  useFormulas({{"B", "(#s算过)"}}, {lookup});  // its table did not open: every store asks
  const RecalcResult r = run();
  EXPECT_TRUE(r.ok());
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.stored, 1);
  EXPECT_EQ(progress.size(), 1u);
  EXPECT_TRUE(evaluator->recalcStop());
  // A second walk starts afresh.
  EXPECT_EQ(run().stored, 1);
}

TEST_F(Recalc, AFailedStoreCancelsThatRecordAndEndsTheWalkWithTheEnginesMessage) {
  useFormulas({{"A", "A＋(10)"}});
  // Another holder changes record 3 after the walk has read it: storing over it would lose that
  // change, so the engine refuses.
  auto evaluate = master->beforePost;
  int stores = 0;
  master->beforePost = [&](tdb::Table& t) {
    ++stores;
    if (t.recNo() == 3 && stores == 3) {
      auto other = tables.open("MASTER.DBF");
      other->moveTo(3);
      other->edit();
      test::setFields(*other, {{"B", text("他人")}});
      other->post();
    }
    evaluate(t);
  };
  const RecalcResult r = run();
  EXPECT_FALSE(r.ok());
  EXPECT_FALSE(r.error.isEmpty());
  EXPECT_EQ(r.stored, 2);
  EXPECT_EQ(stores, 3);  // the failed record is not tried again
  EXPECT_EQ(master->state(), tdb::DataSetState::dsBrowse);
  EXPECT_EQ(storedA(), (std::vector<double>{11, 12, 3, 4, 5}));
  auto check = tables.open("MASTER.DBF");
  check->moveTo(3);
  EXPECT_EQ(fromGbk(test::valueOf(*check, "B").textValue()), "他人");
}

// A Paradox master keeps its records in key order when keyed, so a store that changes the key
// renumbers the records between its old and new places.
class RecalcParadox : public RecalcWalk {
 protected:
  // PEOPLE.DB: K N, N N, B C(10); when `keyed`, K is the primary key and B has an index;
  // K from 1 to 5, N 0, B "r" + (6 - K), so that the order on B runs against the key.
  void make(bool keyed) {
    evaluator.reset();
    master.reset();
    std::vector<test::FieldValues> rows;
    for (int k = 1; k <= 5; ++k)
      rows.push_back({{"K", Value::number(k)},
                      {"N", Value::number(0)},
                      {"B", text(QString("r%1").arg(6 - k))}});
    std::vector<tdb::IndexDef> key;
    if (keyed) key.push_back({"", "K", "", tdb::ixPrimary});
    tables.create("PEOPLE.DB",
                  {field("K", FieldType::ftFloat), field("N", FieldType::ftFloat),
                   field("B", FieldType::ftString, 10)},
                  rows, key);
    if (keyed) tables.addIndex("PEOPLE.DB", {"B", "B", "", 0});
    master = tables.open("PEOPLE.DB");
  }

  // "K N B" of every record in file order, as a second cursor reads them.
  std::vector<std::string> stored() const {
    auto t = tables.open("PEOPLE.DB");
    std::vector<std::string> out;
    for (t->first(); !t->eof(); t->next())
      out.push_back(QString("%1 %2 %3")
                        .arg(tdb::toNumber(test::valueOf(*t, "K")))
                        .arg(tdb::toNumber(test::valueOf(*t, "N")))
                        .arg(fromGbk(test::valueOf(*t, "B").textValue()))
                        .toStdString());
    return out;
  }
};

TEST_F(RecalcParadox, StoresEveryRecordOnceWhateverAFormulaDoesToTheKey) {
  struct Case {
    bool keyed;
    const char* order;
    const char* formula;
    std::vector<std::string> after;
  };
  const std::vector<std::string> up{"11 1 r5", "12 1 r4", "13 1 r3", "14 1 r2", "15 1 r1"};
  const std::vector<std::string> down{"-9 1 r5", "-8 1 r4", "-7 1 r3", "-6 1 r2", "-5 1 r1"};
  for (const Case& c : {Case{true, "", "K＋(10)", up}, Case{true, "", "K－(10)", down},
                        Case{true, "B", "K＋(10)", up}, Case{true, "B", "K－(10)", down},
                        Case{false, "", "K＋(10)", up}, Case{false, "", "K－(10)", down}}) {
    SCOPED_TRACE(std::string(c.keyed ? "keyed" : "unkeyed") + " order [" + c.order + "] " +
                 c.formula);
    make(c.keyed);
    if (*c.order) master->setIndexName(c.order);
    useFormulas({{"K", QString::fromUtf8(c.formula)}, {"N", "N＋(1)"}});
    const RecalcResult r = run();
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.stored, 5);
    EXPECT_EQ(r.total, 5);
    EXPECT_EQ(progress.size(), 5u);
    EXPECT_EQ(stored(), c.after);  // each record's N counts its stores
    EXPECT_EQ(master->position(), 1);
  }
}

TEST_F(RecalcParadox, AFormulaGivingTwoRecordsOneKeyStoresTheFirstAndStopsAtTheSecond) {
  make(true);
  master->setFilter("K < 3");  // the first record lands past the second, out of the filter
  master->setFiltered(true);
  useFormulas({{"K", "(99)"}, {"N", "N＋(1)"}});
  const RecalcResult r = run();
  EXPECT_FALSE(r.ok()) << "the key violation is a failed store";
  EXPECT_EQ(r.stored, 1);
  EXPECT_EQ(master->state(), tdb::DataSetState::dsBrowse);
  EXPECT_EQ(stored(),
            (std::vector<std::string>{"2 0 r4", "3 0 r3", "4 0 r2", "5 0 r1", "99 1 r5"}));
}

TEST_F(RecalcParadox, RecordsMovingOutOfTheFilterAreStoredOnce) {
  make(true);
  master->setFilter("K < 13");
  master->setFiltered(true);
  useFormulas({{"K", "K＋(10)"}, {"N", "N＋(1)"}});  // 11 and 12 stay in the filter
  const RecalcResult r = run();
  EXPECT_EQ(r.stored, 5);
  EXPECT_EQ(stored(),
            (std::vector<std::string>{"11 1 r5", "12 1 r4", "13 1 r3", "14 1 r2", "15 1 r1"}));
  EXPECT_EQ(master->recordCount(), 2);
}

}  // namespace
}  // namespace torvanel
