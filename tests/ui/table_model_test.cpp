// The grid's model over a real table: rows read from the cursor as a view asks for them, columns
// from the fields or chosen, and the views told exactly which rows changed.

#include "app/ui/table_model.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QSignalSpy>
#include <QTableView>

#include "tests/engine/table_fixture.h"

namespace torvanel {
namespace {

using tdb::Table;
using tdb::Value;

QString cell(const TableModel& m, int row, int column) {
  return m.data(m.index(row, column)).toString();
}

TEST(TableModel, RowsComeFromTheCursorInItsOrder) {
  tdb::test::TempDir dir;
  tdb::test::makeSample(dir, "s.dbf", 1000);
  Table t;
  tdb::test::point(t, dir, "s.dbf");
  t.open();
  TableSource source(t);
  TableModel model(source);
  EXPECT_EQ(model.rowCount(), 1000);
  ASSERT_EQ(model.columnCount(), 6);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "NAME");
  EXPECT_EQ(model.headerData(4, Qt::Vertical).toInt(), 5);
  EXPECT_EQ(cell(model, 999, 0), "R1000");  // the last row first: no walk from the top needed
  EXPECT_EQ(cell(model, 0, 0), "R1");
  EXPECT_EQ(cell(model, 499, 1), "750");  // the engine's display text of 750.00
  EXPECT_EQ(cell(model, 2, 5), "memo 3");
  EXPECT_EQ(model.data(model.index(0, 0), Qt::EditRole).toString(), "R1");
  EXPECT_EQ(model.data(model.index(0, 0), Qt::ToolTipRole), QVariant());

  // A delete through the cursor removes that row and keeps the others; the row of the current
  // record follows it. A filter changes every row.
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
  ASSERT_TRUE(t.locate("NAME", Value::text("R2")));
  EXPECT_EQ(model.currentRow(), 1);
  t.deleteRecord();
  EXPECT_EQ(resets.count(), 0);
  ASSERT_EQ(removed.count(), 1);
  EXPECT_EQ(removed[0][1].toInt(), 1);
  EXPECT_EQ(model.rowCount(), 999);
  EXPECT_EQ(cell(model, 1, 0), "R3");
  EXPECT_EQ(model.currentRow(), 1);
  t.setFilter("QTY > 990");
  t.setFiltered(true);
  EXPECT_EQ(model.rowCount(), 10);
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(cell(model, 0, 0), "R991");

  // Chosen columns with their own titles.
  model.setColumns({{2, QString::fromUtf8("数量"), {}}, {0, QString::fromUtf8("名称"), {}}});
  EXPECT_EQ(model.columnCount(), 2);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("名称"));
  EXPECT_EQ(cell(model, 9, 0), "1000");
}

TEST(TableModel, AViewScrolledToTheEndShowsTheLastRows) {
  tdb::test::TempDir dir;
  tdb::test::makeSample(dir, "s.dbf", 3000);
  Table t;
  tdb::test::point(t, dir, "s.dbf");
  t.open();
  TableSource source(t);
  TableModel model(source);
  QTableView view;
  view.resize(400, 300);
  view.setModel(&model);
  view.show();
  view.scrollToBottom();
  QApplication::processEvents();
  const QModelIndex last = view.indexAt(QPoint(5, view.viewport()->height() - 5));
  ASSERT_TRUE(last.isValid());
  EXPECT_GT(last.row(), 2950);
  EXPECT_EQ(last.data().toString(), "R" + QString::number(last.row() + 1));
}

}  // namespace
}  // namespace torvanel
