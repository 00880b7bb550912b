#include "app/reports/template_file.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <climits>

#include "app/common/file_error.h"
#include "app/common/text_file.h"

namespace torvanel {

namespace {

// More columns than any table has fields (1024) plus the row numbers: a count beyond it is damage,
// and reading on would only hunt for lines that are not there.
constexpr int kMostGridColumns = 4096;

// Walks the lines in file order; every failure names the file and the line.
class LineReader {
 public:
  LineReader(const QStringList& lines, const QString& fileName)
      : lines_(lines), fileName_(fileName) {}

  QString text() { return line(); }

  // The integer the line starts with; whatever follows it is ignored.
  int number() {
    const QString l = line();
    qsizetype i = 0;
    while (i < l.size() && (l[i] == QLatin1Char(' ') || l[i] == QLatin1Char('\t'))) ++i;
    bool negative = false;
    if (i < l.size() && (l[i] == QLatin1Char('-') || l[i] == QLatin1Char('+')))
      negative = l[i++] == QLatin1Char('-');
    const qsizetype digits = i;
    long long value = 0;
    for (; i < l.size() && l[i] >= QLatin1Char('0') && l[i] <= QLatin1Char('9'); ++i)
      value = std::min<long long>(value * 10 + (l[i].unicode() - '0'), 1LL << 40);
    if (i == digits) fail(QStringLiteral("应为数字, 实为\"%1\"").arg(l.left(40)));
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
  }

  bool flag() { return number() == 1; }

  [[noreturn]] void fail(const QString& what) const {
    throw FileError(QStringLiteral("摸板文件[%1]第%2行: %3").arg(fileName_).arg(next_).arg(what));
  }

 private:
  QString line() {
    if (next_ >= lines_.size()) {
      ++next_;
      fail(QStringLiteral("文件提前结束"));
    }
    return lines_[next_++];
  }

