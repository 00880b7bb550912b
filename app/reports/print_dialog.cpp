#include "app/reports/print_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/reports/output_error.h"
#include "app/reports/print_run.h"
#include "app/reports/report_run.h"
#include "app/reports/sheet_files.h"
#include "app/ui/dialogs.h"

namespace torvanel {

// The entry after the system's print queues that writes the sheets into a PDF file instead.
static const QString kPdfEntry = QStringLiteral("PDF文件");

struct TForm5::State {
  ReportRun* run = nullptr;
  int current = 0;
  bool cancelled = false;
  int printed = 0;

  QListWidget* printers = nullptr;
  QRadioButton *all = nullptr, *pages = nullptr, *currentOnly = nullptr;
  QSpinBox *from = nullptr, *to = nullptr, *copies = nullptr;
  QLabel* message = nullptr;
  QPushButton* print = nullptr;

  int pageCount() const { return static_cast<int>(run->pages().pages.size()); }
  bool toPdf() const {
    const QListWidgetItem* item = printers->currentItem();
    return item && item->data(Qt::UserRole).toBool();
  }
};

TForm5::TForm5(QWidget* parent) : QDialog(parent), s_(std::make_unique<State>()) {
  setWindowTitle(QStringLiteral("打印"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("请选择打印机:"), this));
  s_->printers = new QListWidget(this);
  layout->addWidget(s_->printers);

  auto* range = new QGroupBox(QStringLiteral("打印范围："), this);
  auto* rangeLayout = new QVBoxLayout(range);
  s_->all = new QRadioButton(QStringLiteral("全部打印"), range);
  rangeLayout->addWidget(s_->all);
  auto* pagesRow = new QHBoxLayout;
  s_->pages = new QRadioButton(QStringLiteral("页数："), range);
  s_->from = new QSpinBox(range);
  s_->to = new QSpinBox(range);
  pagesRow->addWidget(s_->pages);
  pagesRow->addWidget(s_->from);
  pagesRow->addWidget(new QLabel(QStringLiteral("---"), range));
  pagesRow->addWidget(s_->to);
  pagesRow->addStretch();
  rangeLayout->addLayout(pagesRow);
  s_->currentOnly = new QRadioButton(QStringLiteral("打印当前页"), range);
  rangeLayout->addWidget(s_->currentOnly);
  layout->addWidget(range);

  auto* copiesRow = new QHBoxLayout;
  copiesRow->addWidget(new QLabel(QStringLiteral("份数："), this));
  s_->copies = new QSpinBox(this);
  s_->copies->setRange(1, 999);
  copiesRow->addWidget(s_->copies);
  copiesRow->addStretch();
  layout->addLayout(copiesRow);

  s_->message = new QLabel(this);
  s_->message->setFrameShape(QFrame::Panel);
  s_->message->setFrameShadow(QFrame::Sunken);
  layout->addWidget(s_->message);

  auto* buttons = new QHBoxLayout;
  s_->print = new QPushButton(QStringLiteral("打印"), this);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  buttons->addStretch();
  buttons->addWidget(s_->print);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  auto* group = new QButtonGroup(this);
  for (QRadioButton* option : {s_->all, s_->pages, s_->currentOnly}) group->addButton(option);
  connect(s_->pages, &QRadioButton::toggled, this, [this](bool on) {
    s_->from->setEnabled(on);
    s_->to->setEnabled(on);
  });
  // A PDF file is written once: copies are for paper.
  connect(s_->printers, &QListWidget::currentRowChanged, this,
          [this] { s_->copies->setEnabled(!s_->toPdf()); });
  connect(s_->print, &QPushButton::clicked, this, [this] { printChosen(); });
  connect(cancel, &QPushButton::clicked, this, [this] {
    s_->cancelled = true;
    reject();
  });
}

TForm5::~TForm5() = default;

int TForm5::printReport(ReportRun& run, PrintRangeMode mode, int currentPage) {
  s_->run = &run;
  s_->current = currentPage;
  s_->cancelled = false;
  s_->printed = 0;
  s_->print->setEnabled(true);

  s_->printers->clear();
  const QString chosen = QPrinterInfo::defaultPrinterName();
  for (const QString& name : QPrinterInfo::availablePrinterNames()) {
    s_->printers->addItem(name);
    if (name == chosen) s_->printers->setCurrentRow(s_->printers->count() - 1);
  }
  auto* pdf = new QListWidgetItem(kPdfEntry, s_->printers);
  pdf->setData(Qt::UserRole, true);
  if (s_->printers->currentRow() < 0) s_->printers->setCurrentRow(0);
  s_->message->setText(QStringLiteral("请选择打印机及打印范围--"));

  s_->all->setEnabled(mode != PrintRangeMode::CurrentPageOnly);
  s_->pages->setEnabled(mode != PrintRangeMode::CurrentPageOnly);
  s_->currentOnly->setEnabled(mode != PrintRangeMode::NoCurrentPage);
  (mode == PrintRangeMode::CurrentPageOnly ? s_->currentOnly : s_->all)->setChecked(true);
  const int pages = qMax(1, s_->pageCount());
  for (QSpinBox* box : {s_->from, s_->to}) {
    box->setRange(1, pages);
    box->setEnabled(false);
  }
  s_->from->setValue(1);
  s_->to->setValue(pages);
  s_->copies->setValue(1);

  adjustSize();
  if (const QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  exec();
  return s_->printed;
}

void TForm5::printChosen() {
  PrintRange range;
  range.across = s_->run->reportTemplate().tablesAcross;
  range.copies = s_->copies->value();
  if (s_->all->isChecked()) {
    range.first = 1;
    range.last = s_->pageCount();
  } else if (s_->pages->isChecked()) {
    range.first = s_->from->value();
    range.last = s_->to->value();
  } else {
    range.first = range.last = s_->current;
  }
  // A range that ends before it starts would print nothing and close as if it had printed.
  if (range.first > range.last) {
    s_->message->setText(QStringLiteral("起始页大于终止页,请重新选择打印范围"));
    return;
  }
  ReportRun& run = *s_->run;
  const SheetComposer compose = [&run](int current, int last) {
    return current == 0 ? run.emptyLayout() : run.sheetFrom(current, last);
  };
  s_->print->setEnabled(false);
  try {
    if (s_->toPdf()) {
      const std::optional<QString> file =
          dialogs().saveFile(kPdfEntry, QStringLiteral("PDF文件 (*.pdf)"), QString());
      if (!file) {
        s_->print->setEnabled(true);
        return;
      }
      const int sheets = (range.last - range.first) / range.across + 1;
      writeSheetsPdf(*file, sheets,
                     [&](int i) { return compose(range.first + i * range.across, range.last); });
      s_->printed = sheets;
    } else {
      QPrinter printer(QPrinter::HighResolution);
      printer.setPrinterName(s_->printers->currentItem()->text());
      s_->printed = printSheets(printer, range, compose, [this, &range](int current) {
        QApplication::processEvents();
        if (s_->cancelled) return false;
        s_->message->setText(
            QStringLiteral("打印:%1--%2 当前:%3").arg(range.first).arg(range.last).arg(current));
        return true;
      });
    }
  } catch (const std::exception& e) {
    showError(e);
  }
  accept();
}

}  // namespace torvanel
