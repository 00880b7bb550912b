#pragma once

#include <QDialog>

namespace torvanel {

// The query builder: a modal dialog that composes the filter of the active window's table.
class TForm02 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm02(QWidget* mainWindow);
};

}  // namespace torvanel
