// The record clipboard: cut and copy put the rows selected in a page grid into a table of their
// own beside the table they come from, paste puts its records after the current record of any
// window; and the window engine's commands for them.

#include "app/windows/record_clipboard.h"

#include <QItemSelectionModel>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "app/ui/dialogs.h"
#include "app/ui/suspended_display.h"
#include "app/ui/table_source.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

// The extension of a table name as written, with its dot; empty when it has none.
std::string extensionOf(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return name.substr(dot);
}

// The grid's current row and the status bar follow the table's current record, leaving the
// grid's selection as it is.
void catchUp(TForm11& w, QTableView* grid) {
  const QAbstractItemView::SelectionMode mode = grid->selectionMode();
  grid->setSelectionMode(QAbstractItemView::NoSelection);
  emit w.source().scrolled();
  grid->setSelectionMode(mode);
}

}  // namespace

std::vector<long> selectedPositions(QTableView* grid) {
  std::vector<long> out;
  if (!grid || grid->selectionMode() != QAbstractItemView::MultiSelection) return out;
  // What selectedRows() gives, in its order, read from the ranges: it tests every row against
  // every range, which takes seconds once thousands of rows are picked one by one.
  QItemSelectionModel* model = grid->selectionModel();
  const int lastColumn = grid->model()->columnCount() - 1;
  std::unordered_set<int> seen;
  for (const QItemSelectionRange& range : model->selection()) {
    const bool wholeRows = range.left() == 0 && range.right() == lastColumn;
    for (int row = range.top(); row <= range.bottom(); ++row) {
      if (seen.count(row)) continue;
      if (!wholeRows && !model->isRowSelected(row, range.parent())) continue;
      seen.insert(row);
      out.push_back(static_cast<long>(row) + 1);
    }
  }
  return out;
}

// ---------------------------------------------------------------- making room in a dBASE table

bool roomMadeByHand(const tdb::Table& t) {
  // A filter (or a master's range) would hide the blank records and the moved ones from the
  // walk that moves them: such tables get the engine's insert.
  return t.driverTypeName() == "DBASE" && t.indexFieldNames().empty() && t.indexName().empty() &&
         !t.cachedUpdates() && !t.filtered() && !t.masterSource();
}

std::vector<tdb::Bookmark> makeRoom(TForm11& w, long count) {
  tdb::Table& t = w.table();
  SuspendedDisplay quiet(t);
  const tdb::Bookmark from = t.bookmark();
  t.setCachedUpdates(true);
  try {
    // The blank records go to the end of the file first.
    for (long i = 0; i < count; ++i) {
      t.append();
      t.post();
    }
    t.applyUpdates();
    t.commitUpdates();
  } catch (const tdb::EngineError&) {
    t.cancelUpdates();
    t.setCachedUpdates(false);
    return {};
  }
  const long last = t.recNo();  // the last blank record, at the end of the file
  std::vector<uint32_t> run;    // the records from the current one to the end, the blank ones last
  try {
    t.gotoBookmark(from);
    for (; !t.eof(); t.next()) run.push_back(t.bookmark().record);
    const size_t blank = static_cast<size_t>(count);
    const size_t moved = run.size() - blank;
    const int fields = t.fieldCount();
    std::vector<tdb::Value> values(static_cast<size_t>(fields));
    w.showProgress(static_cast<int>(moved));
    // From the end back, each record goes `count` places down; the records it passes over have
    // been moved already, and the one it reads has not been written yet.
    for (size_t i = moved; i-- > 0;) {
      w.setProgress(static_cast<int>(moved - i));
      for (int f = 0; f < fields; ++f) values[static_cast<size_t>(f)] = t.valueAt(run[i], f);
      t.gotoBookmark({run[i + blank]});
      t.edit();
      for (int f = 0; f < fields; ++f) t.field(f).setValue(values[static_cast<size_t>(f)]);
      t.post();
    }
    for (size_t i = 0; i < blank; ++i) {
      t.gotoBookmark({run[i]});
      t.edit();
      for (int f = 0; f < fields; ++f) t.field(f).clear();
      t.post();
    }
    // Nothing of the move reaches the file before this.
    t.applyUpdates();
    t.commitUpdates();
  } catch (const tdb::EngineError&) {
    t.cancelUpdates();
    t.setCachedUpdates(false);
    w.hideProgress();
    // The blank records at the end go again; the rest of the table is as it was.
    for (long r = last - count + 1; r <= last; ++r) {
      try {
        t.gotoBookmark({static_cast<uint32_t>(r)});
        t.deleteRecord();
      } catch (const tdb::EngineError&) {
        // Already gone, or the file refuses: the caller reports the first failure.
      }
    }
    throw;
  }
  t.setCachedUpdates(false);
  w.hideProgress();
  std::vector<tdb::Bookmark> freed;
  for (size_t i = 0; i < static_cast<size_t>(count); ++i) freed.push_back({run[i]});
  t.gotoBookmark(freed.front());
  return freed;
}