  const QStringList& lines_;
  const QString& fileName_;
  qsizetype next_ = 0;  // lines read so far; the line being read is next_ (from 1) on failure
};

bool sectionHoldsLines(int section) { return section >= kHeadText; }

void readSection(LineReader& in, int index, TextSection& s) {
  if (sectionHoldsLines(index)) {
    const int count = in.number();
    if (count < 0) in.fail(QStringLiteral("行数不能为负"));
    s.lines.clear();
    for (int i = 0; i < count; ++i) s.lines << in.text();
  } else {
    s.text = in.text();
  }
  s.multiline = in.flag();
  s.caption = in.text();
  s.fontName = in.text();
  s.size = in.number();
  const int styles = in.number();
  s.bold = styles >= 1;
  s.italic = styles >= 2;
  s.underline = styles >= 3;
  s.alignment = static_cast<TextAlignment>(std::clamp(in.number(), 1, 3));
  s.colour = in.number();
  s.maxLength = in.number();
  s.spacing = in.number();
}

QString oneLine(QString text) {
  for (QChar& c : text)
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) c = QLatin1Char(' ');
  return text;
}

QString flagLine(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

void writeSection(QStringList& out, int index, const TextSection& s) {
  if (sectionHoldsLines(index)) {
    out << QString::number(s.lines.size());
    for (const QString& line : s.lines) out << oneLine(line);
  } else {
    out << oneLine(s.text);
  }
  out << flagLine(s.multiline) << oneLine(s.caption) << oneLine(s.fontName)
      << QString::number(s.size) << QString::number(int(s.bold) + s.italic + s.underline)
      << QString::number(static_cast<int>(s.alignment)) << QString::number(s.colour)
      << QString::number(s.maxLength) << QString::number(s.spacing);
}

}  // namespace

ReportTemplate parseTemplate(const QStringList& lines, const QString& fileName) {
  LineReader in(lines, fileName);
  ReportTemplate t = defaultTemplate();
  t.paperType = in.number();
  t.paperWidth = in.number();
  t.paperHeight = in.number();
  t.landscape = in.flag();
  t.tablesAcross = in.number();
  t.leftMargin = in.number();
  t.rightMargin = in.number();
  t.topMargin = in.number();
  t.bottomMargin = in.number();
  t.printLogo = in.flag();
  t.logoTransparent = in.flag();
  t.logoWidth = in.number();
  t.logoHeight = in.number();
  t.logoLeft = in.number();
  t.logoTop = in.number();
  for (int s = 0; s < kSectionCount; ++s) readSection(in, s, t.sections[s]);
  if (in.number() != kGridRows) in.fail(QStringLiteral("表格行数必须为%1").arg(kGridRows));
  const int columns = in.number();
  if (columns < 1 || columns > kMostGridColumns)
    in.fail(QStringLiteral("表格列数%1不在1到%2之间").arg(columns).arg(kMostGridColumns));
  t.grid.columns.assign(columns, GridColumn{});
  for (int row = 0; row < kGridRows; ++row)
    for (int column = 0; column < columns; ++column) t.grid.columns[column][row] = in.text();
  t.grouping = in.flag();
  t.groupTotals = in.flag();
  t.pageTotals = in.flag();
  t.grandTotals = in.flag();
  t.groupField = in.text();
  t.defaultHeader = in.flag();
  t.ruleStyle = static_cast<RuleStyle>(std::clamp(in.number(), 0, 3));
  t.lineStyle = static_cast<LineStyle>(std::clamp(in.number(), 0, 3));
  t.printEmptyRows = in.flag();
  clampToRanges(t);
  return t;
}

QStringList templateLines(const ReportTemplate& t) {
  QStringList out;
  for (int v : {t.paperType, t.paperWidth, t.paperHeight, int(t.landscape), t.tablesAcross,
                t.leftMargin, t.rightMargin, t.topMargin, t.bottomMargin, int(t.printLogo),
                int(t.logoTransparent), t.logoWidth, t.logoHeight, t.logoLeft, t.logoTop})
    out << QString::number(v);
  for (int s = 0; s < kSectionCount; ++s) writeSection(out, s, t.sections[s]);
  out << QString::number(kGridRows) << QString::number(t.grid.columns.size());
  for (int row = 0; row < kGridRows; ++row)
    for (const GridColumn& column : t.grid.columns) out << oneLine(column[row]);
  out << flagLine(t.grouping) << flagLine(t.groupTotals) << flagLine(t.pageTotals)
      << flagLine(t.grandTotals) << oneLine(t.groupField) << flagLine(t.defaultHeader)
      << QString::number(static_cast<int>(t.ruleStyle))
      << QString::number(static_cast<int>(t.lineStyle)) << flagLine(t.printEmptyRows);
  return out;
}

ReportTemplate readTemplateFile(const QString& path) {
  return parseTemplate(readGbkLines(path), path);
}

void writeTemplateFile(const QString& path, const ReportTemplate& t) {
  writeGbkLines(path, templateLines(t));
}

QString templatePath(const QString& programFolder, const QString& name) {
  return name.contains(QLatin1Char('/')) ? name : programFolder + name;
}

QString tableBaseName(const QString& tableName) {
  const QString file = tableName.mid(tableName.lastIndexOf(QLatin1Char('/')) + 1);
  const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? file : file.left(dot);
}

QStringList tableTemplates(const QString& programFolder, const QString& tableName) {
  QStringList names;
  for (int d = 0; d <= 9; ++d) {
    const QString name = tableBaseName(tableName) + QStringLiteral(".ts") + QString::number(d);
    if (QFileInfo(programFolder + name).isFile()) names << name;
  }
  return names;
}

QString logoPath(const QString& programFolder, const QString& templateName,
                 const QString& tableName) {
  if (templateName.isEmpty())
    return programFolder + tableBaseName(tableName) + QStringLiteral("ts0.bmp");
  QString name = templateName;
  const qsizetype fileStart = name.lastIndexOf(QLatin1Char('/')) + 1;
  const qsizetype dot = name.indexOf(QLatin1Char('.'), fileStart);
  if (dot >= 0) name.remove(dot, 1);
  return templatePath(programFolder, name + QStringLiteral(".bmp"));
}

ReportTemplate loadTemplate(const QString& programFolder, const QString& name,
                            const QStringList& fields, const std::vector<int>& fieldSizes,
                            bool* existed) {
  const QString path = templatePath(programFolder, name);
  const bool exists = QFileInfo(path).isFile();
  ReportTemplate t = exists ? readTemplateFile(path) : defaultTemplate();
  reconcile(t, fields, fieldSizes);
  if (existed) *existed = exists;
  return t;
}

}  // namespace torvanel
