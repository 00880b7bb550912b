#include "app/tools/summary_panel.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/common/gbk_string.h"
#include "app/tools/current_page.h"
#include "app/tools/output_target.h"
#include "app/ui/dialogs.h"
#include "app/ui/suspended_display.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"
#include "engine/summary.h"

namespace torvanel {

namespace {

const QString kCannotCreate = QStringLiteral("不能输出这种文件类型,请重新选择!");

// `widgets` in a row or column, at its end, or in its middle when `centred`.
QBoxLayout* lineOf(QBoxLayout* line, std::initializer_list<QWidget*> widgets, bool centred) {
  line->addStretch();
  for (QWidget* w : widgets) line->addWidget(w);
  if (centred) line->addStretch();
  return line;
}

// The field position an entry "k~NAME" stands for.
int entryField(const QListWidgetItem* item) {
  return item->text().section(QLatin1Char('~'), 0, 0).toInt();
}

}  // namespace

SummaryPanel::SummaryPanel(WindowEngine& engine, std::function<tdb::TableType()> dbfType,
                           QWidget* mainWindow)
    : QFrame(mainWindow), engine_(engine), dbfType_(std::move(dbfType)) {
  setObjectName(QStringLiteral("SummaryPanel"));
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);

  fields_ = new QListWidget(this);
  fields_->setObjectName(QStringLiteral("fields"));
  chosen_ = new QListWidget(this);
  chosen_->setObjectName(QStringLiteral("summaryFields"));
  auto* toChosen = new QPushButton(QStringLiteral("->"), this);
  auto* toFields = new QPushButton(QStringLiteral("<-"), this);
  QBoxLayout* arrows = lineOf(new QVBoxLayout, {toChosen, toFields}, true);
  auto* lists = new QGridLayout;
  lists->addWidget(new QLabel(QStringLiteral("数据表字段:"), this), 0, 0);
  lists->addWidget(new QLabel(QStringLiteral("按下列字段汇总:"), this), 0, 2);
  lists->addWidget(fields_, 1, 0);
  lists->addLayout(arrows, 1, 1);
  lists->addWidget(chosen_, 1, 2);

  output_ = new QLineEdit(this);
  output_->setObjectName(QStringLiteral("outputName"));
  auto* choose = new QPushButton(QStringLiteral("…"), this);
  auto* outputRow = new QHBoxLayout;
  outputRow->addWidget(new QLabel(QStringLiteral("输出文件名:"), this));
  outputRow->addWidget(output_, 1);
  outputRow->addWidget(choose);

  auto* run = new QPushButton(QStringLiteral("输出"), this);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  QBoxLayout* buttons = lineOf(new QHBoxLayout, {run, cancel}, false);

  progress_ = new QProgressBar(this);
  progress_->hide();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(lists, 1);
  layout->addLayout(outputRow);
  layout->addLayout(buttons);
  layout->addWidget(progress_);
  resize(420, 340);
  hide();

  connect(toChosen, &QPushButton::clicked, this, [this] { moveEntry(fields_, chosen_); });
  connect(toFields, &QPushButton::clicked, this, [this] { moveEntry(chosen_, fields_); });
  connect(choose, &QPushButton::clicked, this, &SummaryPanel::chooseOutput);
  connect(run, &QPushButton::clicked, this, &SummaryPanel::execute);
  connect(cancel, &QPushButton::clicked, this, &SummaryPanel::close);
}

void SummaryPanel::open() {
  const int slot = engine_.activeSlot();
  if (slot < 0) return;
  tdb::Table& t = engine_.registry()[slot].window->table();
  try {
    if (t.isEmpty()) {
      dialogs().message(QString::fromUtf8(tdb::kSummaryNoRecords));
      return;
    }
  } catch (const tdb::EngineError& e) {
    showError(e);
    return;
  }
  fields_->clear();
  chosen_->clear();
  int k = 0;
  for (const tdb::FieldDef& def : t.fieldDefs())
    fields_->addItem(QString::number(k++) + QLatin1Char('~') + fromGbk(def.name));
  fields_->setCurrentRow(0);
  const QWidget* main = parentWidget();
  move(std::max((main->width() - width()) / 2, 0), std::max((main->height() - height()) / 2, 0));
  show();
  raise();
}

void SummaryPanel::setOutputName(const QString& text) { output_->setText(text); }

void SummaryPanel::moveEntry(QListWidget* from, QListWidget* to) {
  const int row = from->currentRow();
  if (row < 0) return;
  to->addItem(from->takeItem(row));
}

void SummaryPanel::close() {
  hide();
  const int slot = engine_.activeSlot();
  if (slot >= 0) focusCurrentPage(engine_.registry()[slot]);
}

void SummaryPanel::execute() {
  const int slot = engine_.activeSlot();
  if (slot < 0) return;
  if (chosen_->count() == 0) {
    dialogs().message(QString::fromUtf8(tdb::kSummaryNoFields));
    return;
  }
  const QString name = output_->text().trimmed();
  if (name.isEmpty()) {
    dialogs().message(QStringLiteral("没有输入汇总文件名!"));
    return;
  }
  const std::optional<TableRef> ref = parseOutputName(name);
  if (!ref) {
    dialogs().message(kCannotCreate);
    return;
  }
  if (refuseOpenOutput(engine_.registry(), *ref, QStringLiteral("汇总"))) return;
  tdb::Table target;
  try {
    pointAt(target, *ref, outputType(ref->table, dbfType_()));
    if (target.exists() &&
        dialogs().confirm(QStringLiteral("汇总文件已经存在,要覆盖吗?"), false) != Answer::Yes)
      return;
  } catch (const tdb::EngineError& e) {
    dialogs().message(kCannotCreate + QLatin1Char('\r') + QString::fromUtf8(e.what()));
    return;
  }

  std::vector<int> by;
  for (int i = 0; i < chosen_->count(); ++i) by.push_back(entryField(chosen_->item(i)));
  TForm11& window = *engine_.registry()[slot].window;
  tdb::Table& source = window.table();
  std::unique_ptr<tdb::Summary> summary;
  try {
    summary = std::make_unique<tdb::Summary>(source, by, target.path(), target.tableType());
  } catch (const tdb::EngineError& e) {
    dialogs().message(kCannotCreate + QLatin1Char('\r') + QString::fromUtf8(e.what()));
    return;
  }
  bool done = false;
  {
    SuspendedDisplay still(source);
    progress_->setRange(0, static_cast<int>(source.recordCount()));
    progress_->setValue(0);
    progress_->show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);  // the bar shows once
    try {
      summary->run([this](long k) {
        // Every record would repaint the bar a million times for nothing a user could see.
        if ((k & 1023) == 0) progress_->setValue(static_cast<int>(k));
      });
      done = true;
    } catch (const tdb::EngineError& e) {
      summary.reset();  // drops the unfinished output before the user reads why
      dialogs().message(QStringLiteral("汇总没有完成,没有输出汇总文件!\r") +
                        QString::fromUtf8(e.what()));
    }
    try {
      source.first();
    } catch (const tdb::EngineError& e) {
      showError(e);
    }
  }
  progress_->hide();
  if (done) close();
}

}  // namespace torvanel