// ---------------------------------------------------------------- the clipboard table

RecordClipboard::RecordClipboard() { table_.setTableName("tablelinshi.dbf"); }

bool RecordClipboard::exists() const {
  try {
    return table_.exists();
  } catch (const tdb::EngineError&) {
    return false;  // its database is an alias no longer known
  }
}

void RecordClipboard::remove() {
  table_.close();
  if (exists()) table_.deleteTable();
}

bool RecordClipboard::create(tdb::Table& source) {
  // Copying from a clipboard table would delete the very records being copied.
  const std::string name = "tablelinshi" + extensionOf(source.tableName());
  tdb::Table next;
  next.setDatabaseName(source.databaseName());
  next.setTableName(name);
  next.setTableType(source.tableType());
  std::error_code same;
  if (std::filesystem::equivalent(source.path(), next.path(), same) ||
      std::filesystem::equivalent(source.path(), table_.path(), same)) {
    dialogs().message(QStringLiteral("这种类型数据表不能复制或剪切!"));
    return false;
  }
  remove();
  table_.setDatabaseName(source.databaseName());
  table_.setTableName(name);
  table_.setTableType(source.tableType());
  table_.fieldDefs().clear();
  for (const tdb::FieldDef& d : source.fieldDefs()) table_.fieldDefs().add(d);
  table_.indexDefs().clear();
  for (tdb::IndexDef d : source.indexDefs()) {
    if (d.options & tdb::ixExpression) d.fields = d.expression;
    table_.indexDefs().add(d);
  }
  table_.createTable();
  if (!exists()) {
    dialogs().message(QStringLiteral("这种类型数据表不能复制或剪切!"));
    return false;
  }
  return true;
}

void RecordClipboard::cutOrCopy(TForm11& w, QTableView* grid, char mode) {
  const std::vector<long> rows = selectedPositions(grid);
  if (rows.empty()) return;
  tdb::Table& source = w.table();
  try {
    if (!create(source)) {
      WindowEngine::endMultiSelection(grid);
      return;
    }
  } catch (const tdb::EngineError& e) {
    showError(e);
    return;
  }

  std::vector<uint32_t> taken;  // the records copied, by record number
  try {
    // A change in hand is stored first, as any move would.
    if (source.state() != tdb::DataSetState::dsBrowse) {
      if (source.modified())
        source.post();
      else
        source.cancel();
    }
    table_.open();
    const int n = std::min(table_.fieldCount(), source.fieldCount());
    // The grid and the status bar catch up with the table once, at the end: following it from
    // row to row costs more than the copying, and in a grid selecting several rows would toggle
    // them.
    const QSignalBlocker quiet(&w.source());
    for (long position : rows) {
      if (!source.moveTo(position)) continue;
      taken.push_back(source.bookmark().record);
      table_.append();
      for (int i = 0; i < n; ++i)
        if (table_.field(i).dataType() != tdb::FieldType::ftAutoInc)
          table_.field(i).setValue(source.field(i).value());
      table_.post();
    }
    table_.close();
  } catch (const tdb::EngineError& e) {
    // Half a clipboard would paste as if it were whole: none is left, and nothing is cut.
    showError(e);
    try {
      table_.cancel();
      remove();
    } catch (const tdb::EngineError&) {
      table_.close();
    }
    catchUp(w, grid);
    return;
  }
  catchUp(w, grid);
  if (mode != 'j') return;

  // Deleting shifts positions, and in a table that takes records out (Paradox) it shifts the
  // numbers of the records after the deleted one: going from the highest number down, the
  // numbers still to come stay right.
  std::sort(taken.begin(), taken.end(), std::greater<>());
  {
    SuspendedDisplay quiet(source);
    try {
      for (uint32_t record : taken) {
        source.gotoBookmark({record});
        source.deleteRecord();
      }
    } catch (const tdb::EngineError& e) {
      showError(e);
    }
  }
  WindowEngine::endMultiSelection(grid);
  if (!source.cachedUpdates() && source.driverTypeName() == "DBASE") {
    try {
      WindowEngine::packDbase(source);  // the cut records leave the file at once
      source.first();
    } catch (const tdb::EngineError& e) {
      showError(e);
    }
  }
}

