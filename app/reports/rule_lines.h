#pragma once

#include <QString>
#include <vector>

#include "app/reports/report_template.h"

namespace torvanel {

// The table of a report is text: every rule is a line of box-drawing characters and every row a
// run of cells, each as wide as one CJK character, so columns line up in any font whose box
// characters are one cell wide. A row is, for each column with a width above 0, a separator
// cell then `width` text cells, and one closing separator cell; a rule line has exactly one
// character per row cell, so rules and rows are always equally wide.

enum class RuleKind { Top, Middle, Bottom };

// The cells of one row for columns of these widths (0 when no column is wider than 0).
int rowCells(const std::vector<int>& widths);

// The rule line of `kind`: corner and junction characters at the separator cells and the
// horizontal character over the text cells with both rules; the horizontal character across
// every cell with horizontal rules only; empty without horizontal rules or without cells.
QString ruleLine(RuleKind kind, RuleStyle rules, LineStyle line, const std::vector<int>& widths);

// The character of a row's separator cells: the vertical rule when the style draws vertical
// rules, else empty (the cell is still taken).
QString rowSeparator(RuleStyle rules, LineStyle line);

}  // namespace torvanel
