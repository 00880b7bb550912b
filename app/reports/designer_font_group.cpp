#include "app/reports/designer_font_group.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/reports/report_dialog_parts.h"
#include "app/reports/report_fonts.h"

namespace torvanel {

DesignerFontGroup::DesignerFontGroup(TextSection& section, QWidget* parent)
    : QGroupBox(QStringLiteral("字体选择及范例"), parent), s_(section) {
  fonts_ = new QComboBox(this);
  fonts_->setEditable(true);
  fonts_->setInsertPolicy(QComboBox::NoInsert);
  fonts_->addItems(QFontDatabase::families());
  size_ = new NumberBox(5, 72, this);
  bold_ = newToggle(QStringLiteral("粗体"), this);
  italic_ = newToggle(QStringLiteral("斜体"), this);
  underline_ = newToggle(QStringLiteral("下画线"), this);
  left_ = newToggle(QStringLiteral("左对齐"), this);
  centre_ = newToggle(QStringLiteral("居中"), this);
  right_ = newToggle(QStringLiteral("右对齐"), this);
  colour_ = new QPushButton(QStringLiteral("颜色："), this);
  sample_ = new QLabel(QStringLiteral("中文字体ABCDabcd1234"), this);
  sample_->setObjectName(QStringLiteral("sample"));
  sample_->setMinimumHeight(40);

  auto* grid = new QGridLayout(this);
  grid->addWidget(fonts_, 0, 0, 1, 4);
  grid->addWidget(new QLabel(QStringLiteral("字号："), this), 0, 4);
  grid->addWidget(size_, 0, 5);
  int column = 0;
  for (QWidget* w : {static_cast<QWidget*>(bold_), static_cast<QWidget*>(italic_),
                     static_cast<QWidget*>(underline_), static_cast<QWidget*>(left_),
                     static_cast<QWidget*>(centre_), static_cast<QWidget*>(right_)})
    grid->addWidget(w, 1, column++);
  grid->addWidget(colour_, 2, 0, 1, 2);
  grid->addWidget(sample_, 3, 0, 1, 6);

  connect(fonts_, &QComboBox::activated, this, [this](int entry) {
    if (filling_) return;
    s_.fontName = fonts_->itemText(entry);
    applied();
  });
  connect(fonts_->lineEdit(), &QLineEdit::editingFinished, this, &DesignerFontGroup::fontTyped);
  connect(size_, &QSpinBox::valueChanged, this, [this](int points) {
    if (filling_) return;
    s_.size = points;
    applied();
  });
  const std::pair<QToolButton*, bool TextSection::*> styles[] = {
      {bold_, &TextSection::bold},
      {italic_, &TextSection::italic},
      {underline_, &TextSection::underline}};
  for (const auto& [b, member] : styles)
    connect(b, &QToolButton::toggled, this, [this, member = member](bool on) {
      if (filling_) return;
      s_.*member = on;
      applied();
    });
  const std::pair<QToolButton*, TextAlignment> alignments[] = {{left_, TextAlignment::Left},
                                                               {centre_, TextAlignment::Centre},
                                                               {right_, TextAlignment::Right}};
  for (const auto& [b, a] : alignments)
    connect(b, &QToolButton::clicked, this, [this, a = a] {
      if (filling_) return;
      s_.alignment = a;
      applied();
    });
  connect(colour_, &QPushButton::clicked, this, [this] {
    const QColor c = QColorDialog::getColor(colourFromStored(s_.colour), this);
    if (!c.isValid()) return;
    s_.colour = storedFromColour(c);
    applied();
  });
}

QToolButton* DesignerFontGroup::button(const QString& text) const {
  for (QToolButton* b : {bold_, italic_, underline_, left_, centre_, right_})
    if (b->text() == text) return b;
  return nullptr;
}

void DesignerFontGroup::fontTyped() {
  if (filling_) return;
  const int entry = typedFontEntry(*fonts_, fonts_->currentText(), Qt::MatchFixedString);
  if (entry < 0 || s_.fontName == fonts_->itemText(entry)) {
    fill();
    return;
  }
  s_.fontName = fonts_->itemText(entry);
  applied();
}

void DesignerFontGroup::applied() {
  fill();
  emit changed();
}

void DesignerFontGroup::fill() {
  filling_ = true;
  const int entry = fonts_->findText(s_.fontName, Qt::MatchFixedString);
  if (entry >= 0)
    fonts_->setCurrentIndex(entry);
  else
    fonts_->setEditText(s_.fontName);
  size_->setValue(s_.size);
  bold_->setChecked(s_.bold);
  italic_->setChecked(s_.italic);
  underline_->setChecked(s_.underline);
  left_->setChecked(s_.alignment == TextAlignment::Left);
  centre_->setChecked(s_.alignment == TextAlignment::Centre);
  right_->setChecked(s_.alignment == TextAlignment::Right);
  sample_->setFont(sectionScreenFont(s_));
  QPalette p = sample_->palette();
  p.setColor(QPalette::WindowText, colourFromStored(s_.colour));
  sample_->setPalette(p);
  sample_->setAlignment(lineAlignment(s_.alignment) | Qt::AlignVCenter);
  filling_ = false;
}

}  // namespace torvanel
