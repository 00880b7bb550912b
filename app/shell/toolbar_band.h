#pragma once

#include <QWidget>

class QAction;
class QComboBox;
class QToolBar;

namespace torvanel {

struct WindowListPlacement;

// The main window's toolbar band: rows of buttons and, placed freely on top of them, the window
// list (a drop-down with one entry per open child window).
class ToolbarBand : public QWidget {
  Q_OBJECT
 public:
  explicit ToolbarBand(QWidget* parent);

  // Adds a button for `action` to the current row.
  void addButton(QAction* action);
  void addSeparator();
  // Later buttons go into a new row below.
  void breakRow();

  QComboBox* windowList() const { return windowList_; }
  void placeWindowList(const WindowListPlacement& placement);

  // The rows, top first, for tests and for the window engine's layout.
  QList<QToolBar*> rows() const { return rows_; }

 private:
  QList<QToolBar*> rows_;
  QComboBox* windowList_;
};

}  // namespace torvanel
