// Start-up: the splash, the main window with its settings and menu state, the dialogs that live for
// the whole run, the tables named on the command line, and the event loop. A command line that
// asks for a report or a recalculation runs that alone, without windows.

#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QThread>
#include <string>
#include <vector>

#include "app/common/program_folder.h"
#include "app/shell/application.h"
#include "app/shell/main_window.h"
#include "app/shell/named_tables.h"
#include "app/shell/recalc_command.h"
#include "app/shell/report_arguments.h"
#include "app/shell/report_command.h"
#include "app/shell/splash_window.h"
#include "app/ui/widget_dialogs.h"
#include "engine/engine_error.h"
#include "engine/session.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (torvanel::asksForRecalc(arguments)) return torvanel::runRecalcCommand(argc, argv);
  if (torvanel::asksForReport(arguments)) return torvanel::runReportCommand(argc, argv);
  torvanel::TorvanelApplication app(argc, argv);
  // Qt has taken its own options out of argv; the rest name tables, as the file system's bytes.
  const std::vector<std::string> tables(argv + 1, argv + argc);
  app.setWindowIcon(QIcon(QStringLiteral(":/icons/torvanel.svg")));
  torvanel::WidgetDialogs dialogs;
  torvanel::installDialogs(&dialogs);

  auto* splash = new torvanel::TForm00;
  splash->showNow();

  std::string failure;
  const QString folder =
      QFile::decodeName(
          torvanel::prepareProgramFolder(torvanel::executableFolder(), failure).native().c_str()) +
      QLatin1Char('/');
  if (!failure.empty())
    dialogs.message(QStringLiteral("程序文件夹") + folder + QStringLiteral("无法准备: ") +
                    QString::fromStdString(failure));

  // The engine finds its aliases in the program folder; a damaged alias file leaves none.
  try {
    tdb::Session::setAliasFile(QFile::encodeName(folder).toStdString() + tdb::AliasFile::kFileName);
  } catch (const tdb::EngineError& e) {
    dialogs.message(QString::fromUtf8(e.what()));
  }

  torvanel::TForm0 mainWindow(folder);
  mainWindow.createDialogs();

  // Half a second of splash; it keeps repainting if the screen asks it to.
  QElapsedTimer shown;
  shown.start();
  while (shown.elapsed() < 500) {
    app.processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(10);
  }
  delete splash;

  mainWindow.show();
  torvanel::openNamedTables(mainWindow, tables);
  return app.exec();
}
