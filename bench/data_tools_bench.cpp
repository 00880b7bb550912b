// The data tools of a table window on a copy of the engine benchmark's million-record table,
// driven offscreen: a query applied and its first screen shown, a field summed and replaced over
// every record, and every record deleted with the pack; then the "实用程序" menu's summary,
// copies and ordered output. Prints figures and targets; never fails for a missed target.
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
#include "app/tools/summary_panel.h"
#include "app/tools/table_transfers.h"
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

// Runs `work` and reports it with the records `out` holds afterwards.
void timedOutput(const char* what, const char* target, double limit, const QString& folder,
                 const char* out, const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  const double s = secondsSince(start);
  tdb::Table t;
  t.setDatabaseName(folder.toStdString());
  t.setTableName(out);
  long written = -1;
  try {
    t.open();
    written = t.recordCount();
  } catch (const std::exception& e) {
    std::printf("  %s\n", e.what());
  }
  report(what, s, written, target, s < limit && written > 0);
  std::printf("%-34s %ld\n", "  records written", written);
}

// The summary panel run as the user runs it: `fields` moved across, the output named, "输出".
void summarize(torvanel::TForm0& main, const QStringList& fields, const QString& output) {
  torvanel::SummaryPanel& panel = *main.summaryPanel();
  panel.open();
  auto* list = panel.findChild<QListWidget*>(QStringLiteral("fields"));
  for (const QString& f : fields) {
    list->setCurrentItem(list->findItems(f, Qt::MatchExactly).value(0));
    for (QPushButton* b : panel.findChildren<QPushButton*>())
      if (b->text() == QLatin1String("->")) b->click();
  }
  panel.outputBox()->setText(output);
  for (QPushButton* b : panel.findChildren<QPushButton*>())
    if (b->text() == QStringLiteral("输出")) b->click();
}

// The summary and the copies on a copy of the table with the tags DAY and NAME, and on a table
// of its 100,000 records with PRICE under 10, without the memo field.
void measureUtilities(const QString& source) {
  const QString folder = QDir::tempPath() + QStringLiteral("/utilities-bench/");
  if (!bench::copyBenchTable(source, folder)) return;
  const std::string dir = folder.toStdString();
  {
    tdb::Table t;
    t.setDatabaseName(dir);
    t.setTableName("bench.dbf");
    t.setExclusive(true);
    t.open();
    t.addIndex({"DAY", "DAY", "", 0});
    t.addIndex({"NAME", "NAME", "", 0});
    t.close();
    t.setExclusive(false);
    t.setFilter("(PRICE<10)");
    t.setFiltered(true);
    t.open();
    tdb::Table part;
    part.setDatabaseName(dir);
    part.setTableName("part.dbf");
    for (int i = 0; i < 5; ++i) part.fieldDefs().add(t.fieldDefs()[i]);
    part.createTable();
    part.batchMove(t, tdb::BatchMode::batAppend);
  }
  bench::OffscreenWorkbench workbench("utilities-bench");
  torvanel::TForm0& main = workbench.main();
  torvanel::WindowEngine& engine = workbench.engine();
  torvanel::TableTransfers transfers(engine, [] { return tdb::TableType::ttDBase; });
  const QString in = QStringLiteral("[") + folder + QStringLiteral("]");

  engine.viewtable({folder, QStringLiteral("bench.dbf")});  // in DAY order, its first tag
  const int tagged = engine.activeSlot();
  timedOutput("summary by DAY in DAY order", "<= 2 s", 2.0, folder, "sum1.dbf",
              [&] { summarize(main, {QStringLiteral("2~DAY")}, in + "sum1.dbf"); });
  engine.registry()[tagged].window->table().setIndexName("");
  timedOutput("summary, every record a group", "<= 5 s", 5.0, folder, "sum2.dbf", [&] {
    summarize(main, {QStringLiteral("0~NAME"), QStringLiteral("1~PRICE")}, in + "sum2.dbf");
  });
  engine.registry()[tagged].window->table().setIndexName("DAY");
  timedOutput("ordered output in DAY order", "<= 3 s", 3.0, folder, "ordered.dbf", [&] {
    transfers.orderedOutput({folder, QStringLiteral("ordered.dbf")});
  });
  timedOutput("copy output, 2 tags", "<= 4 s", 4.0, folder, "copy2.dbf", [&] {
    transfers.copyOutput({folder, QStringLiteral("copy2.dbf")});
  });

  engine.viewtable({source, QStringLiteral("bench.dbf")});  // the table without tags
  timedOutput("copy output, no tags", "<= 1.5 s", 1.5, folder, "copy0.dbf", [&] {
    transfers.copyOutput({folder, QStringLiteral("copy0.dbf")});
  });
  engine.viewtable({folder, QStringLiteral("part.dbf")});
  timedOutput("copy output of 100,000 to text", "<= 2 s", 2.0, folder, "part.txt", [&] {
    transfers.copyOutput({folder, QStringLiteral("part.txt")});
  });
  engine.closeeverytable(torvanel::CloseMode::Close);
  QDir(folder).removeRecursively();
}

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
  measureUtilities(source);
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
