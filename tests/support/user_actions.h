#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <Qt>
#include <functional>

class QAbstractItemView;
class QModelIndex;
class QComboBox;
class QDialog;
class QMenu;
class QPushButton;
class QTableView;
class QWidget;

namespace torvanel {

class TForm0;
class TForm11;

namespace test {

// Acts on the workbench only as a user can: mouse clicks and key presses (QTest events) on the
// real widgets, found by what the user sees (a menu item's caption, a button's hint or text, a
// field's label, a grid cell). Nothing here calls the model, the cursor or a command function:
// tests read results back from the table files with a cursor of their own.
//
// Every helper that cannot do what it is asked (no such item, the item is disabled, no grid)
// fails the test with the reason and does nothing, as a user's click would do nothing. What the
// offscreen platform leaves to a window manager is done here: a click activates the window it
// lands in, and a closed pop-up or dialog gives the activation back.
class User {
 public:
  explicit User(TForm0& main) : main_(main) {}

  // Shows the main window and makes it the active window, so that keys reach the focus widget.
  void activate();

  // ---- the main window
  // Opens the menu bar's menu holding the item `caption` and clicks the item.
  void menu(const QString& caption);
  // Clicks the toolbar button whose hint is `hint` ("后一记录", "取消编辑").
  void toolbar(const QString& hint);
  // Whether the menu item / toolbar button can be clicked now.
  bool menuEnabled(const QString& caption) const;
  bool toolbarEnabled(const QString& hint) const;
  // Picks the entry of window `slot` from the window list's drop-down.
  void chooseWindow(int slot);

  // ---- the active child window
  TForm11* window() const;  // nullptr when no child window is open
  // Clicks the window's push button whose text is `text` ("增加记录", "后一记录").
  void windowButton(const QString& text);
  // The grid of the window's active display page; nullptr (and a failure) when none.
  QTableView* grid() const;
  // Clicks / double-clicks the cell, scrolling it into sight first as the user would.
  void clickCell(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void doubleClickCell(int row, int column);
  // Ctrl+clicks each row in turn, on its first column.
  void ctrlClickRows(std::initializer_list<int> rows);
  // The single-record view's control for the field whose label reads `label` (without the
  // colon); nullptr (and a failure) when there is none.
  QWidget* field(const QString& label) const;
  // Clicks into `widget`, giving it the focus.
  void clickInto(QWidget* widget);

  // ---- a grid outside the child windows (the structure designer's field grid)
  // Clicks the cell of `grid`, scrolling it into sight first.
  void clickCell(QTableView* grid, int row, int column);
  // Right-clicks the cell of `grid` and picks `caption` from the pop-up menu that opens.
  void cellMenu(QTableView* grid, int row, int column, const QString& caption);

  // ---- panels of the main window and the dialogs it owns (the locate panel, the table chooser)
  // Clicks the visible push button whose text is `text` outside the child windows.
  void button(const QString& text);
  // The visible text box or drop-down list inside the visible group box titled `title`, outside
  // the child windows; nullptr (and a failure) when there is none.
  QWidget* inGroup(const QString& title) const;
  // Clicks the item reading `text` of a visible list outside the child windows.
  void clickItem(const QString& text);

  // ---- any widget
  // Clicks `widget` (a button, a check box) at its centre; a disabled one fails the test.
  void click(QWidget* widget);
  // Clicks into a text box, selects what it holds and types `text` over it.
  void replaceText(QWidget* box, const QString& text);
  // Picks the entry `text` of a drop-down list with the keys: a plain list is opened first, an
  // editable one takes the click into its text.
  void choose(QComboBox* list, const QString& text);
  // Clicks the item of a list (or the row of a grid) whose first column reads `text`.
  void clickItem(QAbstractItemView* view, const QString& text);
  // The next action opens a modal dialog: `steps` run on it inside its event loop and must close
  // it (a dialog they leave open fails the test and is rejected).
  void whileModal(std::function<void(QDialog*)> steps);

  // ---- the keyboard: always to the widget that has the focus now
  // Types `text` one character at a time; on a writable grid the first key opens the cell
  // editor and the rest go into it. A character beyond the basic plane (an emoji), which no key
  // of a keyboard gives, arrives as an input method commits it.
  void type(const QString& text);
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // Types each value and presses Enter after it: in a grid, cell after cell across the row.
  void typeCells(const QStringList& values);

  // ---- pop-up menus
  // Right-clicks `widget` at `at` (its centre when null) and picks `caption` from the pop-up
  // menu that opens.
  void contextMenu(QWidget* widget, const QString& caption, QPoint at = {});
  // Right-clicks `widget` and returns the pop-up menu that opened, left open for the caller to
  // read and to close; nullptr (and a failure) when none opened.
  QMenu* openContextMenu(QWidget* widget, QPoint at = {});

  // Whatever has the keyboard focus in the application.
  static QWidget* focus();

 private:
  void clickAction(QMenu* menu, const QString& caption);
  // Clicks `found`, the button reading `text`; fails saying where it was looked for when none.
  void clickButton(QPushButton* found, const QString& text, const char* where);
  // The grid's cell, scrolled into sight in an active window; invalid (and a failure) when the
  // grid has no such cell.
  QModelIndex cellInSight(int row, int column) const;
  static QModelIndex cellInSight(QTableView* grid, int row, int column);
  // What the event loop does between two actions of a user: queued calls (an item delegate
  // commits its editor through one) and posted events run.
  void settle();

  TForm0& main_;
};

}  // namespace test
}  // namespace torvanel
