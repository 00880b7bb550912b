#pragma once

#include <QObject>

#include "app/common/table_ref.h"
#include "app/windows/child_windows.h"
#include "app/windows/project_window.h"
#include "app/windows/record_clipboard.h"
#include "app/windows/window_registry.h"
#include "engine/table_type.h"

class QKeyEvent;
class QMenu;
class QMdiArea;
class QMdiSubWindow;
class QTableView;

namespace torvanel {

class WindowHost;

// The window engine: opens tables into child windows of the main window, keeps the registry of
// their slots and the window list in step, runs the commands on them, and saves, cancels and
// closes their changes. Its declarations are grouped by the file that defines them.
//
// The engine reaches the main window only through its WindowHost, and only until the host says
// it is going away (hostGone); the windows it opened belong to the host's MDI area, which may go
// first, so the engine never touches them on its way out. After every change of state it emits
// commandsChanged.
class WindowEngine : public QObject, public ChildWindows {
  Q_OBJECT
 public:
  // ---- window_engine.cpp: windows, slots and the window list; saving, cancelling, closing
  WindowEngine(WindowHost& host, QObject* parent);
  // The host is being destroyed: the engine asks it nothing more, and nothing it does reaches it.
  void hostGone();

  WindowRegistry& registry() { return registry_; }
  // The slot of the active child window, -1 when none is open.
  int activeSlot() const;

  // Opens the chosen table into a new child window, ordered by its first index.
  void viewtable(const TableRef& ref);
  // Opens a project into a new child window: its master on the project's display pages, its
  // auxiliary tables below them (each failure told on its page caption or by a message, as it
  // never stops the window). Returns the slot, -1 when the master did not open (the user was
  // told). The caller binds the formulas to the window's tables (TForm11::setFormulas).
  int viewproject(const ProjectWindowSpec& spec);

  // Opens the table of window `slot` again after it was rebuilt under it with another structure:
  // ordered by its first index, buffered when the setting asks for it and the table can be (the
  // user is told when not), its caption and its window list entry, selected, naming the new
  // order. Throws EngineError when the table does not open.
  void reopenRebuilt(int slot);

  // Settles the control being edited, before a command acts: text typed into a field or a grid
  // cell and not yet stored goes into the record it was typed for (`keep`), or is dropped.
  void settleEditing(bool keep);

  // Saving, cancelling and closing the active window's changes, or every window's.
  bool okthistable();
  bool okeverytable();
  void cancelthistable();
  void canceleverytable();
  bool closetable(CloseMode mode);
  // Packs a dBASE table, which needs it to itself (when another holder stops that, the user is
  // told and the deleted records stay marked), and leaves it open shared. Throws when it cannot
  // be opened again.
  static void packDbase(tdb::Table& t);
  // Orders an open table by its first index: the index's fields, or for an expression its name;
  // a table without indexes stays in its natural order. Throws EngineError when it refuses.
  static void orderByFirstIndex(tdb::Table& t);

  // ChildWindows
  std::optional<ActiveWindowState> activeWindow() const override;
  bool closeeverytable(CloseMode mode) override;
  void reopenWithMemoryBuffer(bool on) override;
  void bringToFront(int slot) override;

  // ---- record_operations.cpp: edit state, navigation and record operations on the active
  // window; each does nothing when no child window is open, and shows the engine's message when
  // the engine refuses.
  void enteredit();
  void outedit();
  void firstrecord();
  void lastrecord();
  void priorrecord();
  void nextrecord();
  void appendrecord();
  void insertrecord();
  void delerecord();
  void revertrecord();
  void recordmove(bool up);
  // True when the window's grids are writable.
  bool inEditState(int slot) const;

  // ---- record_view.cpp: the single-record view on the active window, and back to the grid.
  void smodal();
  void mmodal();

  // ---- record_clipboard.cpp: 'j' cuts, 'f' copies the rows selected in the active page's grid;
  // tablezhantie pastes the clipboard after the current record.
  void tablejianqie(char mode);
  void tablezhantie();
  RecordClipboard& recordClipboard() { return clipboard_; }
  // ChildWindows
  bool recordClipboardExists() const override;
  void deleteRecordClipboard() override;

  // ---- input_aids.cpp: the keyboard and mouse aids of a window's controls (the field key
  // handler of the single-record view's edit and combo boxes, the memo key handler of its memo
  // boxes, the grid key and click handlers).
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Switches a page grid out of multi-row selection, dropping the rows it had selected.
  static void endMultiSelection(QTableView* grid);

