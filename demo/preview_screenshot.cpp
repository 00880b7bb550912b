// Takes the README's picture of the report preview: the demo's ORDERS.DBF in the report of its
// template ORDERS.ts0, the first page with its ruled table at the zoom `ZOOM` (the fitting zoom
// when none is given).
//
//   preview_screenshot PROGRAM_FOLDER OUTPUT_FILE [ZOOM]   (run under an X server: see
//   scripts/readme-screenshots.sh)

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "app/reports/preview_window.h"
#include "app/reports/report_run.h"
#include "app/ui/widget_dialogs.h"
#include "app/windows/window_engine.h"
#include "engine/table.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fputs("usage: preview_screenshot PROGRAM_FOLDER OUTPUT_FILE [ZOOM]\n", stderr);
    return 2;
  }
  QString program = QString::fromLocal8Bit(argv[1]);
  if (!program.endsWith(QLatin1Char('/'))) program += QLatin1Char('/');
  const QString output = QString::fromLocal8Bit(argv[2]);
  const QString zoom = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
  torvanel::WidgetDialogs dialogs;
  torvanel::installDialogs(&dialogs);
  bool saved = false;
  try {
    tdb::Table table;
    table.setDatabaseName(QFile::encodeName(program + QStringLiteral("demo/")).toStdString());
    table.setTableName("ORDERS.DBF");
    table.open();
    torvanel::WindowEngine::orderByFirstIndex(table);
    const QScreen* screen = QGuiApplication::primaryScreen();
    torvanel::ReportRun run(
        torvanel::templateForTable(program, QStringLiteral("ORDERS.ts0"), table), table,
        screen ? qRound(screen->logicalDotsPerInchY()) : 96);
    if (!run.calculate(torvanel::kOpenRange, torvanel::kOpenRange)) return 1;
    torvanel::TForm4 preview;
    QTimer::singleShot(0, &preview, [&] {
      if (!zoom.isEmpty()) {
        auto* box = preview.findChild<QComboBox*>();
        const int item = box->findText(zoom);
        box->setCurrentIndex(item);
        emit box->activated(item);
      }
      for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(25);
      }
      saved = preview.grab().save(output);
      preview.accept();
    });
    preview.previewReport(run, QStringLiteral("ORDERS.ts0"), torvanel::kOpenRange,
                          torvanel::kOpenRange);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "preview_screenshot: %s\n", e.what());
    return 1;
  }
  if (!saved) {
    std::fprintf(stderr, "preview_screenshot: cannot write %s\n", output.toUtf8().constData());
    return 1;
  }
  std::printf("screenshot: %s\n", output.toUtf8().constData());
  return 0;
}
