#pragma once

#include <QDialog>

namespace torvanel {

// The structure designer: defines the fields and indexes of a new table, or changes those of the
// active window's table. Stays on top of the main window.
class TForm03 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm03(QWidget* mainWindow);
};

}  // namespace torvanel
