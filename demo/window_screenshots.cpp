// Takes the README's pictures of a table window: the demo's CUSTOMER.DBF in the grid view and in
// the single-record view, each saved as the main window shows it, then the query builder with a
// query composed, the filtered window with the locate panel showing a sum, and the report manager
// on the demo's ORDERS.DBF with its template, on the body tab.
//
//   window_screenshots PROGRAM_FOLDER OUTPUT_FOLDER    (run under an X server: see
//   scripts/readme-screenshots.sh)

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "app/reports/report_manager.h"
#include "app/shell/main_window.h"
#include "app/tools/locate_panel.h"
#include "app/tools/query_builder.h"
#include "app/ui/widget_dialogs.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"
#include "engine/session.h"

namespace {

void settle() {
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QThread::msleep(25);
  }
}

bool save(QWidget& window, const QString& file) {
  settle();
  if (window.grab().save(file)) {
    std::printf("screenshot: %s\n", file.toUtf8().constData());
    return true;
  }
  std::fprintf(stderr, "window_screenshots: cannot write %s\n", file.toUtf8().constData());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fputs("usage: window_screenshots PROGRAM_FOLDER OUTPUT_FOLDER\n", stderr);
    return 2;
  }
  QString program = QString::fromLocal8Bit(argv[1]);
  if (!program.endsWith(QLatin1Char('/'))) program += QLatin1Char('/');
  const QString output = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(output);
  torvanel::WidgetDialogs dialogs;
  torvanel::installDialogs(&dialogs);
  try {
    tdb::Session::setAliasFile((program + tdb::AliasFile::kFileName).toStdString());
  } catch (const tdb::EngineError& e) {
    std::fprintf(stderr, "window_screenshots: %s\n", e.what());
    return 1;
  }
  torvanel::TForm0 main(program);
  main.createDialogs();
  main.resize(1200, 720);
  main.show();
  auto* engine = main.findChild<torvanel::WindowEngine*>();
  engine->viewtable({QStringLiteral("DEMO"), QStringLiteral("CUSTOMER.DBF")});
  if (engine->registry().inUse().empty()) return 1;
  engine->nextrecord();
  const bool grid = save(main, output + QStringLiteral("/table-window.png"));
  engine->smodal();
  const bool record = save(main, output + QStringLiteral("/single-record.png"));
  engine->mmodal();

  // The query builder, shown without its modal loop so that it can be filled and taken.
  torvanel::TForm02& query = *main.queryBuilder();
  query.prepare(engine->registry()[engine->activeSlot()]);
  query.show();
  auto pick = [&](const char* box, int item) {
    query.findChild<QComboBox*>(QLatin1String(box))->setCurrentIndex(item);
  };
  pick("field", 4);  // VIP
  pick("operator", 0);
  query.findChild<QLineEdit*>(QStringLiteral("value"))->setText(QStringLiteral("false"));
  query.findChild<QPushButton*>(QStringLiteral("addCondition"))->click();
  pick("logic", 0);
  pick("field", 5);  // CREDIT
  pick("operator", 1);
  query.findChild<QLineEdit*>(QStringLiteral("value"))->setText(QStringLiteral("3000"));
  query.findChild<QPushButton*>(QStringLiteral("addCondition"))->click();
  query.findChild<QPushButton*>(QStringLiteral("storeHistory"))->click();
  query.findChild<QLineEdit*>(QStringLiteral("substr"))->setText(QStringLiteral("张"));
  pick("positionField", 1);  // NAME
  pick("positionOperator", 1);
  query.findChild<QLineEdit*>(QStringLiteral("position"))->setText(QStringLiteral("0"));
  const bool builder = save(query, output + QStringLiteral("/query-builder.png"));
  query.findChild<QPushButton*>(QStringLiteral("apply"))->click();

  torvanel::LocatePanel& panel = *main.locatePanel();
  main.action(torvanel::Command::FieldSum)->trigger();
  auto* list = panel.findChild<QListWidget*>();
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text() == QStringLiteral("CREDIT")) list->setCurrentRow(i);
  panel.findChild<QPushButton*>(QStringLiteral("action"))->click();
  const bool tools = save(main, output + QStringLiteral("/data-tools.png"));
  engine->closeeverytable(torvanel::CloseMode::Close);

  // The report manager is modal: it is taken, and closed, from inside its own loop.
  engine->viewtable({QStringLiteral("DEMO"), QStringLiteral("ORDERS.DBF")});
  if (engine->registry().inUse().empty()) return 1;
  torvanel::Tform2& designer = *main.reportManager();
  bool report = false;
  QTimer::singleShot(0, &designer, [&] {
    designer.resize(1100, 640);
    designer.tabs()->setCurrentIndex(2);
    report = save(designer, output + QStringLiteral("/report-designer.png"));
    designer.reject();
  });
  main.action(torvanel::Command::ReportManager)->trigger();
  engine->closeeverytable(torvanel::CloseMode::Close);
  torvanel::installDialogs(nullptr);
  return grid && record && builder && tools && report ? 0 : 1;
}