void RecordClipboard::paste(TForm11& w) {
  if (!exists()) return;
  try {
    table_.open();
    table_.first();
  } catch (const tdb::EngineError& e) {
    table_.close();
    showError(e);
    return;
  }
  w.showProgress(static_cast<int>(table_.recordCount()));
  try {
    pasteRecords(w);
  } catch (const tdb::EngineError& e) {
    showError(e);  // the table stays as the engine left it
  }
  table_.close();
  w.hideProgress();
}

void RecordClipboard::pasteRecords(TForm11& w) {
  tdb::Table& t = w.table();
  SuspendedDisplay quiet(t);
  const int n = std::min(table_.fieldCount(), t.fieldCount());
  const bool physical = roomMadeByHand(t);
  const long count = table_.recordCount();

  // Room for the whole block at once: the same table as room made for each record in turn, as
  // inserting one does, without moving every record below once per pasted record. The first
  // record goes after the current one, so the room starts at the next record; at the end of the
  // table every record is appended instead.
  std::vector<tdb::Bookmark> room;
  bool appendAll = false;
  if (physical && count > 0) {
    t.next();
    if (t.eof()) {
      appendAll = true;
    } else {
      room = makeRoom(w, count);
      if (room.empty()) appendAll = true;  // the buffer refused the blank records
      w.showProgress(static_cast<int>(count));
    }
  }

  // One group of changes: a table that writes its whole file for each (a text table) writes it
  // once for the paste.
  tdb::Table::Batch batch(t);
  long counter = 1;
  for (; !table_.eof(); table_.next()) {
    w.setProgress(static_cast<int>(counter));
    if (counter <= static_cast<long>(room.size())) {
      t.gotoBookmark(room[static_cast<size_t>(counter - 1)]);
      t.edit();
    } else if (appendAll) {
      t.append();
    } else {
      t.next();
      if (t.eof())
        t.append();
      else
        t.insert();
    }
    for (int i = 0; i < n; ++i) {
      tdb::Field& field = t.field(i);
      if (field.dataType() == tdb::FieldType::ftAutoInc) continue;  // the engine numbers it
      try {
        field.setValue(table_.field(i).value());
      } catch (const tdb::EngineError&) {
        field.clear();  // a value the field cannot take leaves it empty
      }
    }
    try {
      t.post();
    } catch (const tdb::EngineError&) {
      dialogs().message(QStringLiteral("因索引或字段赋值问题引起错误,不能继续粘贴!"));
      t.deleteRecord();
      // Room made for the records that now will not come goes the same way.
      for (size_t i = static_cast<size_t>(counter); i < room.size(); ++i) {
        t.gotoBookmark(room[i]);
        t.deleteRecord();
      }
      return;
    }
    ++counter;
  }
  batch.finish();
}

// ---------------------------------------------------------------- the window engine's commands

void WindowEngine::tablejianqie(char mode) {
  const int slot = activeSlot();
  if (slot < 0) return;
  WindowSlot& s = registry_[slot];
  const int page = s.window->upperPages()->currentIndex();
  if (page < 0 || static_cast<size_t>(page) >= s.pagegrids.size()) return;
  clipboard_.cutOrCopy(*s.window, s.pagegrids[static_cast<size_t>(page)], mode);
  emit commandsChanged();
}

void WindowEngine::tablezhantie() {
  const int slot = activeSlot();
  if (slot < 0) return;
  clipboard_.paste(*registry_[slot].window);
  emit commandsChanged();
}

bool WindowEngine::recordClipboardExists() const { return clipboard_.exists(); }

void WindowEngine::deleteRecordClipboard() {
  try {
    clipboard_.remove();
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
}

}  // namespace torvanel
