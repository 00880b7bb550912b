#include "app/shell/settings.h"

#include <QFileInfo>
#include <charconv>
#include <cmath>

#include "app/common/file_error.h"
#include "app/common/number_text.h"
#include "app/common/shown_text.h"
#include "app/common/text_file.h"

namespace torvanel {

namespace settings_file {

namespace {

QString boolText(bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); }

// A decimal number as the settings file holds it; blanks around it are allowed.
bool parseNumber(const QString& text, double& out) {
  const std::string s = text.trimmed().toStdString();
  if (s.empty()) return false;
  const char* begin = s.data();
  if (*begin == '+') ++begin;  // from_chars takes no plus sign
  double v = 0;
  auto r = std::from_chars(begin, s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

}  // namespace

QString path(const QString& programFolder) {
  return programFolder + QString::fromLatin1(kFileName);
}

QStringList toLines(const GlobalSettings& s) {
  return {boolText(s.useMemoryBuffer), boolText(s.autoSaveOnExit),
          s.defaultDbfType == tdb::TableType::ttDBase ? QStringLiteral("dbase")
                                                      : QStringLiteral("foxpro"),
          QString::fromStdString(shortestNumberText(s.formulaDecimals))};
}

void applyLines(const QStringList& lines, GlobalSettings& s) {
  auto line = [&](int i) { return i < lines.size() ? lines[i] : QString(); };
  s.useMemoryBuffer = line(0) == QLatin1String("true");
  s.autoSaveOnExit = line(1) == QLatin1String("true");
  s.defaultDbfType =
      line(2) == QLatin1String("dbase") ? tdb::TableType::ttDBase : tdb::TableType::ttFoxPro;
  double scale = 0;
  if (!parseNumber(line(3), scale))
    throw FileError(QStringLiteral("设置文件第4行[%1]不是有效的数值").arg(shownText(line(3))));
  s.formulaDecimals = scale;
}

void read(const QString& programFolder, GlobalSettings& s) {
  const QString file = path(programFolder);
  if (!QFileInfo::exists(file)) return;
  applyLines(readGbkLines(file), s);
}

void write(const QString& programFolder, const GlobalSettings& s) {
  writeGbkLines(path(programFolder), toLines(s));
}

}  // namespace settings_file

int decimalPlaces(double formulaDecimals) {
  return static_cast<int>(shortestNumberText(formulaDecimals).size()) - 1;
}

double scaleForPlaces(int places) {
  double scale = 1;
  for (int i = 0; i < places; ++i) scale *= 10;
  return scale;
}

}  // namespace torvanel
