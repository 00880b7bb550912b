#include "app/windows/table_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

#include "app/common/rounding.h"
#include "app/ui/table_source.h"
#include "app/windows/index_choice_panel.h"
#include "app/windows/project_window.h"
#include "app/windows/table_window_text.h"
#include "engine/engine_error.h"

namespace torvanel {

TForm11::TForm11(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TForm11"));
  source_ = std::make_unique<TableSource>(table_);
  table_.onFilterRecord = [this](tdb::Table& t) { return Table0FilterRecord(t); };
  splitter_ = new QSplitter(Qt::Vertical, this);
  upper_ = new QTabWidget(splitter_);
  lower_ = new QTabWidget(splitter_);
  status_ = new QStatusBar(this);
  const int widths[3] = {100, 55, 50};
  for (int i = 0; i < 3; ++i) {
    panels_[i] = new QLabel(status_);
    panels_[i]->setFixedWidth(widths[i]);
    status_->addWidget(panels_[i]);
  }
  append_ = new QPushButton(QStringLiteral("增加记录"), this);
  next_ = new QPushButton(QStringLiteral("后一记录"), this);
  prior_ = new QPushButton(QStringLiteral("前一记录"), this);
  for (QPushButton* b : {append_, next_, prior_}) b->hide();
  progress_ = new QWidget(this);
  auto* progressRow = new QHBoxLayout(progress_);
  progressRow->addWidget(new QLabel(QStringLiteral("正在操作,稍候..."), progress_));
  progressBar_ = new QProgressBar(progress_);
  progressRow->addWidget(progressBar_, 1);
  progress_->hide();
  indexChoice_ = new IndexChoicePanel(this);  // floats over the pages, out of the layout

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(progress_);
  layout->addWidget(splitter_, 1);
  layout->addWidget(status_);
  connect(source_.get(), &TableSource::scrolled, this, &TForm11::showPosition);
  connect(source_.get(), &TableSource::dataSetChanged, this, &TForm11::showPosition);
  connect(source_.get(), &TableSource::recordStored, this, &TForm11::showPosition);
  connect(source_.get(), &TableSource::recordDeleted, this, &TForm11::showPosition);
}

TForm11::~TForm11() {
  // No store may reach formulas that are gone.
  table_.beforePost = nullptr;
  formulas_.reset();
  // The grids and the sources stop listening before the tables they watch go; the auxiliary
  // tables, some linked to the main table, go before it.
  delete splitter_;
  auxSources_.clear();
  auxTables_.clear();
  source_.reset();
}

void TForm11::dropLowerPages() {
  delete lower_;
  lower_ = nullptr;
}

void TForm11::layOutBands() {
  if (!lower_) return;
  splitter_->setHandleWidth(3);
  const int client = height();
  const int status = status_->sizeHint().height();
  const int upper = static_cast<int>(roundHalfEven(3.0 * (client - status) / 4.0));
  splitter_->setSizes({upper, std::max(client - upper - status - 6, 0)});
}

tdb::Table& TForm11::addAuxiliary() {
  auxTables_.push_back(std::make_unique<tdb::Table>());
  auxSources_.push_back(std::make_unique<TableSource>(*auxTables_.back()));
  return *auxTables_.back();
}

void TForm11::setFormulas(std::unique_ptr<WindowFormulas> formulas) {
  table_.beforePost = nullptr;
  formulas_ = std::move(formulas);
}

void TForm11::showPosition() {
  if (!table_.active()) return;
  try {
    panels_[0]->setText(recordPositionText(table_.position(), table_.recordCount()));
  } catch (const tdb::EngineError&) {
    panels_[0]->clear();
  }
}

void TForm11::showProgress(int maximum) {
  progressBar_->setRange(0, std::max(maximum, 0));
  progressBar_->setValue(0);
  progress_->show();
  QCoreApplication::processEvents();
}

void TForm11::setProgress(int value) {
  // Work over a million records reports each one; the bar redraws only for a change of a
  // thousandth of its range, and at its end.
  const int step = std::max(progressBar_->maximum() / 1000, 1);
  if (std::abs(value - progressBar_->value()) < step && value != progressBar_->maximum()) return;
  progressBar_->setValue(value);
}

void TForm11::hideProgress() { progress_->hide(); }

void TForm11::showBufferState() { panels_[1]->setText(bufferStateText(table_.cachedUpdates())); }

void TForm11::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (QWidget* frame = parentWidget())
    frame->showMinimized();
  else
    showMinimized();
}

}  // namespace torvanel
