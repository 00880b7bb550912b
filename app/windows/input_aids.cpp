// The window engine's input aids: Enter and the page keys walk through the fields of the
// single-record view and Enter through its memos, Enter walks across a grid's row, Ctrl+click
// starts selecting rows, and a press on a picture or memo box marks it for the pop-up commands.

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>

#include "app/ui/dialogs.h"
#include "app/ui/field_controls.h"
#include "app/ui/table_model.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

bool WindowEngine::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::MouseButtonPress) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget) return false;
  // The slot whose window holds the widget.
  int owner = -1;
  for (int s : registry_.inUse())
    if (registry_[s].window->isAncestorOf(widget)) owner = s;
  if (owner < 0) return false;
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (auto* grid = qobject_cast<QTableView*>(widget)) return gridKey(owner, grid, key);
    if (qobject_cast<FieldEdit*>(widget) || qobject_cast<FieldCombo*>(widget))
      return fieldKey(owner, widget, key);
    if (auto* memo = qobject_cast<FieldMemo*>(widget))
      return memoKey(owner, memo, *static_cast<QKeyEvent*>(event));
  }
  if (event->type() == QEvent::MouseButtonPress) {
    // Any button marks a picture or memo box as the target of its page's pop-up commands.
    if (qobject_cast<FieldPicture*>(widget))
      markFieldBox(owner, widget);
    else if (auto* memo = qobject_cast<FieldMemo*>(widget->parentWidget()))
      markFieldBox(owner, memo);
    if (auto* grid = qobject_cast<QTableView*>(widget->parentWidget())) {
      const bool ctrl = static_cast<QMouseEvent*>(event)->modifiers() & Qt::ControlModifier;
      gridClick(grid, ctrl);
    }
  }
  return false;
}

bool WindowEngine::fieldKey(int slot, QWidget* control, int key) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_PageDown &&
      key != Qt::Key_PageUp)
    return false;
  WindowSlot& s = registry_[slot];
  const int page = s.window->upperPages()->currentIndex();
  if (page < 0 || static_cast<size_t>(page) >= s.editslots.size()) return false;
  const auto& order = s.editslots[page];
  auto controlOf = [&](size_t i) -> QWidget* {
    const auto [kind, index] = order[i];
    if (kind == 'e') return s.edits[page][static_cast<size_t>(index)];
    return s.combos[page][static_cast<size_t>(index)];
  };
  size_t a = 0;
  while (a < order.size() && controlOf(a) != control) ++a;
  if (a == order.size()) return false;
  if (key == Qt::Key_PageUp) {
    if (a > 0) controlOf(a - 1)->setFocus();
  } else if (a + 1 < order.size()) {
    controlOf(a + 1)->setFocus();
  } else if (!s.memos[page].empty()) {
    s.memos[page].front()->setFocus();
  } else if (s.window->appendButton()->isEnabled()) {
    s.window->appendButton()->setFocus();
  }
  // A project's formulas show their results at once, with the record still in hand.
  tdb::Table& t = s.window->table();
  if (s.kind == 'm' && s.window->formulas()) {
    torvanel::settleEditing(control, true);
    if (t.editing()) s.window->formulas()->evaluate();
  }
  return true;
}

bool WindowEngine::memoKey(int slot, FieldMemo* memo, const QKeyEvent& event) {
  // Shift+Enter and Ctrl+Enter still break a line inside the memo.
  if ((event.key() != Qt::Key_Return && event.key() != Qt::Key_Enter) ||
      (event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
    return false;
  WindowSlot& s = registry_[slot];
  const int page = s.window->upperPages()->currentIndex();
  if (page < 0 || static_cast<size_t>(page) >= s.memos.size()) return false;
  const auto& memos = s.memos[static_cast<size_t>(page)];
  const auto at = std::find(memos.begin(), memos.end(), memo);
  if (at == memos.end()) return false;
  if (at + 1 != memos.end())
    (*(at + 1))->setFocus();
  else if (s.window->appendButton()->isEnabled())
    s.window->appendButton()->setFocus();
  return true;
}

bool WindowEngine::gridKey(int slot, QTableView* grid, int key) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  const QModelIndex at = grid->currentIndex();
  const int columns = grid->model()->columnCount();
  if (at.isValid() && at.column() + 1 < columns) {
    grid->setCurrentIndex(at.sibling(at.row(), at.column() + 1));
    return true;
  }
  tdb::Table& t = registry_[slot].window->table();
  try {
    t.next();  // stores the record in hand first
  } catch (const tdb::EngineError& e) {
    showError(e);  // a record that cannot be stored keeps the grid where it is
  }
  const auto* model = static_cast<const TableModel*>(grid->model());
  const int row = model->currentRow();
  if (row >= 0) grid->setCurrentIndex(model->index(row, 0));
  return true;
}

void WindowEngine::gridClick(QTableView* grid, bool ctrl) {
  // The first Ctrl+click starts a selection of its own: the row that was current is not part
  // of it unless it is clicked. Cut and copy follow the selection as the click leaves it.
  if (ctrl) {
    if (grid->selectionMode() != QAbstractItemView::MultiSelection) {
      grid->clearSelection();
      grid->setSelectionMode(QAbstractItemView::MultiSelection);
    }
  } else if (grid->selectionMode() != QAbstractItemView::SingleSelection) {
    endMultiSelection(grid);
  }
}

void WindowEngine::endMultiSelection(QTableView* grid) {
  grid->clearSelection();
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
}

}  // namespace torvanel
