// The structure designer opened on a table of 255 fields (as many as a FoxPro table holds) with
// four indexes, from "修改表结构" until it has painted, driven offscreen. Prints figures and the
// target; never fails for a missed target.
//
//   designer_bench

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/tools/field_grid.h"
#include "app/tools/structure_designer.h"
#include "app/windows/window_engine.h"
#include "bench/bench_support.h"
#include "bench/offscreen_workbench.h"
#include "bench/printed_dialogs.h"
#include "engine/table.h"

namespace {

using bench::Clock;

constexpr int kFields = 255;

// wide.dbf in `folder`: 255 fields of every kind the designer lists, four indexes, one record.
void makeWideTable(const QString& folder) {
  tdb::Table t;
  t.setDatabaseName(QDir::toNativeSeparators(folder).toStdString() + "/");
  t.setTableName("wide.dbf");
  t.setTableType(tdb::TableType::ttFoxPro);
  const tdb::FieldType types[] = {tdb::FieldType::ftString, tdb::FieldType::ftFloat,
                                  tdb::FieldType::ftDate, tdb::FieldType::ftBoolean,
                                  tdb::FieldType::ftInteger};
  for (int i = 0; i < kFields; ++i) {
    const tdb::FieldType type = types[i % 5];
    t.fieldDefs().add(
        {"F" + std::to_string(i), type, type == tdb::FieldType::ftString ? 8 : 0, 0, false});
  }
  for (int i = 0; i < 4; ++i)
    t.indexDefs().add({"IX" + std::to_string(i), "F" + std::to_string(i * 5), "", 0});
  t.createTable();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir folder;
  makeWideTable(folder.path());
  bench::PrintedDialogs dialogs;
  bench::OffscreenWorkbench workbench("designer-bench");
  torvanel::WindowEngine& engine = workbench.engine();
  engine.viewtable({folder.path() + QLatin1Char('/'), QStringLiteral("wide.dbf")});
  auto* designer = workbench.main().findChild<torvanel::TForm03*>();
  bench::printHeading();

  std::vector<double> times;
  for (int run = 0; run < 10; ++run) {
    const auto start = Clock::now();
    // Runs once the modal designer is up: it paints, and is closed again.
    QTimer::singleShot(0, designer, [&] {
      designer->grab();
      times.push_back(bench::secondsSince(start));
      designer->reject();
    });
    designer->designWindow(0);
  }
  std::sort(times.begin(), times.end());
  std::printf("%-34s %d\n", "rows in the field grid", designer->grid()->rowCount());
  bench::report("designer open on 255 fields, first", times.front(), 0, "", true);
  bench::report("designer open on 255 fields, median", times[times.size() / 2], 0, "<= 0.1 s",
                times[times.size() / 2] <= 0.1);
  bench::report("designer open on 255 fields, worst", times.back(), 0, "", true);
  return 0;
}
