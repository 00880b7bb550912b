#pragma once

#include <QFrame>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tdb {
class Table;
}

namespace torvanel {

class TForm11;
class WindowEngine;

// The locate panel of the main window, shared by "内容定位", "替换字段内容" and "字段数据求和": a
// list of the active table's fields, one text box and an action button whose caption says which
// of the three it runs.
class LocatePanel : public QFrame {
  Q_OBJECT
 public:
  enum class Mode { Find, Replace, Sum };

  LocatePanel(WindowEngine& engine, QWidget* mainWindow);

  // Fills the panel for the active window and shows it; "替换字段内容" only in edit state.
  void open(Mode mode);

 private:
  void fieldChosen();
  void execute();
  void find();
  void sum();
  void replace();
  // Runs `work` (given the table, the chosen field and the window, whose progress bar it moves)
  // on the active window's table with the progress panel up and the display still, then goes
  // back to the record it started from; reports the engine's refusal.
  void walk(const std::function<void(tdb::Table&, int, TForm11&)>& work);
  void close();

  WindowEngine& engine_;
  Mode mode_ = Mode::Find;
  QLabel* label_ = nullptr;
  QListWidget* fields_ = nullptr;
  QGroupBox* group_ = nullptr;
  QLineEdit* text_ = nullptr;
  QPushButton* action_ = nullptr;
};

}  // namespace torvanel
