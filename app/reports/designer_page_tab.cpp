#include "app/reports/designer_page_tab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/reports/designer_page_picture.h"
#include "app/reports/report_dialog_parts.h"

namespace torvanel {

namespace {

// The paper list, in the order of the template's paper types.
const char* const kPaperLabels[] = {
    "A4  (210x297mm)",     "B5  (182x257mm)",     "A3  (297x420mm)",
    "A5  (148x210mm)",     "B4  (250x354mm)",     "16开(190x254mm)",
    "窄行打印纸(240x280)", "宽行打印纸(380x280)", "自定义         "};
constexpr int kOwnSize = 8;

// The template stores sizes in 16 bits and margins in 8: larger numbers cannot be typed.
constexpr int kLargestSize = 65535;
constexpr int kLargestMargin = 255;

// A number box that tells its value when the user leaves it or presses Enter, not at every
// keystroke: a size typed digit by digit is not raised to its margins half-way.
NumberBox* quietNumberBox(int minimum, int maximum, QWidget* parent) {
  auto* box = new NumberBox(minimum, maximum, parent);
  box->setKeyboardTracking(false);
  return box;
}

}  // namespace

DesignerPageTab::DesignerPageTab(ReportTemplate& t, QWidget* parent) : QWidget(parent), t_(t) {
  thumbnail_ = new QLabel(this);
  thumbnail_->setObjectName(QStringLiteral("thumbnail"));
  thumbnail_->setFixedSize(161, 161);
  auto* preview = new QGroupBox(QStringLiteral("页面预览"), this);
  auto* previewLayout = new QVBoxLayout(preview);
  previewLayout->addWidget(thumbnail_, 0, Qt::AlignCenter);

  auto* left = new QVBoxLayout;
  left->addWidget(paperGroup());
  left->addWidget(marginGroup());
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(textGroup(QStringLiteral("报表标题"), kMainTitle, QStringLiteral("主标题："),
                             QStringLiteral("副标题：")));
  QWidget* headerFooter = textGroup(QStringLiteral("页眉页脚"), kPageHeader,
                                    QStringLiteral("页眉："), QStringLiteral("页脚："));
  printLogo_ = new QCheckBox(QStringLiteral("在表头打印图形徽标："), headerFooter);
  printLogo_->setLayoutDirection(Qt::RightToLeft);
  logo_ = new QPushButton(QStringLiteral("装入图形   "), headerFooter);
  auto* logoRow = new QHBoxLayout;
  logoRow->addWidget(printLogo_);
  logoRow->addWidget(logo_);
  logoRow->addStretch(1);
  static_cast<QVBoxLayout*>(headerFooter->layout())->addLayout(logoRow);
  right->addWidget(headerFooter);
  right->addWidget(preview);
  right->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(right, 1);

  connect(printLogo_, &QCheckBox::toggled, this, [this](bool on) {
    if (filling_) return;
    t_.printLogo = on;
    logo_->setEnabled(on);
    emit changed();
  });
  connect(logo_, &QPushButton::clicked, this, &DesignerPageTab::editLogo);
}

QWidget* DesignerPageTab::paperGroup() {
  auto* group = new QGroupBox(QStringLiteral("纸张设置(单位:毫米)"), this);
  paper_ = new QComboBox(group);
  for (const char* label : kPaperLabels) paper_->addItem(QString::fromUtf8(label));
  width_ = quietNumberBox(0, kLargestSize, group);
  height_ = quietNumberBox(0, kLargestSize, group);
  landscape_ = new QCheckBox(group);
  across_ = quietNumberBox(1, 10, group);
  auto* form = new QFormLayout(group);
  form->addRow(QStringLiteral("纸张类型："), paper_);
  const std::pair<QString, QWidget*> rows[] = {{QStringLiteral("宽    度："), width_},
                                               {QStringLiteral("高    度："), height_},
                                               {QStringLiteral("纸张横排："), landscape_},
                                               {QStringLiteral("横向表数:"), across_}};
  for (const auto& [caption, box] : rows) form->addRow(caption, box);
  numbers_.insert(rows[0].first, width_);
  numbers_.insert(rows[1].first, height_);
  numbers_.insert(rows[3].first, across_);

  connect(paper_, &QComboBox::currentIndexChanged, this, [this](int type) {
    if (filling_) return;
    if (type < 0) type = 0;  // no choice counts as the first paper
    t_.paperType = type;
    if (type != kOwnSize) {
      t_.paperWidth = kPaperSizes[type].width;
      t_.paperHeight = kPaperSizes[type].height;
    }
    paperChanged();
  });
  const std::pair<NumberBox*, int ReportTemplate::*> sizes[] = {
      {width_, &ReportTemplate::paperWidth}, {height_, &ReportTemplate::paperHeight}};
  for (const auto& [box, member] : sizes)
    connect(box, &QSpinBox::valueChanged, this, [this, member = member](int v) {
      if (filling_) return;
      t_.*member = v;
      paperChanged();
    });
  connect(landscape_, &QCheckBox::toggled, this, [this](bool on) {
    if (filling_) return;
    t_.landscape = on;
    paperChanged();
  });
  connect(across_, &QSpinBox::valueChanged, this, [this](int n) {
    if (filling_) return;
    t_.tablesAcross = n;
    emit changed();
  });
  return group;
}

QWidget* DesignerPageTab::marginGroup() {
  auto* group = new QGroupBox(QStringLiteral("定义页边距(单位:毫米)"), this);
  auto* form = new QFormLayout(group);
  const std::pair<const char*, int ReportTemplate::*> margins[] = {
      {"上边距：", &ReportTemplate::topMargin},
      {"下边距：", &ReportTemplate::bottomMargin},
      {"左边距：", &ReportTemplate::leftMargin},
      {"右边距：", &ReportTemplate::rightMargin}};
  for (size_t i = 0; i < margins_.size(); ++i) {
    margins_[i] = quietNumberBox(0, kLargestMargin, group);
    form->addRow(QString::fromUtf8(margins[i].first), margins_[i]);
    numbers_.insert(QString::fromUtf8(margins[i].first), margins_[i]);
    connect(margins_[i], &QSpinBox::valueChanged, this, [this, member = margins[i].second](int v) {
      if (filling_) return;
      t_.*member = v;
      paperChanged();
    });
  }
  return group;
}

QWidget* DesignerPageTab::textGroup(const QString& title, int first, const QString& firstLabel,
                                    const QString& secondLabel) {
  auto* group = new QGroupBox(title, this);
  auto* grid = new QGridLayout;
  const QString labels[] = {firstLabel, secondLabel};
  for (int i = 0; i < 2; ++i) {
    const int section = first + i;
    auto* box = new QLineEdit(group);
    auto* edit = new QPushButton(QStringLiteral("..."), group);
    edit->setObjectName(QStringLiteral("edit%1").arg(section));
    edit->setToolTip(labels[i]);
    edit->setFixedWidth(32);
    grid->addWidget(new QLabel(labels[i], group), i, 0);
    grid->addWidget(box, i, 1);
    grid->addWidget(edit, i, 2);
    texts_[section] = box;
    connect(box, &QLineEdit::textEdited, this, [this, section](const QString& text) {
      t_.sections[section].text = text;
      emit changed();
    });
    connect(edit, &QPushButton::clicked, this, [this, section] { emit editSection(section); });
  }
  auto* layout = new QVBoxLayout(group);
  layout->addLayout(grid);
  return group;
}

void DesignerPageTab::fill() {
  filling_ = true;
  paper_->setCurrentIndex(t_.paperType);
  landscape_->setChecked(t_.landscape);
  across_->setValue(t_.tablesAcross);
  for (int s = 0; s < 4; ++s) {
    texts_[s]->setMaxLength(t_.sections[s].maxLength);
    texts_[s]->setText(t_.sections[s].text);
  }
  printLogo_->setChecked(t_.printLogo);
  logo_->setEnabled(t_.printLogo);
  filling_ = false;
  showPaper();
}

void DesignerPageTab::paperChanged() {
  showPaper();
  emit changed();
}

void DesignerPageTab::showPaper() {
  clampToRanges(t_);  // the paper at least as large as its margins, stored so
  filling_ = true;
  width_->setValue(t_.paperWidth);
  height_->setValue(t_.paperHeight);
  margins_[0]->setValue(t_.topMargin);
  margins_[1]->setValue(t_.bottomMargin);
  margins_[2]->setValue(t_.leftMargin);
  margins_[3]->setValue(t_.rightMargin);
  filling_ = false;
  thumbnail_->setPixmap(QPixmap::fromImage(pageThumbnail(t_)));
}

}  // namespace torvanel
