#include "app/reports/designer_inputs.h"

#include "app/reports/head_tail_text_box.h"

namespace torvanel {

void showSectionLines(SectionTextBox& box, const TextSection& section) {
  box.start(section.lines.join(QLatin1Char('\n')), section.maxLength, section.multiline);
}

QStringList sectionLines(const SectionTextBox& box) {
  const QString text = box.text();
  return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

}  // namespace torvanel
