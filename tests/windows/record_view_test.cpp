// The single-record view of a table window: controls generated per column and placed by the
// layout rules, bound to the current record, writable in edit state, gone again in the grid view.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
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
  WindowEngine* engine = w.engine;
  WindowSlot& slot = engine->registry()[0];
  TForm11& window = *slot.window;

  engine->mmodal();  // already the grid view: nothing
  EXPECT_EQ(window.viewMode(), 0);
  engine->smodal();
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
  FieldEdit* name = slot.edits[0][0];
  EXPECT_EQ(name->text(), QStringLiteral("R1"));
  EXPECT_TRUE(name->isReadOnly());
  engine->nextrecord();
  EXPECT_EQ(name->text(), QStringLiteral("R2"));
  engine->smodal();  // a second time changes nothing
  EXPECT_EQ(slot.edits[0].size(), 5u);

  // In edit state what is typed goes into the record; back in the grid view it is posted.
  engine->enteredit();
  EXPECT_FALSE(name->isReadOnly());
  EXPECT_TRUE(window.appendButton()->isEnabled());
  name->setText(QStringLiteral("NEW"));
  emit name->editingFinished();
  EXPECT_EQ(window.table().state(), tdb::DataSetState::dsEdit);
  engine->mmodal();
  EXPECT_EQ(window.viewMode(), 0);
  EXPECT_EQ(window.table().state(), tdb::DataSetState::dsBrowse);
  EXPECT_TRUE(slot.edits.empty());
  EXPECT_FALSE(window.nextButton()->isVisible());
  tdb::Table t;
  tdb::test::point(t, w.data, "s.dbf");
  t.open();
  t.next();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "NEW");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(RecordView, AColumnWithAPickListOffersItAsADropDown) {
  test::Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 2);
  w.open("s.dbf");
  WindowEngine* engine = w.engine;
  WindowSlot& slot = engine->registry()[0];
  QTableView* grid = slot.pagegrids[0];
  auto* model = static_cast<TableModel*>(grid->model());
  model->setColumns({{1, QStringLiteral("PRICE"), {}},
                     {0, QStringLiteral("NAME"), {QStringLiteral("R1"), QStringLiteral("R9")}}});

  // In the grid, editing the column opens a drop-down of its list.
  QStyleOptionViewItem option;
  std::unique_ptr<QWidget> editor(
      grid->itemDelegate()->createEditor(grid->viewport(), option, model->index(0, 1)));
  auto* combo = qobject_cast<QComboBox*>(editor.get());
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->count(), 2);
  std::unique_ptr<QWidget> plain(
      grid->itemDelegate()->createEditor(grid->viewport(), option, model->index(0, 0)));
  EXPECT_EQ(qobject_cast<QComboBox*>(plain.get()), nullptr);

  // In the single-record view, a combo box in its place among the edit fields.
  engine->smodal();
  ASSERT_EQ(slot.editslots[0].size(), 2u);
  EXPECT_EQ(slot.editslots[0][0], std::make_pair('e', 0));
  EXPECT_EQ(slot.editslots[0][1], std::make_pair('c', 0));
  ASSERT_EQ(slot.combos[0].size(), 1u);
  EXPECT_EQ(slot.combos[0][0]->count(), 2);
  EXPECT_EQ(slot.combos[0][0]->currentText(), QStringLiteral("R1"));
  EXPECT_EQ(slot.editlabels[0][1]->text(), QStringLiteral("NAME:"));

  // A new record takes the item the combo box showed.
  engine->enteredit();
  engine->appendrecord();
  tdb::Table& t = slot.window->table();
  EXPECT_EQ(t.state(), tdb::DataSetState::dsInsert);
  EXPECT_EQ(t.fieldByName("NAME").asString(), "R1");
  t.cancel();
}

}  // namespace
}  // namespace torvanel
