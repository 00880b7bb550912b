#pragma once

#include <QString>

namespace tdb {
class Table;
}

namespace torvanel {

// What a report run without windows writes, and the layout's resolution.
struct ReportFiles {
  bool ranged = false;  // false: every page
  int from = 0;         // report pages from..to, from 1
  int to = 0;
  QString pdf;        // empty: no PDF
  QString pngFolder;  // empty: no pictures
  int layoutDpi = 96;
};

// The report of the open `table` (in its order and filter) with the template file `templatePath`
// fitted to its fields, written as `files` asks: the page calculation, then each sheet of the range
// composed and drawn. The template file is not changed. Throws FileError for a template that cannot
// be read, and OutputError for a report without pages, a range beyond the pages, and an output that
// cannot be written.
void writeReportFiles(const QString& programFolder, const QString& templatePath, tdb::Table& table,
                      const ReportFiles& files);

}  // namespace torvanel
