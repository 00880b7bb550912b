#include "app/reports/preview_window.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/reports/page_view.h"
#include "app/reports/preview_texts.h"
#include "app/reports/print_dialog.h"
#include "app/reports/report_run.h"
#include "app/ui/dialogs.h"

namespace torvanel {

struct TForm4::State {
  ReportRun* run = nullptr;
  QString templateName, rangeStart, rangeEnd;
  int current = 0;
  bool rerender = true;

  QWidget* toolbar = nullptr;
  QToolButton *first = nullptr, *previous = nullptr, *next = nullptr, *last = nullptr,
              *goTo = nullptr;
  QComboBox* zoom = nullptr;
  QWidget* goToPanel = nullptr;
  QLineEdit* goToNumber = nullptr;
  QScrollArea* scroll = nullptr;
  PageView* page = nullptr;
  QStatusBar* status = nullptr;
  QLabel* panels[4] = {};
  TForm5* printDialog = nullptr;

  PreviewPlace place() const {
    PreviewPlace p;
    p.current = current;
    p.pageCount = run ? static_cast<int>(run->pages().pages.size()) : 0;
    p.across = run ? run->reportTemplate().tablesAcross : 1;
    return p;
  }
};

namespace {

QToolButton* toolButton(QWidget* bar, const QString& text) {
  auto* button = new QToolButton(bar);
  button->setText(text);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setAutoRaise(true);
  bar->layout()->addWidget(button);
  return button;
}

}  // namespace

TForm4::TForm4(QWidget* parent) : QDialog(parent), s_(std::make_unique<State>()) {
  setWindowTitle(QStringLiteral("预览页面"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  s_->toolbar = new QWidget(this);
  auto* tools = new QHBoxLayout(s_->toolbar);
  tools->setContentsMargins(2, 2, 2, 2);
  s_->first = toolButton(s_->toolbar, QStringLiteral("首页"));
  s_->previous = toolButton(s_->toolbar, QStringLiteral("前页"));
  s_->next = toolButton(s_->toolbar, QStringLiteral("后页"));
  s_->last = toolButton(s_->toolbar, QStringLiteral("尾页"));
  s_->goTo = toolButton(s_->toolbar, QStringLiteral("定位"));
  QToolButton* print = toolButton(s_->toolbar, QStringLiteral("打印"));
  QToolButton* close = toolButton(s_->toolbar, QStringLiteral("关闭"));
  s_->zoom = new QComboBox(s_->toolbar);
  s_->zoom->setEditable(true);
  s_->zoom->setInsertPolicy(QComboBox::NoInsert);
  for (int z = 10; z <= 200; z += 10) s_->zoom->addItem(QString::number(z));
  s_->zoom->setCurrentIndex(-1);
  tools->addWidget(s_->zoom);
  tools->addStretch();
  layout->addWidget(s_->toolbar);

  s_->goToPanel = new QWidget(this);
  auto* goTo = new QHBoxLayout(s_->goToPanel);
  goTo->addWidget(new QLabel(QStringLiteral("请选择页号："), s_->goToPanel));
  s_->goToNumber = new QLineEdit(s_->goToPanel);
  goTo->addWidget(s_->goToNumber);
  auto* yes = new QPushButton(QStringLiteral("&Yes"), s_->goToPanel);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), s_->goToPanel);
  yes->setAutoDefault(false);
  cancel->setAutoDefault(false);
  goTo->addWidget(yes);
  goTo->addWidget(cancel);
  goTo->addStretch();
  s_->goToPanel->hide();
  layout->addWidget(s_->goToPanel);

  s_->scroll = new QScrollArea(this);
  s_->scroll->setAlignment(Qt::AlignCenter);
  s_->scroll->installEventFilter(this);
  s_->page = new PageView;
  s_->scroll->setWidget(s_->page);
  layout->addWidget(s_->scroll, 1);

  s_->status = new QStatusBar(this);
  s_->status->setSizeGripEnabled(false);
  const int eighths[4] = {1, 1, 3, 3};
  for (int i = 0; i < 4; ++i) {
    s_->panels[i] = new QLabel(s_->status);
    s_->status->addWidget(s_->panels[i], eighths[i]);
  }
  layout->addWidget(s_->status);

  connect(s_->first, &QToolButton::clicked, this, [this] { turnTo(1); });
  connect(s_->previous, &QToolButton::clicked, this,
          [this] { turnTo(qMax(1, s_->current - s_->place().across)); });
  connect(s_->next, &QToolButton::clicked, this,
          [this] { turnTo(s_->current + s_->place().across); });
  connect(s_->last, &QToolButton::clicked, this, [this] { turnTo(s_->place().pageCount); });
  connect(s_->goTo, &QToolButton::clicked, this, [this] {
    s_->goToNumber->setText(QString::number(s_->current));
    s_->goToPanel->show();
    s_->goToNumber->setFocus();
    s_->goToNumber->selectAll();
  });
  connect(yes, &QPushButton::clicked, this, [this] {
    s_->goToPanel->hide();
    turnTo(goToPage(s_->goToNumber->text(), s_->place().pageCount));
  });
  connect(s_->goToNumber, &QLineEdit::returnPressed, yes, &QPushButton::click);
  connect(cancel, &QPushButton::clicked, s_->goToPanel, &QWidget::hide);
  connect(print, &QToolButton::clicked, this, [this] {
    if (!s_->printDialog) s_->printDialog = new TForm5(this);
    s_->printDialog->printReport(
        *s_->run, s_->current == 0 ? PrintRangeMode::CurrentPageOnly : PrintRangeMode::AllRanges,
        s_->current);
  });
  connect(close, &QToolButton::clicked, this, &QDialog::accept);
  connect(s_->zoom, &QComboBox::activated, this, [this] { refresh(); });
  connect(s_->zoom->lineEdit(), &QLineEdit::returnPressed, this, [this] { refresh(); });
}

TForm4::~TForm4() = default;

void TForm4::previewReport(ReportRun& run, const QString& templateName, const QString& rangeStart,
                           const QString& rangeEnd, int currentPage) {
  load(run, templateName, QStringLiteral("预览"), currentPage);
  s_->rangeStart = rangeStart;
  s_->rangeEnd = rangeEnd;
  exec();
}

void TForm4::previewEmptyLayout(ReportRun& run, const QString& templateName) {
  load(run, templateName, QStringLiteral("空表预览"), 0);
  exec();
}

int TForm4::currentPage() const { return s_->current; }

void TForm4::load(ReportRun& run, const QString& templateName, const QString& caption,
                  int currentPage) {
  s_->run = &run;
  s_->templateName = templateName;
  s_->rangeStart = s_->rangeEnd = kOpenRange;
  // A report without pages can only show its layout.
  const int pages = static_cast<int>(run.pages().pages.size());
  s_->current = pages == 0 ? 0 : qBound(0, currentPage, pages);
  s_->rerender = true;
  s_->goToPanel->hide();
  setWindowTitle(caption);
  // Maximised; without a window manager to do it the window takes the screen's free area itself.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    setGeometry(screen->availableGeometry());
  setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm4::turnTo(int page) {
  s_->current = page;
  s_->rerender = true;
  refresh();
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
  if (watched == s_->scroll && event->type() == QEvent::KeyPress) {
    // On the paper the page keys turn the pages, as the buttons do (and only when they may).
    QToolButton* button = nullptr;
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Home:
        button = s_->first;
        break;
      case Qt::Key_PageUp:
        button = s_->previous;
        break;
      case Qt::Key_PageDown:
        button = s_->next;
        break;
      case Qt::Key_End:
        button = s_->last;
        break;
      default:
        return false;
    }
    if (button->isEnabled()) button->click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TForm4::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The keys turn the pages from the paper's area.
  s_->scroll->setFocus();
  refresh();
}

void TForm4::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int room = s_->toolbar->width() - s_->zoom->x() - 5;
  s_->zoom->setFixedWidth(qBound(40, room, 200));
  if (s_->run) refresh();
}

void TForm4::refresh() {
  if (!s_->run) return;
  const PreviewPlace place = s_->place();
  const ReportTemplate& t = s_->run->reportTemplate();
  s_->panels[0]->setText(QStringLiteral("摸板:") + s_->templateName.trimmed());
  s_->panels[1]->setText(pageStatus(place));
  s_->panels[2]->setText(groupRangeStatus(t, s_->rangeStart, s_->rangeEnd, place));
  s_->panels[3]->setText(currentGroupStatus(t, s_->run->pages(), place));
  const PreviewButtons buttons = previewButtons(place);
  s_->first->setEnabled(buttons.first);
  s_->previous->setEnabled(buttons.previous);
  s_->next->setEnabled(buttons.next);
  s_->last->setEnabled(buttons.last);
  s_->goTo->setEnabled(buttons.goTo);

  if (s_->rerender) {
    // Turning the page composes the sheet anew; a zoom or a resize only draws it again.
    s_->rerender = false;
    try {
      s_->page->setSheet(place.current == 0 ? s_->run->emptyLayout()
                                            : s_->run->sheetFrom(place.current, place.pageCount));
    } catch (const std::exception& e) {
      showError(e);
    }
  }
  std::optional<int> zoom = chosenZoom(s_->zoom->currentText());
  if (!zoom) {
    const QSize sheet = s_->page->sheetSize();
    zoom = fittingZoom(s_->scroll->height(), sheet.height());
    s_->zoom->setEditText(QStringLiteral("比例:%1").arg(*zoom));
  }
  s_->page->setZoom(*zoom);
}

}  // namespace torvanel
