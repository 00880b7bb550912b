#include "app/projects/project_text_check.h"

#include "app/common/gbk_codec.h"
#include "app/projects/project_file.h"

namespace torvanel {

namespace {

// How the files hold a text: in a column the reader cuts at "|", in a line's last column, or not
// at all (an auxiliary row without a table, a field without a formula).
enum class Column { Cut, Rest, None };

// Calls visit(text, column, describe) for every text of the project, where
// describe() says for a message where the text stands (made only when a message needs it).
// `Project` is ProjectDefinition, const or not.
template <typename Project, typename Visit>
void forEachText(Project& p, const Visit& visit) {
  const auto named = [](const QString& what) { return [what] { return what; }; };
  visit(p.name, Column::Rest, named(QStringLiteral("项目名称")));
  visit(p.master, Column::Rest, named(QStringLiteral("主数据表")));
  for (qsizetype i = 0; i < p.auxiliaries.size(); ++i) {
    auto& a = p.auxiliaries[i];
    const auto cut = a.table.isEmpty() ? Column::None : Column::Cut;
    const auto rest = a.table.isEmpty() ? Column::None : Column::Rest;
    const auto at = [i](const char* what) {
      return [i, what] {
        return QStringLiteral("辅助数据表第%1行的").arg(i + 1) + QString::fromUtf8(what);
      };
    };
    visit(a.database, cut, at("链接别名"));
    visit(a.table, cut, at("数据表名称"));
    visit(a.relationType, cut, at("关系类型"));
    visit(a.relationText, cut, at("关系字段"));
    visit(a.shown, cut, at("显示"));
    visit(a.lookupIndex, rest, at("索引字段"));
  }
  for (auto& f : p.formulas) {
    visit(f.field, f.formula.isEmpty() ? Column::None : Column::Cut,
          [&f] { return QStringLiteral("字段名称[%1]").arg(f.field); });
    visit(f.formula, Column::Rest, [&f] { return QStringLiteral("字段[%1]的公式").arg(f.field); });
  }
  for (auto& page : p.pages) {
    visit(page.caption, Column::Rest, named(QStringLiteral("页面名称")));
    for (qsizetype r = 0; r < page.rows.size(); ++r) {
      const auto at = [&page, r](const char* what) {
        return [&page, r, what] {
          return QStringLiteral("页面[%1]第%2行的").arg(page.caption).arg(r + 1) +
                 QString::fromUtf8(what);
        };
      };
      visit(page.rows[r].field, Column::Cut, at("字段名称"));
      visit(page.rows[r].displayName, Column::Cut, at("显示名称"));
      visit(page.rows[r].promptSource, Column::Rest, at("提示字段"));
    }
  }
}

// The first character of `text` that GBK cannot hold, or empty.
QString unencodable(const QString& text) {
  if (fitsGbk(text.toStdString())) return {};  // the usual case, in one conversion
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString c = text.mid(i, len);
    if (!fitsGbk(c.toStdString())) return c;
    i += len;
  }
  return {};
}

}  // namespace

bool removeLineBreaks(ProjectDefinition& project) {
  bool removed = false;
  const auto clean = [&](QString& text) {
    const qsizetype before = text.size();
    text.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    removed |= text.size() != before;
  };
  // Rows that are not written are cleaned too: the designer still shows them.
  for (AuxiliaryTable& a : project.auxiliaries)
    for (QString* text :
         {&a.database, &a.table, &a.relationType, &a.relationText, &a.shown, &a.lookupIndex})
      clean(*text);
  for (FieldFormula& f : project.formulas) clean(f.formula);
  forEachText(project, [&](QString& text, Column, const auto&) { clean(text); });
  return removed;
}

QString projectTextProblem(const ProjectDefinition& project) {
  // The list line splits at its first "---", which a name's own dashes would move.
  if (project.name.contains(QStringLiteral("---")))
    return QStringLiteral("项目名称含有\"---\",不能保存!");
  if (project.name.endsWith(QLatin1Char('-')))
    return QStringLiteral("项目名称以\"-\"结尾,不能保存!");
  QString problem;
  forEachText(project, [&](const QString& text, Column column, const auto& describe) {
    if (!problem.isEmpty() || column == Column::None) return;
    if (column == Column::Cut && text.contains(QLatin1Char('|')))
      problem = describe() + QStringLiteral("含有\"|\"");
    else if (const QString c = unencodable(text); !c.isEmpty())
      problem = describe() + QStringLiteral("含有GBK不能保存的字符[%1]").arg(c);
  });
  if (problem.isEmpty() && project.pages.size() > project_file::kMaxPages)
    problem = QStringLiteral("页面数超出%1").arg(project_file::kMaxPages);
  if (problem.isEmpty())
    for (const DisplayPage& page : project.pages)
      for (qsizetype r = 0; r < page.rows.size() && problem.isEmpty(); ++r)
        if (page.rows[r].field.startsWith(QLatin1Char('@')))  // it would read as a page header
          problem =
              QStringLiteral("页面[%1]第%2行的字段名称以\"@\"开头").arg(page.caption).arg(r + 1);
  return problem.isEmpty() ? problem : problem + QStringLiteral(",不能保存!");
}

}  // namespace torvanel
