#include "app/projects/project_text_check.h"

#include "app/common/gbk_codec.h"

namespace torvanel {

namespace {

// Calls `visit` with every text of the project that reaches a file, and a description of it for
// a message. `Project` is ProjectDefinition, const or not.
template <typename Project, typename Visit>
void forEachText(Project& p, const Visit& visit) {
  visit(p.name, QStringLiteral("项目名称"));
  visit(p.master, QStringLiteral("主数据表"));
  for (qsizetype i = 0; i < p.auxiliaries.size(); ++i) {
    auto& a = p.auxiliaries[i];
    const QString row = QStringLiteral("辅助数据表第%1行的").arg(i + 1);
    visit(a.database, row + QStringLiteral("链接别名"));
    visit(a.table, row + QStringLiteral("数据表名称"));
    visit(a.relationType, row + QStringLiteral("关系类型"));
    visit(a.relationText, row + QStringLiteral("关系字段"));
    visit(a.shown, row + QStringLiteral("显示"));
    visit(a.lookupIndex, row + QStringLiteral("索引字段"));
  }
  for (auto& f : p.formulas) {
    visit(f.field, QStringLiteral("字段名称"));
    visit(f.formula, QStringLiteral("字段[%1]的公式").arg(f.field));
  }
  for (auto& page : p.pages) {
    visit(page.caption, QStringLiteral("页面名称"));
    for (qsizetype r = 0; r < page.rows.size(); ++r) {
      const QString row = QStringLiteral("页面[%1]第%2行的").arg(page.caption).arg(r + 1);
      visit(page.rows[r].field, row + QStringLiteral("字段名称"));
      visit(page.rows[r].displayName, row + QStringLiteral("显示名称"));
      visit(page.rows[r].promptSource, row + QStringLiteral("提示字段"));
    }
  }
}

QString refusal(const QString& what, const QString& problem) {
  return what + problem + QStringLiteral(",不能保存!");
}

QString barProblem(const QString& text, const QString& what) {
  return text.contains(QLatin1Char('|')) ? refusal(what, QStringLiteral("含有\"|\"")) : QString();
}

// The first character of `text` that GBK cannot hold, or empty.
QString unencodable(const QString& text) {
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
  forEachText(project, [&](QString& text, const QString&) {
    const qsizetype before = text.size();
    text.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    removed |= text.size() != before;
  });
  return removed;
}

QString projectTextProblem(const ProjectDefinition& project) {
  const ProjectDefinition& p = project;
  if (p.name.contains(QStringLiteral("---")))
    return refusal(QStringLiteral("项目名称"), QStringLiteral("含有\"---\""));
  for (qsizetype i = 0; i < p.auxiliaries.size(); ++i) {
    const AuxiliaryTable& a = p.auxiliaries[i];
    if (a.table.isEmpty()) continue;  // not written
    const QString row = QStringLiteral("辅助数据表第%1行的").arg(i + 1);
    for (const auto& [text, what] : {std::pair{a.database, QStringLiteral("链接别名")},
                                     {a.table, QStringLiteral("数据表名称")},
                                     {a.relationType, QStringLiteral("关系类型")},
                                     {a.relationText, QStringLiteral("关系字段")},
                                     {a.shown, QStringLiteral("显示")}})
      if (QString m = barProblem(text, row + what); !m.isEmpty()) return m;
  }
  for (const FieldFormula& f : p.formulas)
    if (!f.formula.isEmpty())
      if (QString m = barProblem(f.field, QStringLiteral("字段名称[%1]").arg(f.field));
          !m.isEmpty())
        return m;
  for (const DisplayPage& page : p.pages)
    for (qsizetype r = 0; r < page.rows.size(); ++r) {
      const PageColumn& c = page.rows[r];
      const QString row = QStringLiteral("页面[%1]第%2行的").arg(page.caption).arg(r + 1);
      if (QString m = barProblem(c.field, row + QStringLiteral("字段名称")); !m.isEmpty()) return m;
      if (QString m = barProblem(c.displayName, row + QStringLiteral("显示名称")); !m.isEmpty())
        return m;
      if (c.field.startsWith(QLatin1Char('@')))
        return refusal(row + QStringLiteral("字段名称"), QStringLiteral("以\"@\"开头"));
    }
  QString problem;
  forEachText(p, [&](const QString& text, const QString& what) {
    if (!problem.isEmpty()) return;
    if (const QString c = unencodable(text); !c.isEmpty())
      problem = refusal(what, QStringLiteral("含有GBK不能保存的字符[%1]").arg(c));
  });
  return problem;
}

}  // namespace torvanel
