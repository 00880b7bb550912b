#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "app/projects/project_definition.h"

namespace torvanel {

// The project file: one per master table, in the program folder, GBK with CR LF.
//   one line per auxiliary table with a table name:
//       database|table|relation type|relation text|shown|lookup index
//   ====================辅助表项
//   one line per field with a formula: field|formula
//   ====================字段公式项
//   page count
//   per page i: "@i|caption", then one line per row: field|display name|prompt source
//               (a page without fields: "||")
//   ********************结束
// Values are written verbatim. The reader takes each column up to the next "|", the last column
// the rest of the line. A section ends at a line that begins with twenty "=" (or "*" for the
// page section) or at the end of the file; the words after them are not read.
namespace project_file {

// The file name of a master's project: its extension, found as a file name's extension is (from
// the last "." followed by no "\", no ":" and no "/"), loses its first occurrence in the text, then
// every \ / : * ? " < > | goes, then ".tsm" is appended. "[C:\DATA]STOCK.DBF" gives
// "[CDATA]STOCK.tsm"; "[SALES]orders.db" and "[SALES]orders" give "[SALES]orders.tsm".
QString fileName(const QString& masterText);

QString path(const QString& programFolder, const QString& masterText);

// The file's lines for `project`, without line ends.
QStringList toLines(const ProjectDefinition& project);

// Reads `lines` into `project`, which `reset` and the master's formulas have prepared: auxiliary
// entries replace the empty one, formulas go to the entry of the exactly equal field (others are
// dropped), pages are added up to the count and filled. A page count, or a page header's number,
// that is not a decimal integer, or is beyond maxPages, or a header number outside the pages
// counted, throws FileError naming the line; what was read before it stays.
void applyLines(const QStringList& lines, ProjectDefinition& project);

// More pages than any person designs: a count beyond this is a damaged file, not an allocation.
inline constexpr int kMaxPages = 1000;

// Reads the master's project file into `project` as applyLines does; a missing file changes
// nothing and returns false. Throws FileError when the file cannot be read or is damaged.
bool read(const QString& programFolder, ProjectDefinition& project);

// The file's bytes: GBK lines each ending CR LF. Text GBK cannot hold becomes "?" here; callers
// that save a user's project refuse it beforehand (projectTextProblem).
QByteArray toBytes(const ProjectDefinition& project);

// Replaces the master's project file atomically. Throws FileError, leaving the old file whole.
void write(const QString& programFolder, const ProjectDefinition& project);

}  // namespace project_file

}  // namespace torvanel
