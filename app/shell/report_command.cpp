#include "app/shell/report_command.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <string>
#include <vector>

#include "app/common/global_settings.h"
#include "app/common/table_argument.h"
#include "app/common/table_names.h"
#include "app/reports/output_error.h"
#include "app/reports/report_files.h"
#include "app/reports/template_file.h"
#include "app/shell/headless_run.h"
#include "app/shell/named_tables.h"
#include "app/shell/report_arguments.h"
#include "app/windows/table_window_text.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"
#include "engine/table.h"

namespace torvanel {

namespace {

constexpr int kFailed = 1;
constexpr int kMisused = 2;

// Scripts run where no screen is: Qt's offscreen platform needs none.
void chooseHeadlessPlatform() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
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
  keepQtNotesOffStderr();
  QGuiApplication app(argc, argv);
  // Qt has taken its own options out of argv.
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  ReportArguments request;
  try {
    request = parseReportArguments(arguments);
  } catch (const ReportArgumentError& e) {
    sayOnStderr(QString::fromUtf8(e.what()));
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
    sayOnStderr(QString::fromUtf8(e.what()));
    return kFailed;
  }
  return 0;
}

}  // namespace torvanel
