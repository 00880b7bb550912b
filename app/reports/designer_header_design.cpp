#include "app/reports/designer_header_design.h"

#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

#include "app/reports/designer_inputs.h"
#include "app/reports/designer_page_picture.h"
#include "app/reports/head_tail_text_box.h"
#include "app/reports/page_composer.h"
#include "app/reports/printed_columns.h"
#include "app/reports/report_dialog_parts.h"
#include "app/reports/report_fonts.h"
#include "app/reports/sheet_painter.h"

namespace torvanel {

namespace {

const QString kQuit = QStringLiteral("退出");
const char* const kFunctions[] = {"页码[PageNum]",      "总页码[PageCou]",
                                  "分组页码[GPageNum]", "分组总页码[GPageCou]",
                                  "打印日期[PrinDate]", "打印时间[PrinTime]"};
constexpr int kRuler = 20;
constexpr int kBoxHeight = 125;

QListWidget* insertList(QWidget* parent, const QString& name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->hide();
  list->setFixedSize(160, 140);
  return list;
}

}  // namespace

QImage defaultHeaderStrip(const ReportTemplate& t, int width, int height, int dpi) {
  QImage image(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
  image.fill(Qt::white);
  // The report's own composition of a page holding nothing but the default header, so the strip
  // shows exactly the rule and titles the report prints.
  ReportTemplate only = t;
  for (TextSection& s : only.sections) {
    s.text.clear();
    s.lines.clear();
    s.spacing = 0;
  }
  only.topMargin = only.leftMargin = only.rightMargin = 0;
  only.tablesAcross = 1;
  only.printLogo = false;
  only.printEmptyRows = false;
  only.pageTotals = only.groupTotals = only.grandTotals = false;
  only.defaultHeader = true;
  try {
    PageComposer composer(only, nullptr, printedColumns(only, nullptr), dpi);
    const Sheet sheet = composer.compose(0, 0);
    QPainter p(&image);
    paintSheet(p, sheet, 1.0, 1.0);
  } catch (const ReportError&) {
    // A column width that is no number: nothing to show until it is put right.
  }
  return image;
}

HeaderDesignPage::HeaderDesignPage(ReportTemplate& t, QWidget* parent)
    : QScrollArea(parent), t_(t) {
  panel_ = new QWidget;
  panel_->setAutoFillBackground(true);
  QPalette grey = panel_->palette();
  grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
  panel_->setPalette(grey);
  ruler_ = new PageRuler(panel_);
  ruler_->move(0, 0);
  box_ = new SectionTextBox(panel_);
  box_->setObjectName(QStringLiteral("headerDesign"));
  box_->setContextMenuPolicy(Qt::CustomContextMenu);
  strip_ = new QLabel(panel_);
  strip_->setObjectName(QStringLiteral("defaultHeaderStrip"));
  fieldList_ = insertList(panel_, QStringLiteral("insertField"));
  functionList_ = insertList(panel_, QStringLiteral("insertFunction"));
  functionList_->addItem(kQuit);
  for (const char* f : kFunctions) functionList_->addItem(QString::fromUtf8(f));
  setWidget(panel_);
  setWidgetResizable(false);

  connect(box_, &QTextEdit::textChanged, this, [this] {
    if (filling_) return;
    t_.sections[kBody].lines = sectionLines(*box_);
    emit edited();
  });
  buildMenu();
  connect(box_, &QWidget::customContextMenuRequested, this, &HeaderDesignPage::showMenu);
  for (QListWidget* list : {fieldList_, functionList_})
    connect(list, &QListWidget::itemClicked, this,
            [this, list](QListWidgetItem* item) { chosen(list, item->text()); });
}

void HeaderDesignPage::setFields(const QStringList& fields) {
  fieldList_->clear();
  fieldList_->addItem(kQuit);
  fieldList_->addItems(fields);
}

void HeaderDesignPage::fill() {
  const TextSection& body = t_.sections[kBody];
  filling_ = true;
  showSectionLines(*box_, body);
  filling_ = false;
  layOut();
}

void HeaderDesignPage::layOut() {
  const int dpi = logicalDpiX();
  const int pageWidth = mmToPixels(t_.pageWidth(), dpi);
  const int left = mmToPixels(t_.leftMargin, dpi);
  const int printable = pageWidth - left - mmToPixels(t_.rightMargin, dpi);
  const int boxWidth = std::max(20, printable / std::max(1, t_.tablesAcross));
  // The panel fills the visible height, less the scroll bar a page wider than the view needs.
  const QSize view = maximumViewportSize();
  const int panelWidth = std::max(pageWidth, left + boxWidth);
  const int scrollBar = panelWidth > view.width() ? horizontalScrollBar()->sizeHint().height() : 0;
  const int panelHeight = std::max(view.height() - scrollBar, kRuler + kBoxHeight + 40);
  panel_->resize(panelWidth, panelHeight);
  ruler_->setPage(t_.pageWidth(), t_.leftMargin, t_.rightMargin, dpi);

  const SectionFont body = sectionFont(t_.sections[kBody], dpi, true);
  QFont shown = body.font;
  box_->setFont(shown);
  QPalette colours = box_->palette();
  colours.setColor(QPalette::Text, body.colour);
  box_->setPalette(colours);
  box_->setLineAlignment(lineAlignment(t_.sections[kBody].alignment));

  int boxHeight = kBoxHeight;
  if (t_.defaultHeader) {
    // A rule line and a title row, each one body line high.
    const int stripHeight = std::min(panelHeight - 40, 2 * body.lineHeight);
    boxHeight = std::max(20, panelHeight - kRuler - stripHeight);
    strip_->setGeometry(left, panelHeight - stripHeight, boxWidth, stripHeight);
    strip_->setPixmap(QPixmap::fromImage(defaultHeaderStrip(t_, boxWidth, stripHeight, dpi)));
    strip_->show();
  } else {
    strip_->hide();
  }
  box_->setGeometry(left, kRuler, boxWidth, boxHeight);
  scrollToAlignment();
}

void HeaderDesignPage::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  layOut();
}

void HeaderDesignPage::scrollToAlignment() {
  QScrollBar* bar = horizontalScrollBar();
  switch (t_.sections[kBody].alignment) {
    case TextAlignment::Left:
      bar->setValue(bar->minimum());
      break;
    case TextAlignment::Right:
      bar->setValue(bar->maximum());
      break;
    case TextAlignment::Centre:
      bar->setValue((bar->minimum() + bar->maximum()) / 2);
      break;
  }
}

void HeaderDesignPage::buildMenu() {
  menu_ = new QMenu(this);
  menu_->addAction(QStringLiteral("清空行"), this, [this] {
    QTextCursor line = box_->textCursor();
    line.movePosition(QTextCursor::StartOfBlock);
    line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    line.removeSelectedText();
  });
  menu_->addAction(QStringLiteral("删除行"), this, [this] {
    // The line goes with one of the breaks beside it: the one after it, or before the last line.
    QTextCursor line = box_->textCursor();
    const QTextBlock block = line.block();
    if (block.next().isValid()) {
      line.setPosition(block.position());
      line.setPosition(block.next().position(), QTextCursor::KeepAnchor);
    } else {
      line.setPosition(block.previous().isValid() ? block.position() - 1 : block.position());
      line.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    }
    line.removeSelectedText();
  });
  defaultHeader_ = menu_->addAction(QString(), this, [this] {
    t_.defaultHeader = !t_.defaultHeader;
    layOut();
  });
  menu_->addAction(QStringLiteral("插入字段"), this, [this] { showList(fieldList_); });
  menu_->addAction(QStringLiteral("插入函数"), this, [this] { showList(functionList_); });
}

void HeaderDesignPage::showMenu(const QPoint& at) {
  defaultHeader_->setText(t_.defaultHeader ? QStringLiteral("取消默认表头")
                                           : QStringLiteral("使用默认表头"));
  menu_->popup(box_->mapToGlobal(at));
}

void HeaderDesignPage::showList(QListWidget* list) {
  const QPoint caret = box_->mapTo(panel_, box_->cursorRect().bottomLeft());
  list->move(std::min(caret.x(), panel_->width() - list->width()),
             std::min(caret.y(), panel_->height() - list->height()));
  list->show();
  list->raise();
}

void HeaderDesignPage::chosen(QListWidget* list, const QString& entry) {
  list->hide();
  if (entry == kQuit) return;
  // A field goes in bracketed; a function's token is the bracketed part of its entry.
  const QString token = list == fieldList_ ? QLatin1Char('[') + entry + QLatin1Char(']')
                                           : entry.mid(entry.indexOf(QLatin1Char('[')));
  box_->insertPlainText(token);
  box_->setFocus();
}

}  // namespace torvanel
