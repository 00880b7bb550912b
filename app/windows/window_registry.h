#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "app/windows/project_window.h"

namespace tdb {
class Table;
}

class QFrame;
class QLabel;
class QScrollArea;
class QTableView;
class QWidget;

namespace torvanel {

class TForm11;
class TableSource;
class FieldCombo;
class FieldEdit;
class FieldMemo;
class FieldPicture;

// A window's string-position filter condition; complete when the three texts are set and the
// position is not -1, and without effect otherwise.
struct searchstru {
  QString substr;
  QString fieldname;
  QString compop;
  int position = -1;
  bool casesens = false;
};

// One slot of the registry: a child window and what the engine built for it. The slot number is
// the window's identity, shown in the window list and in messages.
struct WindowSlot {
  TForm11* window = nullptr;  // owns its tables, source and controls
  char kind = 'n';            // 'n' free, 'd' a table, 'm' a project
  searchstru filter;
  QString projectname;  // a project window's name, as its caption shows it
  QStringList pagecaptions;
  // Per display page, its columns; a page without any shows every field.
  std::vector<std::vector<columns>> pagecolumns;
  std::vector<func> formulas;  // a project's formulas that are not empty, in master field order
  // A project's auxiliary tables, one entry each in all four lists after auxdefs. The window owns
  // the tables and sources; a table that did not open stays closed in its entry; a table that is
  // not shown has no sheet and no grid (nullptr), nor has a shown one whose open failed its grid.
  std::vector<dataarray> auxdefs;
  std::vector<tdb::Table*> auxtables;
  std::vector<TableSource*> auxsources;
  std::vector<QWidget*> auxsheets;
  std::vector<QTableView*> auxgrids;
  std::vector<QWidget*> pagesheets;
  std::vector<QTableView*> pagegrids;
  // The single-record view, one entry per display page while it is on (empty otherwise).
  std::vector<QFrame*> recgridsplitters;
  std::vector<QScrollArea*> recboxes;
  std::vector<QWidget*> recpanels;
  std::vector<QFrame*> recboxsplitters;
  std::vector<std::vector<std::pair<char, int>>> editslots;  // ('e' or 'c', index)
  std::vector<std::vector<FieldEdit*>> edits;
  std::vector<std::vector<FieldCombo*>> combos;
  std::vector<std::vector<QLabel*>> editlabels;
  std::vector<std::vector<FieldPicture*>> images;
  std::vector<std::vector<QLabel*>> imagelabels;
  std::vector<std::vector<FieldMemo*>> memos;
  std::vector<std::vector<QLabel*>> memolabels;
};

// The process-wide list of slots. It starts with one free slot, grows by one when every slot is
// taken, and never shrinks, so a number stays its window's while the window is open and a new
// window takes the lowest free number.
class WindowRegistry {
 public:
  WindowRegistry() : slots_(1) {}

  // The first free slot, taken: its lists emptied, its filter reset, its kind set.
  int take(char kind);
  // Back to free; the caller has destroyed the window.
  void free(int slot);

  int size() const { return static_cast<int>(slots_.size()); }
  WindowSlot& operator[](int slot) { return slots_[static_cast<size_t>(slot)]; }
  const WindowSlot& operator[](int slot) const { return slots_[static_cast<size_t>(slot)]; }

  // The slot of a window, -1 when it has none.
  int slotOf(const QWidget* window) const;
  // The slots in use, in slot order.
  std::vector<int> inUse() const;
  // The first slot in use whose main table (unless the slot is `except`) or one of whose open
  // auxiliary tables is `database` + `table`, compared exactly; -1 when none.
  int holding(const QString& database, const QString& table, int except = -1) const;

 private:
  std::vector<WindowSlot> slots_;
};

}  // namespace torvanel
