// The data tools of a table window on a copy of the engine benchmark's million-record table,
// driven offscreen: a query applied and its first screen shown, a field summed and replaced over
// every record, and every record deleted with the pack. Prints figures and targets; never fails
// for a missed target.
//
//   data_tools_bench [FOLDER]    FOLDER holds bench.dbf, made by engine_bench (/tmp/tdb-bench)

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <cstdio>

#include "app/shell/main_window.h"
#include "app/tools/locate_panel.h"
#include "app/tools/query_builder.h"
#include "app/tools/record_commands.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "bench/bench_support.h"
#include "bench/offscreen_workbench.h"
#include "bench/printed_dialogs.h"

namespace {

using bench::Clock;
using bench::report;
using bench::secondsSince;
using torvanel::LocatePanel;

class Run {
 public:
  explicit Run(const QString& folder)
      : workbench_("data-tools-bench"), main_(workbench_.main()), engine_(&workbench_.engine()) {
    engine_->viewtable({folder, QStringLiteral("bench.dbf")});
    QApplication::processEvents();
  }
  ~Run() { engine_->closeeverytable(torvanel::CloseMode::Close); }

  torvanel::WindowSlot& slot() { return engine_->registry()[engine_->activeSlot()]; }
  tdb::Table& table() { return slot().window->table(); }
  void paint() {
    QApplication::processEvents();
    slot().pagegrids[0]->viewport()->grab();
  }

  // The query builder with `expression` and, when `text` is given, a position condition on TITLE.
  void query(const QString& expression, const QString& text = QString(), const char* op = ">") {
    torvanel::TForm02& form = *main_.queryBuilder();
    form.prepare(slot());
    form.findChild<QLineEdit*>(QStringLiteral("expression"))->setText(expression);
    if (!text.isEmpty()) {
      form.findChild<QLineEdit*>(QStringLiteral("substr"))->setText(text);
      form.findChild<QComboBox*>(QStringLiteral("positionField"))
          ->setCurrentText(QStringLiteral("TITLE"));
      form.findChild<QComboBox*>(QStringLiteral("positionOperator"))
          ->setCurrentText(QLatin1String(op));
      form.findChild<QLineEdit*>(QStringLiteral("position"))->setText(QStringLiteral("0"));
    }
    form.findChild<QPushButton*>(QStringLiteral("apply"))->click();
  }
  void showAll() {
    main_.queryBuilder()->prepare(slot());
    main_.queryBuilder()->findChild<QPushButton*>(QStringLiteral("all"))->click();
  }

  // The locate panel's command on `field`, with `text` in its box.
  QString panel(LocatePanel::Mode mode, const char* field, const QString& text = QString()) {
    LocatePanel& p = *main_.locatePanel();
    p.open(mode);
    auto* list = p.findChild<QListWidget*>();
    list->setCurrentItem(list->findItems(QLatin1String(field), Qt::MatchExactly).value(0));
    if (mode != LocatePanel::Mode::Sum) p.findChild<QLineEdit*>()->setText(text);
    p.findChild<QPushButton*>(QStringLiteral("action"))->click();
    return p.findChild<QLineEdit*>()->text();
  }

  torvanel::WindowEngine& engine() { return *engine_; }

 private:
  bench::OffscreenWorkbench workbench_;
  torvanel::TForm0& main_;
  torvanel::WindowEngine* engine_;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString source = bench::benchTableFolder(argc, argv, "data_tools_bench");
  if (source.isEmpty()) return 1;
  // The tools change the table: they work on a copy, made afresh at every run.
  const QString folder = QDir::tempPath() + QStringLiteral("/data-tools-bench/");
  if (!bench::copyBenchTable(source, folder)) {
    std::fprintf(stderr, "data_tools_bench: cannot copy the table to %s\n",
                 folder.toUtf8().constData());
    return 1;
  }
  bench::PrintedDialogs dialogs(torvanel::Answer::Yes);
  bench::printHeading();
  Run run(folder);
  const double records = static_cast<double>(run.table().recordCount());

  auto filtered = [&](const char* what, const QString& expression, const QString& text = {},
                      const char* op = ">") {
    const auto start = Clock::now();
    run.query(expression, text, op);
    run.paint();
    const double s = secondsSince(start);
    report(what, s, records, "< 0.5 s", s < 0.5);
    std::printf("%-34s %ld\n", "  records shown", run.table().recordCount());
    run.showAll();
  };
  filtered("filter PRICE>50, first screen", QStringLiteral("(PRICE>50)"));
  filtered("filter one in 10,000, first screen", QStringLiteral("(PRICE=12.34)"));
  filtered("filter on text, first screen", QStringLiteral("(NAME>='N5')AND(OK=true)"));
  filtered("position in TITLE, first screen", QString(), QStringLiteral("湖"));
  run.paint();

  auto timed = [&](const char* what, const char* target, double limit,
                   const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    run.paint();
    const double s = secondsSince(start);
    report(what, s, records, target, limit <= 0 || s < limit);
  };
  QString sum;
  timed("sum PRICE over every record", "< 1 s", 1.0,
        [&] { sum = run.panel(LocatePanel::Mode::Sum, "PRICE"); });
  std::printf("%-34s %s\n", "  sum", sum.toUtf8().constData());

  run.engine().enteredit();
  timed("replace TITLE in every record", "", 0,
        [&] { run.panel(LocatePanel::Mode::Replace, "TITLE", QStringLiteral("已替换")); });
  timed("delete all with pack", "< 5 s", 5.0, [&] { torvanel::deleteAllRecords(run.engine()); });
  std::printf("%-34s %ld\n", "  records left", run.table().recordCount());
  return 0;
}
