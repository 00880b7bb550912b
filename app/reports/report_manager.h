#pragma once

#include <QDialog>

namespace torvanel {

// The report manager: a modal dialog over the active window that designs, previews and prints the
// reports of its table.
class Tform2 : public QDialog {
  Q_OBJECT
 public:
  explicit Tform2(QWidget* mainWindow);
};

}  // namespace torvanel
