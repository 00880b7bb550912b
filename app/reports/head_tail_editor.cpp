#include "app/reports/head_tail_editor.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/common/gbk_codec.h"
#include "app/reports/head_tail_text_box.h"
#include "app/reports/report_dialog_parts.h"
#include "app/reports/report_fonts.h"
#include "app/ui/dialogs.h"

namespace torvanel {

namespace {

constexpr int kRulerHeight = 20;

// The tokens the insert button's menu offers, after its "退出".
struct TokenEntry {
  const char* caption;
  const char* token;
};
constexpr TokenEntry kTokens[] = {
    {"页码[PageNum]", "[PageNum]"},       {"总页号[PageCou]", "[PageCou]"},
    {"分组页码[GPageNum]", "[GPageNum]"}, {"分组总页码[GPageCou]", "[GPageCou]"},
    {"打印日期[PrinDate]", "[PrinDate]"}, {"打印时间[PrinTime]", "[PrinTime]"},
};

// The colour box's colours, stored as 0x00BBGGRR.
struct NamedColour {
  const char* name;
  int value;
};
constexpr NamedColour kColours[] = {
    {"黑色", 0x000000}, {"栗色", 0x000080}, {"绿色", 0x008000},   {"橄榄色", 0x008080},
    {"藏青", 0x800000}, {"紫色", 0x800080}, {"青色", 0x808000},   {"灰色", 0x808080},
    {"银色", 0xC0C0C0}, {"红色", 0x0000FF}, {"酸橙色", 0x00FF00}, {"黄色", 0x00FFFF},
    {"蓝色", 0xFF0000}, {"紫红", 0xFF00FF}, {"浅绿", 0xFFFF00},   {"白色", 0xFFFFFF},
};
const QString kOwnColour = QStringLiteral("自定义");

void addColour(QComboBox& box, const QString& name, int value) {
  QPixmap swatch(16, 12);
  swatch.fill(colourFromStored(value));
  box.addItem(QIcon(swatch), name, value);
}

// The section's role, for a message.
QString sectionName(Section section) {
  static const char* const names[kSectionCount] = {"主标题", "副标题", "页眉", "页脚",
                                                   "表头",   "表尾",   "表体"};
  return QString::fromUtf8(names[section]);
}

// The grey page with its ruler: the printable range in aqua, the margins in teal.
class PagePicture : public QWidget {
 public:
  using QWidget::QWidget;
  void setPage(int dpi, int widthMm, int fromMm, int toMm) {
    dpi_ = dpi, widthMm_ = widthMm, fromMm_ = fromMm, toMm_ = toMm;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::gray);
    drawRuler(painter, dpi_, 0, kRulerHeight, widthMm_, fromMm_, toMm_);
  }

 private:
  int dpi_ = 96, widthMm_ = 0, fromMm_ = 0, toMm_ = 0;
};

}  // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  setModal(true);
  buildControls();
}

