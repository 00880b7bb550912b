#include "app/shell/report_command.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <cstdio>
#include <string>
#include <vector>

#include "app/common/file_error.h"
#include "app/common/global_settings.h"
#include "app/common/program_folder.h"
#include "app/common/table_argument.h"
#include "app/common/table_names.h"
#include "app/reports/output_error.h"
#include "app/reports/report_files.h"
#include "app/reports/template_file.h"
#include "app/shell/named_tables.h"
#include "app/shell/report_arguments.h"
#include "app/shell/settings.h"
#include "app/windows/table_window_text.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"
#include "engine/session.h"
#include "engine/table.h"

namespace torvanel {

namespace {

constexpr int kFailed = 1;
constexpr int kMisused = 2;

void say(const QString& message) {
  const QByteArray text =
      (QStringLiteral("torvanel: ") + message + QLatin1Char('\n')).toLocal8Bit();
  std::fwrite(text.constData(), 1, text.size(), stderr);
}

// Qt's notes to developers (a missing runtime folder under cron, a font it substitutes) are not
// the script's business: its stderr carries the run's own message alone.
void dropQtNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) say(text);
}

// Scripts run where no screen is: Qt's offscreen platform needs none.
void chooseHeadlessPlatform() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The program folder with its alias file and settings, as the workbench starts them. A folder or
// file that cannot be prepared is said, and the run goes on with what there is, as it does in the
// workbench.
QString startProgramFolder(GlobalSettings& settings) {
  std::string failure;
  const QString folder =
      QFile::decodeName(prepareProgramFolder(executableFolder(), failure).native().c_str()) +
      QLatin1Char('/');
  if (!failure.empty())
    say(QStringLiteral("程序文件夹%1无法准备: %2").arg(folder, QString::fromStdString(failure)));
  try {
    tdb::Session::setAliasFile(QFile::encodeName(folder).toStdString() + tdb::AliasFile::kFileName);
  } catch (const tdb::EngineError& e) {
    say(QString::fromUtf8(e.what()));
  }
  try {
    settings_file::read(folder, settings);
  } catch (const FileError& e) {
    say(e.text());
  }
  return folder;
}

// Opens the table as a table window does; throws ReportArgumentError when it cannot be opened.
void openTable(const std::string& argument, const GlobalSettings& settings, tdb::Table& t) {
  const TableRef ref = namedTable(argument);
  t.setDatabaseName(engineDatabaseName(ref.database));
  t.setTableName(engineTableName(ref.table));
  t.setTableType(ref.table.toUpper().endsWith(QLatin1String(".DBF")) ? settings.defaultDbfType
                                                                     : tdb::TableType::ttDefault);
  try {
    t.open();
    WindowEngine::orderByFirstIndex(t);
  } catch (const tdb::EngineError& e) {
    throw OutputError(unopenableTableText(ref.text()) + QLatin1Char('\n') +
                      QString::fromUtf8(e.what()));
  }
}

}  // namespace

int runReportCommand(int& argc, char** argv) {
  chooseHeadlessPlatform();
  qInstallMessageHandler(dropQtNotes);
  QGuiApplication app(argc, argv);
  // Qt has taken its own options out of argv.
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  ReportArguments request;
  try {
    request = parseReportArguments(arguments);
  } catch (const ReportArgumentError& e) {
    say(QString::fromUtf8(e.what()));
    return kMisused;
  }

  try {
    GlobalSettings settings;
    const QString folder = startProgramFolder(settings);
    tdb::Table table;
    try {
      openTable(request.table, settings, table);
    } catch (const TableArgumentError&) {
      throw OutputError(unopenableTableText(QFile::decodeName(request.table.c_str())));
    }
    ReportFiles files;
    files.ranged = request.ranged;
    files.from = request.from;
    files.to = request.to;
    files.pdf = request.pdf;
    files.pngFolder = request.pngFolder;
    const QScreen* screen = QGuiApplication::primaryScreen();
    files.layoutDpi = screen ? qRound(screen->logicalDotsPerInchY()) : 96;
    writeReportFiles(folder, QFileInfo(request.templateFile).absoluteFilePath(), table, files);
  } catch (const std::exception& e) {
    // Every failure of the run (files, engine, output) carries its Chinese message, UTF-8.
    say(QString::fromUtf8(e.what()));
    return kFailed;
  }
  return 0;
}

}  // namespace torvanel
