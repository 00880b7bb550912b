#pragma once

#include <QFrame>
#include <functional>

#include "engine/table_type.h"

class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace torvanel {

class WindowEngine;

// "汇总输出": the panel of the main window that writes a group-by summary of the active window's
// table into another table. Two field lists ("数据表字段:", "按下列字段汇总:", entries "k~NAME"
// with k the field's position) with "->" and "<-" between them, the output name box with its
// "…" button, "输出" and "取消", and a progress bar shown while the summary runs.
//
// The pass is the engine's (engine/summary.h), over the records as the window shows them; the
// panel checks, asks and reports.
class SummaryPanel : public QFrame {
  Q_OBJECT
 public:
  SummaryPanel(WindowEngine& engine, std::function<tdb::TableType()> dbfType, QWidget* mainWindow);

  // Fills the lists for the active window and shows the panel; refuses a table without records.
  void open();
  // The table chooser's choice for the output box ("[" database "]" table).
  void setOutputName(const QString& text);

  QLineEdit* outputBox() const { return output_; }

 signals:
  // "…": the main window shows the table chooser for the output.
  void chooseOutput();

 private:
  void moveEntry(QListWidget* from, QListWidget* to);
  void execute();
  void close();

  WindowEngine& engine_;
  std::function<tdb::TableType()> dbfType_;
  QListWidget* fields_ = nullptr;
  QListWidget* chosen_ = nullptr;
  QLineEdit* output_ = nullptr;
  QProgressBar* progress_ = nullptr;
};

}  // namespace torvanel
