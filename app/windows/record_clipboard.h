#pragma once

#include <vector>

#include "engine/table.h"

class QTableView;

namespace torvanel {

class TForm11;

// The record clipboard: the one table object for the table that holds cut or copied records.
// Each cut or copy recreates that table beside the table the records come from, with its
// structure, named "tablelinshi" + that table's extension; until the first, the object names
// "tablelinshi.dbf" in the working folder. Pasting leaves the clipboard as it is.
class RecordClipboard {
 public:
  RecordClipboard();

  tdb::Table& table() { return table_; }
  // True when the clipboard table exists, so that something can be pasted.
  bool exists() const;
  // Closes the clipboard table and deletes it when it exists; throws the engine's refusal.
  void remove();

  // 'j' cut, 'f' copy: the rows selected (Ctrl+click) in `grid`, a page grid of `window`, go into
  // a new clipboard table in the order the grid lists them; a cut then deletes them from the
  // window's table and drops the selection. Nothing happens when no row is selected.
  void cutOrCopy(TForm11& window, QTableView* grid, char mode);
  // Pastes every clipboard record after the current record of the window's table, each after the
  // one before, so the block keeps the clipboard's order.
  void paste(TForm11& window);

 private:
  // Points the object at a new clipboard table beside `source` and creates it; false when the
  // user was told why there is none.
  bool create(tdb::Table& source);
  void pasteRecords(TForm11& window);

  tdb::Table table_;
};

// The rows selected with Ctrl+click in a page grid as positions of its table (row r is position
// r + 1), in the order the grid lists them; none unless the grid selects several rows.
std::vector<long> selectedPositions(QTableView* grid);

// True when a record goes in before the current one of a dBASE table by moving the records
// from it on down (makeRoom): the table is in its natural order, unbuffered and unfiltered.
bool roomMadeByHand(const tdb::Table& t);

// Makes room for `count` records at the current record of a dBASE table in its natural order,
// not buffered: `count` blank records are appended and every record from the current one on
// moves `count` places down, through a temporary buffer, with the window's progress panel shown.
// Returns the freed records in order, blank and stored, the first of them current. Returns none,
// with nothing changed, when the buffer does not take the blank records.
std::vector<tdb::Bookmark> makeRoom(TForm11& window, long count);

}  // namespace torvanel
