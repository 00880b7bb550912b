#pragma once

#include <QDialog>

namespace torvanel {

// The project designer: master table, auxiliary tables and relations, field formulas and display
// pages of one project.
class TForm04 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm04(QWidget* mainWindow);
};

}  // namespace torvanel