void TForm3::buildControls() {
  insertButton_ = new QToolButton(this);
  insertButton_->setText(QStringLiteral("插入函数字段"));
  insertButton_->setToolTip(QStringLiteral("插入函数字段"));
  insertButton_->setPopupMode(QToolButton::MenuButtonPopup);
  auto* tokens = new QMenu(insertButton_);
  tokens->addAction(QStringLiteral("退出"));
  for (const TokenEntry& e : kTokens) {
    const QString token = QString::fromUtf8(e.token);
    connect(tokens->addAction(QString::fromUtf8(e.caption)), &QAction::triggered, this,
            [this, token] { insert(token); });
  }
  insertButton_->setMenu(tokens);
  connect(insertButton_, &QToolButton::clicked, this, &TForm3::showFieldList);

  fonts_ = new QComboBox(this);
  fonts_->setEditable(true);
  fonts_->setInsertPolicy(QComboBox::NoInsert);
  fonts_->setToolTip(QStringLiteral("选择字体"));
  fonts_->setMinimumContentsLength(12);
  connect(fonts_, &QComboBox::activated, this, [this](int entry) {
    working_.fontName = fonts_->itemText(entry);
    showFont();
  });
  connect(fonts_->lineEdit(), &QLineEdit::editingFinished, this, &TForm3::fontTyped);

  size_ = new NumberBox(5, 72, this);
  size_->setToolTip(QStringLiteral("设定字号"));
  connect(size_, &QSpinBox::valueChanged, this, [this](int points) {
    working_.size = points;
    showFont();
  });

  bold_ = newToggle(QStringLiteral("粗体"), this);
  italic_ = newToggle(QStringLiteral("斜体"), this);
  underline_ = newToggle(QStringLiteral("下画线"), this);
  const auto style = [this](QToolButton* button, bool TextSection::*flag) {
    connect(button, &QToolButton::toggled, this, [this, flag](bool on) {
      working_.*flag = on;
      showFont();
    });
  };
  style(bold_, &TextSection::bold);
  style(italic_, &TextSection::italic);
  style(underline_, &TextSection::underline);

  alignment_ = new QButtonGroup(this);
  const std::pair<const char*, TextAlignment> aligns[] = {{"左对齐", TextAlignment::Left},
                                                          {"中间对齐", TextAlignment::Centre},
                                                          {"右对齐", TextAlignment::Right}};
  for (const auto& [caption, value] : aligns)
    alignment_->addButton(newToggle(QString::fromUtf8(caption), this), static_cast<int>(value));
  connect(alignment_, &QButtonGroup::idClicked, this, &TForm3::alignmentChosen);

  colour_ = new QComboBox(this);
  colour_->setToolTip(QStringLiteral("字体颜色"));
  connect(colour_, &QComboBox::activated, this, [this](int entry) {
    working_.colour = colour_->itemData(entry).toInt();
    showFont();
  });

  spacing_ = new NumberBox(0, 30, this);
  connect(spacing_, &QSpinBox::valueChanged, this, [this](int mm) { working_.spacing = mm; });

  auto* tools = new QHBoxLayout;
  tools->addWidget(insertButton_);
  tools->addWidget(fonts_);
  tools->addWidget(size_);
  for (QWidget* w : {bold_, italic_, underline_}) tools->addWidget(w);
  for (QAbstractButton* b : alignment_->buttons()) tools->addWidget(b);
  tools->addWidget(colour_);
  auto* spacingLabel = new QLabel(QStringLiteral("与前边间距(毫米):"), this);
  spacingLabel->setBuddy(spacing_);
  tools->addWidget(spacingLabel);
  tools->addWidget(spacing_);
  tools->addStretch();

  page_ = new PagePicture;
  text_ = new SectionTextBox(page_);
  view_ = new QScrollArea(this);
  view_->setWidget(page_);
  view_->setBackgroundRole(QPalette::Dark);

  auto* ok = new QPushButton(QStringLiteral("确认"), this);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  for (QPushButton* b : {ok, cancel}) b->setAutoDefault(false);  // Enter belongs to the text
  connect(ok, &QPushButton::clicked, this, &TForm3::confirm);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(tools);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);

  // Floats under the insert button while shown, over whatever lies there.
  fieldList_ = new QListWidget(this);
  fieldList_->hide();
  fieldList_->installEventFilter(this);
  connect(fieldList_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { fieldChosen(item->text()); });
  connect(fieldList_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { fieldChosen(item->text()); });
}

bool TForm3::editSection(ReportTemplate& t, Section section, const QStringList& fields) {
  template_ = &t;
  section_ = section;
  fillFrom(t, section, fields);
  const bool changed = exec() == QDialog::Accepted;
  template_ = nullptr;
  return changed;
}

void TForm3::fillFrom(const ReportTemplate& t, Section section, const QStringList& fields) {
  working_ = t.sections[section];
  setWindowTitle(working_.caption);
  fieldList_->hide();
  fieldList_->clear();
  fieldList_->addItem(QStringLiteral("退出"));
  fieldList_->addItems(fields);

  // The controls show the copy; none of their signals may change it while they are set.
  const TextSection shown = working_;
  fonts_->clear();
  fonts_->addItems(QFontDatabase::families());
  const int font = fonts_->findText(shown.fontName, Qt::MatchExactly);
  fonts_->setCurrentIndex(font);
  // A name not installed here stays the section's font: the report draws it with its fallback,
  // and a machine that has the font prints it as designed.
  if (font < 0) fonts_->setEditText(shown.fontName);
  size_->setValue(shown.size);
  bold_->setChecked(shown.bold);
  italic_->setChecked(shown.italic);
  underline_->setChecked(shown.underline);
  alignment_->button(static_cast<int>(shown.alignment))->setChecked(true);
  colour_->clear();
  for (const NamedColour& c : kColours) addColour(*colour_, QString::fromUtf8(c.name), c.value);
  int colour = colour_->findData(shown.colour);
  if (colour < 0) {
    addColour(*colour_, kOwnColour, shown.colour);
    colour = colour_->count() - 1;
  }
  colour_->setCurrentIndex(colour);
  spacing_->setValue(shown.spacing);
  working_ = shown;

  const bool lines = section == kHeadText || section == kTailText;
  text_->start(lines ? shown.lines.join(QLatin1Char('\n')) : shown.text, shown.maxLength,
               shown.multiline);
  showFont();
  layOutPage(t, section);
  resize(std::min(900, page_->width() + 40), shown.multiline ? 420 : 260);
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  alignmentChosen(static_cast<int>(shown.alignment));
  text_->setFocus();
}

