#pragma once

#include <QString>
#include <stdexcept>
#include <vector>

#include "app/reports/report_template.h"

namespace tdb {
class Table;
}

namespace torvanel {

// A report that cannot be made as its template stands. The message is for the user, in Chinese,
// and names what is wrong.
class ReportError : public std::runtime_error {
 public:
  explicit ReportError(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString text() const { return QString::fromUtf8(what()); }
};

// One grid column that is printed ("√" in its printed row), with what a row needs of it.
struct PrintedColumn {
  enum class Kind { Field, PageRowNo, GroupRowNo, TotalRowNo };
  int grid = 0;  // index in the grid's columns
  QString name;  // the field or row-number name, trimmed
  Kind kind = Kind::Field;
  int field = -1;  // the table's field index, for Kind::Field with a table
  int width = 0;   // cells, 0..kMostCells; a 0-wide column takes no place in rows or rules
};

// No sheet is that many cells wide; a wider width is a typing error, not a layout.
constexpr int kMostCells = 999;

// The printed columns in print order, every one checked before anything is drawn: its width must
// be a whole number from 0 to kMostCells and, with a table, its field must exist. Throws one
// ReportError naming the first column that fails, so nothing is printed.
std::vector<PrintedColumn> printedColumns(const ReportTemplate& t, tdb::Table* table);

}  // namespace torvanel
