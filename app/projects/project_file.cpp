#include "app/projects/project_file.h"

#include <QFileInfo>

#include "app/common/file_error.h"
#include "app/common/gbk_string.h"
#include "app/common/shown_text.h"
#include "app/common/text_file.h"

namespace torvanel::project_file {

namespace {

const QString kAuxiliaryEnd = QStringLiteral("====================辅助表项");
const QString kFormulaEnd = QStringLiteral("====================字段公式项");
const QString kFileEnd = QStringLiteral("********************结束");
const QString kTwentyEquals(20, QLatin1Char('='));
const QString kTwentyStars(20, QLatin1Char('*'));
const QChar kBar = QLatin1Char('|');

// Cuts the first `count` - 1 columns at "|": each ends before the next "|", and a column with no
// "|" left after it is empty while the text stays for the next one. The last column is the rest.
QStringList cutColumns(QString rest, int count) {
  QStringList columns;
  for (int i = 0; i + 1 < count; ++i) {
    const qsizetype bar = rest.indexOf(kBar);
    if (bar < 0) {
      columns << QString();
      continue;
    }
    columns << rest.left(bar);
    rest.remove(0, bar + 1);
  }
  columns << rest;
  return columns;
}

// A decimal integer with an optional sign, blanks around it allowed, within kMaxPages either
// way; anything else is a damaged file.
int pageNumber(const QString& text, int lineNumber, const char* what) {
  const QString t = text.trimmed();
  const qsizetype sign = t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+')) ? 1 : 0;
  bool ok = sign < t.size() && t.size() - sign <= 9;
  for (qsizetype k = sign; ok && k < t.size(); ++k)
    ok = t[k] >= QLatin1Char('0') && t[k] <= QLatin1Char('9');
  const QString where = QStringLiteral("第%1行的%2[%3]")
                            .arg(lineNumber)
                            .arg(QString::fromUtf8(what), shownText(text));
  if (!ok) throw FileError(where + QStringLiteral("不是有效的整数,读取到此为止"));
  const int value = t.toInt();
  if (value > kMaxPages || value < -kMaxPages)
    throw FileError(where + QStringLiteral("超出%1,读取到此为止").arg(kMaxPages));
  return value;
}

QString auxiliaryLine(const AuxiliaryTable& a) {
  return QStringList{a.database, a.table, a.relationType, a.relationText, a.shown, a.lookupIndex}
      .join(kBar);
}

}  // namespace

QString fileName(const QString& masterText) {
  QString name = masterText;
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0) {
    const QString extension = name.mid(dot);
    // A "/" ends the extension too, as it does for this system's file names: a folder database
    // with a "." in its path must not lose half the path and share a file with another master.
    if (!extension.contains(QLatin1Char('\\')) && !extension.contains(QLatin1Char(':')) &&
        !extension.contains(QLatin1Char('/')))
      name.remove(name.indexOf(extension), extension.size());
  }
  static const QString kUnsafe = QStringLiteral("\\/:*?\"<>|");
  name.removeIf([](QChar c) { return kUnsafe.contains(c); });
  return name + QStringLiteral(".tsm");
}

QString path(const QString& programFolder, const QString& masterText) {
  return programFolder + fileName(masterText);
}

QStringList toLines(const ProjectDefinition& project) {
  QStringList lines;
  for (const AuxiliaryTable& a : project.auxiliaries)
    if (!a.table.isEmpty()) lines << auxiliaryLine(a);
  lines << kAuxiliaryEnd;
  for (const FieldFormula& f : project.formulas)
    if (!f.formula.isEmpty()) lines << f.field + kBar + f.formula;
  lines << kFormulaEnd;
  lines << QString::number(project.pages.size());
  for (qsizetype i = 0; i < project.pages.size(); ++i) {
    const DisplayPage& page = project.pages[i];
    lines << QLatin1Char('@') + QString::number(i) + kBar + page.caption;
    if (page.rows.isEmpty()) lines << QStringLiteral("||");
    for (const PageColumn& c : page.rows)
      lines << c.field + kBar + c.displayName + kBar + c.promptSource;
  }
  lines << kFileEnd;
  return lines;
}

void applyLines(const QStringList& lines, ProjectDefinition& project) {
  qsizetype at = 0;
  const auto endsAt = [&](const QString& marker) {
    return at >= lines.size() || lines[at].startsWith(marker);
  };

  QList<AuxiliaryTable> auxiliaries;
  for (; !endsAt(kTwentyEquals); ++at) {
    const QStringList c = cutColumns(lines[at], 6);
    auxiliaries << AuxiliaryTable{c[0], c[1], c[2], c[3], c[4], c[5]};
  }
  if (!auxiliaries.isEmpty()) project.auxiliaries = auxiliaries;
  if (at >= lines.size()) return;
  ++at;

  for (; !endsAt(kTwentyEquals); ++at) {
    const QStringList c = cutColumns(lines[at], 2);
    if (FieldFormula* f = project.formulaOf(c[0])) f->formula = c[1];
  }
  if (at + 1 >= lines.size()) return;
  ++at;

  const int count = pageNumber(lines[at], int(at + 1), "页面数");
  while (project.pages.size() < count)
    project.pages << DisplayPage{DisplayPage::defaultCaption(int(project.pages.size()))};
  ++at;

  qsizetype page = 0;
  qsizetype row = 0;
  for (; !endsAt(kTwentyStars); ++at) {
    const QString& line = lines[at];
    if (line.startsWith(QLatin1Char('@'))) {
      // A header without "|" is all number (a hand-edited file), with an empty caption.
      const qsizetype bar = line.indexOf(kBar);
      const int number = pageNumber(line.mid(1, bar < 0 ? -1 : bar - 1), int(at + 1), "页面号");
      if (number < 0 || number >= project.pages.size())
        throw FileError(QStringLiteral("第%1行的页面号%2超出页面数%3,读取到此为止")
                            .arg(at + 1)
                            .arg(number)
                            .arg(project.pages.size()));
      page = number;
      project.pages[page].caption = bar < 0 ? QString() : line.mid(bar + 1);
      row = 0;
      continue;
    }
    const QStringList c = cutColumns(line, 3);
    QList<PageColumn>& rows = project.pages[page].rows;
    if (row >= rows.size()) rows.resize(row + 1);
    rows[row++] = PageColumn{c[0], c[1], c[2]};
  }
}

bool read(const QString& programFolder, ProjectDefinition& project) {
  const QString file = path(programFolder, project.master);
  if (!QFileInfo::exists(file)) return false;
  const QStringList lines = readGbkLines(file);
  try {
    applyLines(lines, project);
  } catch (const FileError& e) {
    throw FileError(QStringLiteral("项目文件[%1]%2").arg(file, e.text()));
  }
  return true;
}

QByteArray toBytes(const ProjectDefinition& project) { return gbkLineBytes(toLines(project)); }

void write(const QString& programFolder, const ProjectDefinition& project) {
  writeFileBytes(path(programFolder, project.master), toBytes(project));
}

}  // namespace torvanel::project_file
