#pragma once

#include <QString>
#include <QStringList>

#include "app/reports/report_template.h"

namespace torvanel {

// A template file: GBK text, one value a line, CR LF, in a fixed order (paper, margins, logo,
// seven section blocks, the grid cell by cell row by row, grouping, rules). Numbers are decimal;
// flags "1" or "0"; text lines are stored as they are.

// The template the lines describe, its values clamped to their ranges. Throws FileError naming
// `fileName` and the line (from 1) that does not hold what its place needs: a number line without
// a number, a grid that has not 11 rows or an implausible column count, or the lines ending
// early. Nothing is returned half-read, so a caller's template stays as it was.
ReportTemplate parseTemplate(const QStringList& lines, const QString& fileName);

// The lines of `t` in file order. A line break inside a text would split its line and shift every
// value after it, so it is stored as a blank.
QStringList templateLines(const ReportTemplate& t);

// Reads the file at `path` (see parseTemplate). Throws FileError when it cannot be read.
ReportTemplate readTemplateFile(const QString& path);
// Replaces the file at `path` through a temporary file; throws FileError and leaves the old file
// when that fails.
void writeTemplateFile(const QString& path, const ReportTemplate& t);

// ---- names and places

// The name as a template file: a name without a folder is in `programFolder` (ending in '/').
QString templatePath(const QString& programFolder, const QString& name);

// A table's base name: its file name without folder and without its extension.
QString tableBaseName(const QString& tableName);

// The table's own templates that exist: base name + ".ts0" ... ".ts9" in the program folder, in
// that order, as file names.
QStringList tableTemplates(const QString& programFolder, const QString& tableName);

// The logo bitmap that goes with the template `templateName` (as the designer knows it): the
// name's first "." within its file name removed, then ".bmp", resolved like the template; with no
// template name, base name + "ts0.bmp". A "." in a folder of the path is left alone.
QString logoPath(const QString& programFolder, const QString& templateName,
                 const QString& tableName);

// The template the designer loads for `name`: the file when it exists (`existed` true), the
// defaults otherwise; then reconciled with the table's fields (and sizes) and clamped. Throws
// FileError from reading; the caller's template is then untouched.
ReportTemplate loadTemplate(const QString& programFolder, const QString& name,
                            const QStringList& fields, const std::vector<int>& fieldSizes,
                            bool* existed = nullptr);

}  // namespace torvanel
