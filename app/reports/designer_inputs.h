#pragma once

#include <QStringList>

#include "app/reports/report_template.h"

namespace torvanel {

class SectionTextBox;

// The designer's boxes for the sections kept as lines (head text, tail text, hand-drawn header).

// Shows the section's lines in `box` under the section's limits.
void showSectionLines(SectionTextBox& box, const TextSection& section);
// The lines the box holds; none for an empty box.
QStringList sectionLines(const SectionTextBox& box);

}  // namespace torvanel