  // ---- field_files.cpp: memo and picture fields to and from files, through the pop-up menus
  // of the single-record view's picture boxes (`box` 'p') and memo boxes ('m'). Items in menu
  // order: 0 clear the field, 1 load it from a file, 2 write it to a file; they act on the marked
  // box of the active window's active page. The menu of a window, made on first use, has its
  // clearing and loading items enabled exactly while the window is in edit state.
  QMenu* fieldMenu(int slot, char box);
  void fieldFileCommand(char box, int item);

  // ---- index_choice.cpp: "选择索引文件" fills and shows the index choice panel of the active
  // window; its "确认" applies the choice to the window's table (the panel stays shown when the
  // engine refuses it).
  void selectindex();
  void applyIndexChoice(int slot);

 signals:
  // The state that decides which commands are on offer may have changed.
  void commandsChanged();

 private:
  // ---- window_engine.cpp
  QMdiArea* mdiArea() const;  // nullptr once the host is gone
  // The steps every window takes: a slot of `kind` and its window with `ref` opened, ordered and
  // buffered (-1 when the table did not open: the user was told and the slot is free again); a
  // display page with its read-only grid; the window shown, listed and its commands wired.
  int openWindow(char kind, const TableRef& ref);
  QTableView* addPage(int slot, const QString& caption);
  void showWindow(int slot);
  // DefaultDbfType for a ".DBF" name, the engine's own choice for any other.
  tdb::TableType tableTypeFor(const QString& table) const;
  void activated(QMdiSubWindow* frame);
  QMdiSubWindow* frameOf(int slot) const;
  bool save(int slot);  // false when posting or applying the buffer failed (the user was told)
  // Posts the record in hand of the slot's table, into its buffer when it has one: closing would
  // drop it unasked. False (the user told) when it is refused.
  bool postInHand(int slot);
  // Saves every window's changes, bringing each to the front; false when one failed. Stops at the
  // first failure when `stopAtFailure`, else goes on to the others.
  bool saveEvery(bool stopAtFailure);
  void destroy(int slot);
  void openWithBuffer(int slot);
  int listEntry(int slot) const;  // the window list's entry of the slot's window, -1 when none
  void selectListEntry(int slot);
  void removeListEntry(int slot);
  // The window's caption: "数据表:[" + database + "]" + table + "(" + order + ")".
  QString captionOf(int slot) const;
  // The window's caption and its window list entry, selected, name its table's order now.
  void retitle(int slot);
  // The window's table, just opened: ordered by its first index (the user is told when that
  // fails) and buffered as the setting asks.
  void orderAndBuffer(int slot);

  // ---- auxiliary_tables.cpp: the project's auxiliary tables of window `slot`, opened in
  // auxdefs order into the slot's lists; the lower page control goes when none is shown.
  void openAuxiliaries(int slot);
  void openAuxiliary(int slot, size_t j);
  // Posts the record in hand of each auxiliary table; false (the user told) when one refuses.
  bool postAuxiliaries(int slot);

  // ---- pick_lists.cpp: the values of the prompt source `source` for a page column: every
  // record's field of the named auxiliary table when it is open, in its order; empty otherwise.
  QStringList pickList(int slot, const QString& source);

  // ---- record_operations.cpp
  void setEditState(int slot, bool on);
  // Runs `move` on the active window's table, reporting the engine's refusal; false without one.
  bool moveActive(void (*move)(tdb::Table&));

  // ---- record_view.cpp
  void focusFirstEdit(int slot);
  void dropRecordView(int slot);

  // ---- input_aids.cpp
  bool fieldKey(int slot, QWidget* control, int key);
  bool memoKey(int slot, FieldMemo* memo, const QKeyEvent& event);
  bool gridKey(int slot, QTableView* grid, int key);
  void gridClick(QTableView* grid, bool ctrl);

  // ---- lookup_typing.cpp: typing into the single-record view's control of a master field that
  // a lookup relation reads moves that lookup table to the first record whose key begins with
  // the text, case ignored, and brings its page to the front. Silent: a miss or an error leaves
  // the table where it was.
  void hookLookups(int slot, size_t page);
  void lookupTyped(int slot, const QString& field, const QString& text);

  // ---- field_files.cpp: the memo and picture boxes of a page: their pop-up menus, and the mark
  // a mouse press sets.
  void attachFieldMenus(int slot);
  void markFieldBox(int slot, QWidget* box);

  WindowHost* host_;  // nullptr once it is gone
  WindowRegistry registry_;
  RecordClipboard clipboard_;
};

}  // namespace torvanel
