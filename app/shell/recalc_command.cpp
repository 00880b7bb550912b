#include "app/shell/recalc_command.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <functional>

#include "app/common/global_settings.h"
#include "app/projects/formula_evaluation.h"
#include "app/projects/project_list_file.h"
#include "app/projects/project_store.h"
#include "app/projects/recalculation.h"
#include "app/shell/headless_run.h"
#include "app/shell/recalc_tables.h"

namespace torvanel {

namespace {

constexpr int kFailed = 1;
constexpr int kMisused = 2;
const char kOption[] = "--recalc";

QString usage() { return QStringLiteral("用法: torvanel --recalc 项目名称"); }

void sayOnStdout(const QString& line) {
  const QByteArray text = (line + QLatin1Char('\n')).toLocal8Bit();
  std::fwrite(text.constData(), 1, text.size(), stdout);
  std::fflush(stdout);
}

// The project of that name in the list, loaded with its master's fields.
ProjectDefinition listedProject(const QString& folder, const QString& name,
                                tdb::TableType dbfType) {
  if (!project_list_file::exists(folder))
    throw std::runtime_error(
        QStringLiteral("项目列表文件%1不存在").arg(project_list_file::path(folder)).toStdString());
  for (const QString& line : project_list_file::read(folder)) {
    ProjectListEntry entry;
    if (!splitListLine(line, entry) || entry.name != name) continue;
    ProjectDefinition project;
    project.name = entry.name;
    project.master = entry.master;
    setvalue(project, folder, dbfType);
    return project;
  }
  throw std::runtime_error(QStringLiteral("项目列表中没有项目[%1]").arg(name).toStdString());
}

// Progress as a line each tenth of the way, so that a log stays short on a large table.
class ProgressLines {
 public:
  void operator()(long done, long total) {
    const long tenth = done * 10 / total;
    if (tenth == shown_ && done != total) return;
    shown_ = tenth;
    sayOnStdout(QStringLiteral("已计算%1/%2条记录").arg(done).arg(total));
  }

 private:
  long shown_ = 0;
};

int recalcProject(const QString& name) {
  GlobalSettings settings;
  const QString folder = startProgramFolder(settings);
  const ProjectDefinition project = listedProject(folder, name, settings.defaultDbfType);
  ProjectTableSet tables(project, settings.defaultDbfType);
  QString question;
  FormulaEvaluator evaluator(tables.forFormulas(settings.formulaDecimals),
                             [&question](const QString& q) {
                               question = q;
                               return false;
                             });
  evaluator.installAsBeforePost();
  sayOnStdout(QStringLiteral("项目[%1]: 按公式重新计算%2").arg(name, project.master.trimmed()));
  ProgressLines progress;
  const RecalcResult r = recalculate(evaluator, std::ref(progress));
  tables.master().beforePost = nullptr;
  if (!r.ok()) {
    sayOnStderr(QStringLiteral("第%1条记录存盘失败,计算停止(已计算%2条记录):\n%3")
                    .arg(r.stored + 1)
                    .arg(r.stored)
                    .arg(r.error));
    return kFailed;
  }
  if (r.stopped) {
    sayOnStderr(question.section(QLatin1Char('\r'), 0, 0) +
                QStringLiteral("计算停止(已计算%1条记录)").arg(r.stored));
    return kFailed;
  }
  sayOnStdout(QStringLiteral("项目[%1]: %2条记录已计算").arg(name).arg(r.stored));
  return 0;
}

}  // namespace

bool asksForRecalc(const std::vector<std::string>& arguments) {
  for (const std::string& a : arguments)
    if (a == kOption || a.rfind(std::string(kOption) + "=", 0) == 0) return true;
  return false;
}

QString parseRecalcArguments(const std::vector<std::string>& arguments) {
  std::string name;
  if (arguments.size() == 2 && arguments[0] == kOption)
    name = arguments[1];
  else if (arguments.size() == 1 && arguments[0].rfind(std::string(kOption) + "=", 0) == 0)
    name = arguments[0].substr(sizeof kOption);
  else
    throw RecalcArgumentError(QStringLiteral("参数不对\n") + usage());
  if (name.empty()) throw RecalcArgumentError(QStringLiteral("没有指定项目名称\n") + usage());
  return QFile::decodeName(QByteArray::fromStdString(name));
}

int runRecalcCommand(int& argc, char** argv) {
  QCoreApplication app(argc, argv);
  keepQtNotesOffStderr();
  QString name;
  try {
    name = parseRecalcArguments(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const RecalcArgumentError& e) {
    sayOnStderr(QString::fromUtf8(e.what()));
    return kMisused;
  }
  try {
    return recalcProject(name);
  } catch (const std::exception& e) {
    // Files, engine and tables: each failure carries its Chinese message, UTF-8.
    sayOnStderr(QString::fromUtf8(e.what()));
    return kFailed;
  }
}

}  // namespace torvanel
