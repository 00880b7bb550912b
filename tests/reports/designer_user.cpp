#include "tests/reports/designer_user.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "app/common/gbk_string.h"
#include "app/reports/report_manager.h"
#include "app/reports/template_file.h"

namespace torvanel::test {

DesignerTest::DesignerTest() {
  w.makePeople("people.dbf", {"王/北京", "李/上海", "张/北京", "赵/上海", "钱/广州"});
}

Tform2& DesignerTest::designer() const { return *w.main.reportManager(); }

void DesignerTest::design(const std::function<void()>& steps) {
  if (!u.window()) w.open("people.dbf");
  u.whileModal([steps](QDialog*) { steps(); });
  u.menu(QStringLiteral("报表管理"));
}

void DesignerTest::command(const QString& caption) {
  QPushButton* b = designer().command(caption);
  ASSERT_NE(b, nullptr) << caption.toStdString();
  u.click(b);
}

void DesignerTest::typeName(const QString& text) {
  u.replaceText(designer().templateBox()->lineEdit(), text);
}

void DesignerTest::typeOver(QWidget* box, const QString& text) { u.replaceText(box, text); }

void DesignerTest::showTab(const QString& caption) {
  QTabWidget* tabs = designer().tabs();
  for (int i = 0; i < tabs->count(); ++i) {
    if (tabs->tabText(i) != caption) continue;
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(i).center());
    QApplication::processEvents();
    return;
  }
  ADD_FAILURE() << "no tab " << caption.toStdString();
}

void DesignerTest::arrange(const QString& name, const ReportTemplate& t) const {
  writeTemplateFile(path(name), t);
}

QString DesignerTest::path(const QString& name) const {
  return name.contains(QLatin1Char('/')) ? name : w.program.file(name);
}

QByteArray DesignerTest::bytes(const QString& name) const {
  QFile file(path(name));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList DesignerTest::fileLines(const QString& name) const {
  const QByteArray content = bytes(name);
  if (!content.endsWith("\r\n")) ADD_FAILURE() << name.toStdString() << " does not end in CR LF";
  QStringList lines = fromGbk(content).split(QStringLiteral("\r\n"));
  lines.removeLast();
  for (const QString& line : lines)
    if (line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')))
      ADD_FAILURE() << "a line of " << name.toStdString() << " ends otherwise than CR LF";
  return lines;
}

bool DesignerTest::exists(const QString& name) const { return QFile::exists(path(name)); }

int templateLine(const QString& what, int columns, int blockLines) {
  // 15 lines of paper, margins and logo; seven blocks of 10 lines, the last three with a count
  // line in place of their one text line; then the grid's two counts and its cells.
  const int sections = 15;
  const int grid = sections + 7 * 10 + blockLines;
  const QStringList after = {"grouping",    "groupTotals", "pageTotals",
                             "grandTotals", "groupField",  "defaultHeader",
                             "ruleStyle",   "lineStyle",   "emptyRows"};
  if (what == QLatin1String("paperType")) return 0;
  if (what == QLatin1String("paperWidth")) return 1;
  if (what == QLatin1String("paperHeight")) return 2;
  if (what == QLatin1String("landscape")) return 3;
  if (what == QLatin1String("leftMargin")) return 5;
  if (what == QLatin1String("mainTitle")) return sections;
  if (what == QLatin1String("headCount")) return sections + 40;
  if (what == QLatin1String("gridRows")) return grid;
  if (what == QLatin1String("gridCells")) return grid + 2;
  const int at = int(after.indexOf(what));
  return at < 0 ? -1 : grid + 2 + kGridRows * columns + at;
}

}  // namespace torvanel::test
