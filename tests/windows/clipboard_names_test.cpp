// The record clipboard table is made beside the table the records come from: when its memo or
// index file would be another table's there, it is refused and nothing is cut.

#include <gtest/gtest.h>

#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

TEST(ClipboardNames, AClipboardWhoseMemoFileIsAnotherTablesIsRefusedAndNothingIsCut) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  // TABLELINSHI.DBT belongs to this table: tablelinshi.dbf would take it as its own memo file.
  tdb::test::makeSample(w.data, "TABLELINSHI.DBF", 3);
  const std::string memo = w.data.read("TABLELINSHI.DBT");
  w.open("s.dbf");
  test::User& u = w.user;
  u.menu(QStringLiteral("进入编辑状态"));
  u.ctrlClickRows({0, 1});
  u.menu(QStringLiteral("剪切"));
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 ");
  EXPECT_EQ(w.stored("TABLELINSHI.DBF", "NOTE"), "  memo 3 ");
  EXPECT_EQ(w.data.read("TABLELINSHI.DBT"), memo);
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("粘贴")));
}

}  // namespace
}  // namespace torvanel
