// The window engine's edit state and record operations: entering and leaving the edit state,
// moving through the records, and appending, inserting, deleting, reverting and moving them.

#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include "app/ui/dialogs.h"
#include "app/ui/field_controls.h"
#include "app/windows/record_clipboard.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

std::vector<tdb::Value> valuesOf(tdb::Table& t) {
  std::vector<tdb::Value> out;
  for (int i = 0; i < t.fieldCount(); ++i) out.push_back(t.field(i).value());
  return out;
}

void writeValues(tdb::Table& t, const std::vector<tdb::Value>& values) {
  for (int i = 0; i < t.fieldCount() && i < static_cast<int>(values.size()); ++i)
    t.field(i).setValue(values[static_cast<size_t>(i)]);
}

}  // namespace

bool WindowEngine::inEditState(int slot) const {
  const WindowSlot& s = registry_[slot];
  return !s.pagegrids.empty() &&
         s.pagegrids[0]->editTriggers() != QAbstractItemView::NoEditTriggers;
}

void WindowEngine::setEditState(int slot, bool on) {
  WindowSlot& s = registry_[slot];
  for (QTableView* grid : s.pagegrids) {
    grid->setEditTriggers(on ? QAbstractItemView::DoubleClicked |
                                   QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed
                             : QAbstractItemView::NoEditTriggers);
    // Fixed cells: aqua while editing, the button face otherwise.
    const QString style =
        on ? QStringLiteral("QHeaderView::section { background-color: #00FFFF; }") : QString();
    grid->horizontalHeader()->setStyleSheet(style);
    grid->verticalHeader()->setStyleSheet(style);
  }
  // The single-record view's controls follow the state.
  for (const auto& page : s.edits)
    for (FieldEdit* edit : page) edit->setReadOnly(!on);
  for (const auto& page : s.combos)
    for (FieldCombo* combo : page) combo->setReadOnly(!on);
  for (const auto& page : s.memos)
    for (FieldMemo* memo : page) memo->setReadOnly(!on);
  s.window->appendButton()->setEnabled(on);
  if (on && s.window->viewMode() == 1) s.window->appendButton()->setFocus();
}

void WindowEngine::enteredit() {
  const int slot = activeSlot();
  if (slot < 0) return;
  setEditState(slot, true);
  emit commandsChanged();
}

void WindowEngine::outedit() {
  const int slot = activeSlot();
  if (slot < 0) return;
  setEditState(slot, false);
  tdb::Table& t = registry_[slot].window->table();
  if (!t.cachedUpdates() && t.editing()) {
    try {
      t.post();
    } catch (const tdb::EngineError& e) {
      showError(e);
    }
  }
  emit commandsChanged();
}

bool WindowEngine::moveActive(void (*move)(tdb::Table&)) {
  const int slot = activeSlot();
  if (slot < 0) return false;
  try {
    move(registry_[slot].window->table());
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
  return true;
}

void WindowEngine::firstrecord() {
  moveActive([](tdb::Table& t) { t.first(); });
}

void WindowEngine::lastrecord() {
  moveActive([](tdb::Table& t) { t.last(); });
}

void WindowEngine::priorrecord() {
  if (moveActive([](tdb::Table& t) { t.prior(); })) focusFirstEdit(activeSlot());
}

void WindowEngine::nextrecord() {
  if (moveActive([](tdb::Table& t) { t.next(); })) focusFirstEdit(activeSlot());
}

void WindowEngine::appendrecord() {
  const int slot = activeSlot();
  if (slot < 0) return;
  WindowSlot& s = registry_[slot];
  try {
    // In the single-record view, a combo box showing one of its items gives the new record that
    // item.
    std::vector<std::pair<FieldCombo*, QString>> chosen;
    const int page = s.window->upperPages()->currentIndex();
    if (s.window->viewMode() == 1 && page >= 0 && static_cast<size_t>(page) < s.combos.size()) {
      for (FieldCombo* combo : s.combos[static_cast<size_t>(page)]) {
        const int item = combo->findText(combo->currentText());
        if (item >= 0) chosen.emplace_back(combo, combo->itemText(item));
      }
    }
    s.window->table().append();
    for (const auto& [combo, text] : chosen) combo->storeItem(text);
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
  focusFirstEdit(slot);
  emit commandsChanged();
}

void WindowEngine::insertrecord() {
  const int slot = activeSlot();
  if (slot < 0) return;
  tdb::Table& t = registry_[slot].window->table();
  try {
    // dBASE has no insert of its own: the records from the current one on move down one place
    // by hand, and when the buffer will not take the blank record, the record is appended.
    if (roomMadeByHand(t) && !t.isEmpty()) {
      if (makeRoom(*registry_[slot].window, 1).empty()) t.append();
    } else {
      t.insert();
    }
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
  emit commandsChanged();
}

void WindowEngine::delerecord() {
  const int slot = activeSlot();
  if (slot < 0) return;
  tdb::Table& t = registry_[slot].window->table();
  try {
    if (t.isEmpty()) return;
    t.deleteRecord();
    if (!t.cachedUpdates() && t.driverTypeName() == "DBASE") {
      // The record that followed the deleted one (the one before it, when it was the last) is
      // current now. Packing renumbers the records, in no relation to an index order, but it
      // takes out only records nobody sees: each record shown keeps its place in the order.
      const long place = t.position();
      packDbase(t);  // the deleted record leaves the file at once
      if (place < 1 || !t.moveTo(place)) t.first();
    }
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
  for (QTableView* grid : registry_[slot].pagegrids) endMultiSelection(grid);
  emit commandsChanged();
}

void WindowEngine::revertrecord() {
  const int slot = activeSlot();
  if (slot < 0) return;
  tdb::Table& t = registry_[slot].window->table();
  if (!t.cachedUpdates())
    t.cancel();
  else if (t.updatesPending())
    t.revertRecord();
  emit commandsChanged();
}

void WindowEngine::recordmove(bool up) {
  const int slot = activeSlot();
  if (slot < 0) return;
  tdb::Table& t = registry_[slot].window->table();
  if (!inEditState(slot)) {
    dialogs().message(QStringLiteral("编辑时才能使用移动记录!"));
    return;
  }
  if (!t.indexFieldNames().empty() || !t.indexName().empty()) {
    dialogs().message(QStringLiteral("数据表正在使用索引文件,记录不能移动!"));
    return;
  }
  for (const tdb::IndexDef& d : t.indexDefs()) {
    if (d.options & tdb::ixPrimary) {
      dialogs().message(QStringLiteral("数据表有主键索引,记录不能移动"));
      return;
    }
  }
  try {
    const long from = t.recNo();
    t.moveBy(up ? -1 : 1);
    if (t.recNo() == from) return;  // the first cannot move up, the last not down
    const std::vector<tdb::Value> neighbour = valuesOf(t);
    t.moveBy(up ? 1 : -1);
    const std::vector<tdb::Value> moved = valuesOf(t);
    t.edit();
    writeValues(t, neighbour);
    t.moveBy(up ? -1 : 1);
    t.edit();
    writeValues(t, moved);
    t.post();
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
}

}  // namespace torvanel
