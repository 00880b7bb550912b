// A restructure of engine_bench's million-record table with two index tags: one field renamed, one
// added, the rest kept, end to end with the backup. Prints the time of each step, the whole, and
// the peak memory; never fails for a missed target.
//
//   restructure_bench [FOLDER]   FOLDER holds engine_bench's bench.dbf (/tmp/tdb-bench); the
//                                work happens on a copy in FOLDER/restructure/

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_support.h"
#include "engine/engine_error.h"
#include "engine/restructure.h"
#include "engine/table.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::report;
using bench::secondsSince;

constexpr long kRecords = 1'000'000;

// The copy, with tags NAME and DAY added as a user would; made in a child, so that this process's
// peak memory is the restructure's alone.
bool prepare(const std::string& source, const std::string& work) {
  std::error_code ignored;
  fs::remove_all(work, ignored);
  fs::create_directories(work);
  fs::copy_file(source + "bench.dbf", work + "bench.dbf");
  fs::copy_file(source + "bench.dbt", work + "bench.dbt");
  return bench::runInChild("restructure_bench", [&] {
    tdb::Table t;
    t.setTableName(work + "bench.dbf");
    t.setExclusive(true);
    t.open();
    t.addIndex({"NAME", "NAME", "", 0});
    t.addIndex({"DAY", "DAY", "", 0});
  });
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : "/tmp/tdb-bench";
  if (!folder.ends_with('/')) folder += '/';
  if (!fs::exists(folder + "bench.dbf")) {
    std::fprintf(stderr, "restructure_bench: run engine_bench first to make %sbench.dbf\n",
                 folder.c_str());
    return 1;
  }
  const std::string work = folder + "restructure/";
  std::printf("copying %sbench.dbf to %s and adding tags NAME and DAY ...\n", folder.c_str(),
              work.c_str());
  if (!prepare(folder, work)) return 1;
  try {
    const auto start = Clock::now();
    tdb::FieldDefs fields;
    tdb::IndexDefs indexes;
    {
      tdb::Table t;
      t.setTableName(work + "bench.dbf");
      t.open();
      fields = t.fieldDefs();
      indexes = t.indexDefs();
    }
    fields[4].name = "HEADING";  // TITLE renamed
    fields.add("CITY", tdb::FieldType::ftString, 12);
    long reports = 0;
    const tdb::Restructure::Progress progress = [&](long, long) { ++reports; };
    tdb::Restructure r(work + "bench.dbf", tdb::TableType::ttDefault, fields, indexes);
    bench::printHeading();
    auto step = Clock::now();
    r.backup(progress);
    report("backup (records, memos, 2 tags)", secondsSince(step), kRecords, "", true);
    step = Clock::now();
    const tdb::CarryLosses losses = r.build("", progress);
    report("build (records, memos, 2 tags)", secondsSince(step), kRecords, "", true);
    step = Clock::now();
    r.commit();
    report("swap", secondsSince(step), 0, "", true);
    const double total = secondsSince(start);
    report("restructure end to end", total, kRecords, "<= 10 s", total <= 10);
    const double peak = bench::memoryNow().peak;
    std::printf("peak memory %.0f MB (target <= 300 MB: %s); %ld progress reports; losses %ld\n",
                peak, peak <= 300 ? "met" : "MISSED", reports,
                losses.cleared + losses.shortened + losses.dropped);
  } catch (const tdb::EngineError& e) {
    std::fprintf(stderr, "restructure_bench: %s\n", e.what());
    return 1;
  }
  std::error_code ignored;
  fs::remove_all(work, ignored);
  return 0;
}
