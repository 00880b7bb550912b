#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "app/common/table_names.h"
#include "app/windows/position_condition.h"
#include "engine/table.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabWidget;

namespace torvanel {

class IndexChoicePanel;
class TableSource;
class WindowFormulas;

// A child window: its main table and the data source bound to it, the status bar with its three
// panels (record position, buffer state, the query in force), the upper page control for the
// display pages, the lower one for auxiliary tables, and the buttons of the single-record view.
// Its close box does not close it: the window is minimised, as every child window of the system.
class TForm11 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm11(QWidget* parent = nullptr);
  ~TForm11() override;

  tdb::Table& table() { return table_; }
  TableSource& source() { return *source_; }
  QString databaseName() const { return databaseText(table_.databaseName()); }
  QString tableName() const { return tableText(table_.tableName()); }

  QTabWidget* upperPages() const { return upper_; }
  QTabWidget* lowerPages() const { return lower_; }
  // The lower page control and both splitters go when the window has no auxiliary tables.
  void dropLowerPages();
  // Two bands: the upper page control takes three quarters of the client height above the status
  // bar, the lower one the rest, less 3 for each splitter.
  void layOutBands();

  // A project's auxiliary table, new and closed, with its data source; both live as long as the
  // window, and the table is closed (its link to the main table dropped) before the main table.
  tdb::Table& addAuxiliary();
  TableSource& auxiliarySource(size_t i) { return *auxSources_[i]; }
  // A project's formulas; the window keeps them until it goes, and takes the main table's
  // before-store hook down before they go.
  void setFormulas(std::unique_ptr<WindowFormulas> formulas);
  WindowFormulas* formulas() const { return formulas_.get(); }
  QLabel* statusPanel(int i) const { return panels_[i]; }
  QPushButton* appendButton() const { return append_; }
  QPushButton* nextButton() const { return next_; }
  QPushButton* priorButton() const { return prior_; }

  int viewMode() const { return viewMode_; }  // 0 grid view, 1 single-record view
  void setViewMode(int mode) { viewMode_ = mode; }

  // The progress panel "正在操作,稍候..." with its bar from 0 to `maximum`; showing it lets the
  // screen paint once, the work that follows runs without yielding.
  void showProgress(int maximum);
  void setProgress(int value);
  void hideProgress();
  QWidget* progressPanel() const { return progress_; }
  // The index choice panel, hidden until "选择索引文件" shows it.
  IndexChoicePanel* indexChoice() const { return indexChoice_; }

  // Panel 0: the current record's position and the record count; panel 1: the buffer state.
  void showPosition();
  void showBufferState();

  // The record hook of the table's filter: the string-position condition of the window's query,
  // set when a query is applied (an incomplete condition lets every record through).
  bool Table0FilterRecord(tdb::Table& table) const { return position_.accepts(table); }
  void setPositionCondition(const PositionCondition& condition) { position_ = condition; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  tdb::Table table_;
  std::unique_ptr<TableSource> source_;
  std::vector<std::unique_ptr<tdb::Table>> auxTables_;
  std::vector<std::unique_ptr<TableSource>> auxSources_;
  std::unique_ptr<WindowFormulas> formulas_;
  QTabWidget* upper_ = nullptr;
  QTabWidget* lower_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QStatusBar* status_ = nullptr;
  QLabel* panels_[3] = {};
  QPushButton* append_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* prior_ = nullptr;
  QWidget* progress_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  IndexChoicePanel* indexChoice_ = nullptr;
  int viewMode_ = 0;
  PositionCondition position_;
};

}  // namespace torvanel
