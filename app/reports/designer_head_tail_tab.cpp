#include "app/reports/designer_head_tail_tab.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/reports/designer_inputs.h"
#include "app/reports/head_tail_text_box.h"

namespace torvanel {

DesignerHeadTailTab::DesignerHeadTailTab(ReportTemplate& t, QWidget* parent)
    : QWidget(parent), t_(t) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group(QStringLiteral("表头编辑"), kHeadText));
  layout->addWidget(group(QStringLiteral("表尾编辑"), kTailText));
}

QWidget* DesignerHeadTailTab::group(const QString& title, int section) {
  auto* g = new QGroupBox(title, this);
  auto* text = new SectionTextBox(g);
  text->setObjectName(section == kHeadText ? QStringLiteral("headText")
                                           : QStringLiteral("tailText"));
  auto* editor = new QPushButton(QStringLiteral("进入编辑器"), g);
  editor->setObjectName(text->objectName() + QStringLiteral("Editor"));
  auto* layout = new QVBoxLayout(g);
  layout->addWidget(text, 1);
  layout->addWidget(editor, 0, Qt::AlignRight);
  (section == kHeadText ? head_ : tail_) = text;
  connect(text, &QTextEdit::textChanged, this, [this, text, section] {
    if (filling_) return;
    t_.sections[section].lines = sectionLines(*text);
    emit edited();
  });
  connect(editor, &QPushButton::clicked, this, [this, section] { emit editSection(section); });
  return g;
}

SectionTextBox* DesignerHeadTailTab::box(int section) const {
  return section == kHeadText ? head_ : tail_;
}

void DesignerHeadTailTab::fill() {
  filling_ = true;
  for (int s : {int(kHeadText), int(kTailText)}) showSectionLines(*box(s), t_.sections[s]);
  filling_ = false;
}

}  // namespace torvanel