void TForm3::layOutPage(const ReportTemplate& t, Section section) {
  const int dpi = logicalDpiX();
  const int pageMm = t.pageWidth();
  const int printableMm = std::max(0, pageMm - t.leftMargin - t.rightMargin);
  int printable = mmToPixels(printableMm, dpi);
  // Head and tail texts stand over each band of a sheet that holds several tables across.
  if (section == kHeadText || section == kTailText) printable /= std::max(1, t.tablesAcross);
  const int boxHeight = working_.multiline ? 200 : QFontMetrics(text_->font()).height() + 14;
  static_cast<PagePicture*>(page_)->setPage(dpi, pageMm, t.leftMargin, t.leftMargin + printableMm);
  page_->setFixedSize(std::max(mmToPixels(pageMm, dpi), 40), kRulerHeight + boxHeight + 20);
  text_->setGeometry(mmToPixels(t.leftMargin, dpi), kRulerHeight, std::max(printable, 20),
                     boxHeight);
}

void TForm3::showFont() {
  text_->setFont(sectionScreenFont(working_));
  QPalette colours = text_->palette();
  colours.setColor(QPalette::Text, colourFromStored(working_.colour));
  text_->setPalette(colours);
}

void TForm3::fontTyped() {
  const QString typed = fonts_->currentText();
  if (typed == working_.fontName) return;
  const int entry = typedFontEntry(*fonts_, typed, Qt::MatchExactly);
  if (entry < 0) return;  // no font installed at all
  fonts_->setCurrentIndex(entry);
  working_.fontName = fonts_->itemText(entry);
  showFont();
}

void TForm3::alignmentChosen(int id) {
  working_.alignment = static_cast<TextAlignment>(id);
  text_->setLineAlignment(lineAlignment(working_.alignment));
  scrollToAlignedSide();
}

void TForm3::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  scrollToAlignedSide();
}

void TForm3::scrollToAlignedSide() {
  const int span = page_->width() - view_->viewport()->width() + 4;
  const int at = working_.alignment == TextAlignment::Left    ? 0
                 : working_.alignment == TextAlignment::Right ? span
                                                              : span / 2;
  view_->horizontalScrollBar()->setValue(at);
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
  if (watched == fieldList_ && event->type() == QEvent::FocusOut) fieldList_->hide();
  return QDialog::eventFilter(watched, event);
}

void TForm3::showFieldList() {
  const QPoint under = insertButton_->mapTo(this, QPoint(0, insertButton_->height()));
  const int rows =
      fieldList_->sizeHintForRow(0) * fieldList_->count() + 2 * fieldList_->frameWidth();
  fieldList_->setGeometry(under.x(), under.y(),
                          std::max(160, fieldList_->sizeHintForColumn(0) + 30),
                          std::min(rows, height() - under.y()));
  fieldList_->setCurrentRow(0);
  fieldList_->show();
  fieldList_->raise();
  fieldList_->setFocus();
}

void TForm3::fieldChosen(const QString& item) {
  fieldList_->hide();
  if (fieldList_->row(fieldList_->currentItem()) > 0)
    insert(QLatin1Char('[') + item + QLatin1Char(']'));
  text_->setFocus();
}

void TForm3::insert(const QString& token) {
  // A token is taken whole or not at all: a cut one would print as typed.
  if (text_->fits(token.size())) text_->insertPlainText(token);
  text_->setFocus();
}

void TForm3::confirm() {
  const QString text = text_->text();
  // The template file is GBK: what it cannot hold would come back as "?".
  if (!fitsGbk(text.toStdString())) {
    dialogs().message(sectionName(section_) +
                      QStringLiteral("中有报表摸板文件不能保存的字符,请改用其他字符!"));
    return;
  }
  if (section_ == kHeadText || section_ == kTailText)
    working_.lines = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
  else
    working_.text = text;
  template_->sections[section_] = working_;
  accept();
}

}  // namespace torvanel
