#include "app/reports/designer_head_tail_tab.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/reports/designer_inputs.h"

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
  connect(text, &SectionTextBox::edited, this, [this, text, section] {
    t_.sections[section].lines = text->lines();
    emit edited();
  });
  connect(editor, &QPushButton::clicked, this, [this, section] { emit editSection(section); });
  return g;
}

SectionTextBox* DesignerHeadTailTab::box(int section) const {
  return section == kHeadText ? head_ : tail_;
}

void DesignerHeadTailTab::fill() {
  for (int s : {int(kHeadText), int(kTailText)}) {
    box(s)->setLimits(t_.sections[s].maxLength, t_.sections[s].multiline);
    box(s)->setLinesQuietly(t_.sections[s].lines);
  }
}

}  // namespace torvanel
