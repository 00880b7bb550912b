// Start-up: the splash, the main window with its settings and menu state, the dialogs that live for
// the whole run, and the event loop.

#include <QElapsedTimer>
#include <QThread>

#include "app/common/program_folder.h"
#include "app/shell/application.h"
#include "app/shell/main_window.h"
#include "app/shell/splash_window.h"
#include "app/ui/widget_dialogs.h"
#include "engine/engine_error.h"
#include "engine/session.h"

int main(int argc, char** argv) {
  torvanel::TorvanelApplication app(argc, argv);
  torvanel::WidgetDialogs dialogs;
  torvanel::installDialogs(&dialogs);

  auto* splash = new torvanel::TForm00;
  splash->showNow();

  // The engine finds its aliases beside the program; a damaged alias file leaves none.
  try {
    tdb::Session::setAliasFile(
        (torvanel::programFolder() + tdb::AliasFile::kFileName).toStdString());
  } catch (const tdb::EngineError& e) {
    dialogs.message(QString::fromUtf8(e.what()));
  }

  torvanel::TForm0 mainWindow(torvanel::programFolder());
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
  return app.exec();
}
