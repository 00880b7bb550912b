#pragma once

#include <QString>
#include <QStringList>

#include "app/common/global_settings.h"

namespace torvanel {

// The settings file "setfile.tsm" in the program folder: four lines, CR LF, GBK.
//   1 useMemoryBuffer   "true" / "false"  (true exactly when the line is "true")
//   2 autoSaveOnExit    "true" / "false"
//   3 defaultDbfType    "dbase" / "foxpro" (ttDBase exactly when the line is "dbase")
//   4 formulaDecimals   shortest decimal text, read as a decimal number
// Comparisons are exact and case-sensitive. Missing lines read as empty ones.
namespace settings_file {

inline constexpr const char* kFileName = "setfile.tsm";

QString path(const QString& programFolder);

QStringList toLines(const GlobalSettings& settings);

// Applies the lines in order. A line 4 that is no number throws FileError after lines 1 to 3
// have been applied, leaving formulaDecimals as it was.
void applyLines(const QStringList& lines, GlobalSettings& settings);

// Reads the file into `settings`. A missing file is no error and changes nothing. Throws
// FileError when the file cannot be read or its line 4 is no number (see applyLines).
void read(const QString& programFolder, GlobalSettings& settings);

// Rewrites the whole file atomically. Throws FileError, leaving the old file whole.
void write(const QString& programFolder, const GlobalSettings& settings);

}  // namespace settings_file

// The number of decimal places a rounding scale stands for: the length of its shortest decimal
// text minus one (100 -> 2, 1 -> 0, 1e12 -> 12).
int decimalPlaces(double formulaDecimals);

// 1 multiplied by 10, `places` times.
double scaleForPlaces(int places);

}  // namespace torvanel
