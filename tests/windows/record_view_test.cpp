// The single-record view of a table window: controls generated per column and placed by the
// layout rules, bound to the current record, writable in edit state, gone again in the grid view.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>

#include "app/ui/field_controls.h"
#include "app/ui/table_model.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

TEST(RecordView, ControlsPerColumnFollowTheRecordAndTheEditState) {
  test::Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  w.open("s.dbf");
  test::User& u = w.user;
  WindowSlot& slot = w.slot(0);
  TForm11& window = *slot.window;

  u.menu(QStringLiteral("多记录模式显示"));  // already the grid view: nothing
  EXPECT_EQ(window.viewMode(), 0);
  u.menu(QStringLiteral("单记录模式显示"));
  ASSERT_EQ(window.viewMode(), 1);
  ASSERT_EQ(slot.edits.size(), 1u);
  ASSERT_EQ(slot.edits[0].size(), 5u);  // NAME PRICE QTY DAY OK
  ASSERT_EQ(slot.memos[0].size(), 1u);  // NOTE
  EXPECT_TRUE(slot.images[0].empty());
  EXPECT_EQ(slot.editlabels[0][0]->text(), QStringLiteral("NAME:"));
  EXPECT_EQ(slot.editlabels[0][0]->pos(), QPoint(3, 3));  // no pictures: the first label at 3,3
  EXPECT_EQ(slot.editslots[0][0], std::make_pair('e', 0));
  EXPECT_EQ(slot.memolabels[0][0]->text(), QStringLiteral("NOTE:"));
  EXPECT_TRUE(window.nextButton()->isVisible());
  EXPECT_FALSE(window.appendButton()->isEnabled());  // browse state
  auto* name = qobject_cast<FieldEdit*>(u.field(QStringLiteral("NAME")));
  ASSERT_EQ(name, slot.edits[0][0]);
  EXPECT_EQ(name->text(), QStringLiteral("R1"));
  EXPECT_TRUE(name->isReadOnly());
  u.windowButton(QStringLiteral("后一记录"));
  EXPECT_EQ(name->text(), QStringLiteral("R2"));
  u.menu(QStringLiteral("单记录模式显示"));  // a second time changes nothing
  EXPECT_EQ(slot.edits[0].size(), 5u);

  // In edit state what is typed goes into the record; back in the grid view it is stored.
  u.menu(QStringLiteral("进入编辑状态"));
  EXPECT_FALSE(name->isReadOnly());
  EXPECT_TRUE(window.appendButton()->isEnabled());
  EXPECT_EQ(test::User::focus(), window.appendButton());
  u.clickInto(name);
  u.press(Qt::Key_A, Qt::ControlModifier);
  u.type(QStringLiteral("NEW"));
  u.press(Qt::Key_Return);  // on to PRICE: the name goes into the record
  EXPECT_EQ(window.table().state(), tdb::DataSetState::dsEdit);
  u.menu(QStringLiteral("多记录模式显示"));
  EXPECT_EQ(window.viewMode(), 0);
  EXPECT_TRUE(slot.edits.empty());
  EXPECT_FALSE(window.nextButton()->isVisible());
  EXPECT_EQ(w.stored("s.dbf"), "R1 NEW R3 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(RecordView, AColumnWithAPickListOffersItAsADropDown) {
  test::Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 2);
  w.open("s.dbf");
  test::User& u = w.user;
  WindowSlot& slot = w.slot(0);
  auto* model = static_cast<TableModel*>(slot.pagegrids[0]->model());
  model->setColumns(
      {{1, QStringLiteral("PRICE"), {}, {}},
       {0, QStringLiteral("NAME"), {QStringLiteral("R1"), QStringLiteral("R9")}, {}}});

  // In the grid, editing the column opens a drop-down of its list.
  u.menu(QStringLiteral("进入编辑状态"));
  u.doubleClickCell(0, 1);
  // The focus is on the drop-down, or on its line edit.
  auto comboInFocus = [] {
    QWidget* f = test::User::focus();
    auto* c = qobject_cast<QComboBox*>(f);
    return c ? c : qobject_cast<QComboBox*>(f->parentWidget());
  };
  QComboBox* combo = comboInFocus();
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->count(), 2);
  u.press(Qt::Key_Escape);
  u.doubleClickCell(0, 0);
  EXPECT_TRUE(qobject_cast<QLineEdit*>(test::User::focus()));
  EXPECT_EQ(comboInFocus(), nullptr);
  u.press(Qt::Key_Escape);

  // In the single-record view, a combo box in its place among the edit fields.
  u.menu(QStringLiteral("单记录模式显示"));
  ASSERT_EQ(slot.editslots[0].size(), 2u);
  EXPECT_EQ(slot.editslots[0][0], std::make_pair('e', 0));
  EXPECT_EQ(slot.editslots[0][1], std::make_pair('c', 0));
  ASSERT_EQ(slot.combos[0].size(), 1u);
  EXPECT_EQ(u.field(QStringLiteral("NAME")), slot.combos[0][0]);
  EXPECT_EQ(slot.combos[0][0]->count(), 2);
  EXPECT_EQ(slot.combos[0][0]->currentText(), QStringLiteral("R1"));

  // A new record takes the item the combo box showed.
  u.windowButton(QStringLiteral("增加记录"));
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R1 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace torvanel
