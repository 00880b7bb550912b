// The engine on a million-record dBASE table: open, memory, scans, filter, locate, pack and a copy
// of 100,000 records to a text table; index tags built, followed, searched, ranged by a master
// and kept in step with posts; and `tdb dump --csv` against shapelib's dbfdump on the same file.
// Prints figures and the targets they are held to; never fails for a missed target.
//
//   engine_bench [FOLDER]    FOLDER keeps the generated table between runs (/tmp/tdb-bench)

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/table.h"

namespace {

namespace fs = std::filesystem;
using bench::bestOf;
using bench::Clock;
using bench::Memory;
using bench::memoryNow;
using bench::report;
using bench::reportPer;
using bench::secondsSince;

constexpr uint32_t kRecords = 1'000'000;
constexpr const char* kTable = "bench.dbf";

// ------------------------------------------------------------------ the table

void point(tdb::Table& t, const std::string& folder, const std::string& name) {
  t.setDatabaseName(folder);
  t.setTableName(name);
}

std::string nameOf(uint32_t i) { return std::string(1, char('A' + i % 26)) + std::to_string(i); }

// Every record's values are a function of its number, so a locate knows what to look for.
void generate(const std::string& folder) {
  const char* words[] = {"北京市",   "上海市朝阳路", "广州天河区", "深圳南山",   "杭州西湖",
                         "成都锦江", "武汉江汉路",   "南京鼓楼",   "西安雁塔区", "重庆渝中"};
  std::vector<std::string> gbkWords;
  for (const char* w : words) gbkWords.push_back(tdb::utf8ToGbk(w));
  const std::string memoText = tdb::utf8ToGbk("条记录的备注：货物已经检验，单据齐全，按时入库。");

  tdb::Table t;
  point(t, folder, kTable);
  t.fieldDefs().add("NAME", tdb::FieldType::ftString, 10);
  t.fieldDefs().add({"PRICE", tdb::FieldType::ftFloat, 8, 2, false});
  t.fieldDefs().add("DAY", tdb::FieldType::ftDate);
  t.fieldDefs().add("OK", tdb::FieldType::ftBoolean);
  t.fieldDefs().add("TITLE", tdb::FieldType::ftString, 20);
  t.fieldDefs().add("NOTE", tdb::FieldType::ftMemo);
  t.createTable();
  t.open();
  t.disableControls();
  const double day0 = tdb::encodeDate(2000, 1, 1);
  tdb::Field& name = t.field(0);
  tdb::Field& price = t.field(1);
  tdb::Field& day = t.field(2);
  tdb::Field& ok = t.field(3);
  tdb::Field& title = t.field(4);
  tdb::Field& note = t.field(5);
  for (uint32_t i = 1; i <= kRecords; ++i) {
    t.append();
    name.setValue(tdb::Value::text(nameOf(i)));
    price.setValue(tdb::Value::number(((i * 7919u) % 10000) / 100.0));
    day.setValue(tdb::Value::dateTime(day0 + i % 9000));
    ok.setValue(tdb::Value::boolean(i % 3 != 0));
    title.setValue(tdb::Value::text(gbkWords[i % 10] + std::to_string(i % 1000)));
    if (i % 10 == 0) {
      std::string memo = tdb::utf8ToGbk("第") + std::to_string(i);
      for (uint32_t k = 0; k <= i % 5; ++k) memo += memoText;
      note.setValue(tdb::Value::text(memo));
    }
    t.post();
  }
  t.close();
}

bool tableReady(const std::string& folder) {
  try {
    tdb::Table t;
    point(t, folder, kTable);
    if (!t.exists()) return false;
    t.open();
    t.last();  // a generation cut short leaves fewer records
    return t.fieldCount() == 6 && t.recNo() == static_cast<long>(kRecords);
  } catch (const tdb::EngineError&) {
    return false;
  }
}

// Generates in a child process, so that this process's peak memory is that of the measurements.
bool ensureTable(const std::string& folder) {
  if (tableReady(folder)) {
    std::printf("table: %s%s (cached)\n", folder.c_str(), kTable);
    return true;
  }
  std::printf("generating %u records in %s%s ...\n", kRecords, folder.c_str(), kTable);
  const auto start = Clock::now();
  if (!bench::runInChild("engine_bench", [&] { generate(folder); })) return false;
  std::printf("table: %s%s (generated through the cursor in %.1f s, %.0f records/s)\n",
              folder.c_str(), kTable, secondsSince(start), kRecords / secondsSince(start));
  return true;
}

// ------------------------------------------------------------------ the measurements

// Reads every field of the current record the way a grid or an export does.
size_t readRecord(tdb::Table& t, int fields) {
  size_t seen = 0;
  for (int i = 0; i < fields; ++i) seen += !t.field(i).value().isNull();
  return seen;
}

void measureOpen(const std::string& folder) {
  const Memory before = memoryNow();
  const auto start = Clock::now();
  {
    tdb::Table t;
    point(t, folder, kTable);
    t.open();
    size_t seen = 0;
    for (int n = 0; n < 50 && !t.eof(); ++n, t.next()) seen += readRecord(t, t.fieldCount());
    const double seconds = secondsSince(start);
    report("open + first 50 records", seconds, 0, "< 50 ms", seconds < 0.05);
    const Memory after = memoryNow();
    const double added = std::max(after.rss - before.rss, after.peak - before.peak);
    std::printf("%-34s RSS %+.1f MB, peak %+.1f MB%28s: %s\n", "memory the open adds",
                after.rss - before.rss, after.peak - before.peak, "< 64 MB",
                added < 64 ? "ok" : "MISSED");
    if (seen == 0) std::printf("(no values read)\n");
  }
}

void measureScans(const std::string& folder) {
  tdb::Table t;
  point(t, folder, kTable);
  t.open();
  t.disableControls();
  const int fields = t.fieldCount();

  for (int pass = 0; pass < 2; ++pass) {
    const bool withMemo = pass == 0;
    const auto start = Clock::now();
    size_t records = 0, seen = 0;
    for (t.first(); !t.eof(); t.next(), ++records)
      seen += readRecord(t, withMemo ? fields : fields - 1);
    report(withMemo ? "full scan, every field" : "full scan, every field but the memo",
           secondsSince(start), records, ">= 5M/s", records / secondsSince(start) >= 5e6);
    if (records != kRecords || seen == 0) std::printf("(scan saw %zu records)\n", records);
  }

  {
    // The way an export or a recalculation reads: the whole record in one call, into values
    // reused from record to record.
    std::vector<tdb::Value> values;
    size_t records = 0, seen = 0;
    const double seconds = bestOf(3, [&] {
      records = 0;
      for (t.first(); !t.eof(); t.next(), ++records) {
        t.readValues(values);
        for (const tdb::Value& v : values) seen += !v.isNull();
      }
    });
    report("full scan, whole records (best of 3)", seconds, records, ">= 15M/s",
           records / seconds >= 15e6);
    if (records != kRecords || seen == 0) std::printf("(scan saw %zu records)\n", records);
  }

  {
    const auto start = Clock::now();
    t.setFilter("(PRICE>50)AND(NAME='A*')");
    t.setFiltered(true);
    size_t matches = 0;
    for (t.first(); !t.eof(); t.next()) ++matches;
    const double seconds = secondsSince(start);
    report("filter scan (PRICE>50)AND(NAME='A*')", seconds, kRecords, ">= 5M/s",
           kRecords / seconds >= 5e6);
    std::printf("%-34s %zu matches\n", "", matches);
    t.setFiltered(false);
  }

  {
    const uint32_t target = kRecords - 10;
    const auto start = Clock::now();
    const bool found = t.locate("NAME", tdb::Value::text(nameOf(target)));
    const double seconds = secondsSince(start);
    report("locate NAME near the end, no index", seconds, target, "", true);
    if (!found || t.recNo() != static_cast<long>(target))
      std::printf("(locate landed on %ld)\n", found ? t.recNo() : -1L);
  }
}

void measurePack(const std::string& folder) {
  const std::string copy = "pack.dbf";
  fs::copy_file(folder + kTable, folder + copy, fs::copy_options::overwrite_existing);
  fs::copy_file(folder + "bench.dbt", folder + "pack.dbt", fs::copy_options::overwrite_existing);
  tdb::Table t;
  point(t, folder, copy);
  t.open();
  t.disableControls();
  for (t.first(); !t.eof();) {
    if (t.recNo() % 10 == 0)
      t.deleteRecord();
    else
      t.next();
  }
  t.close();
  t.setExclusive(true);
  t.open();
  const auto start = Clock::now();
  t.pack();
  const double seconds = secondsSince(start);
  report("pack, 10% deleted", seconds, kRecords, "", true);
  std::printf("%-34s %ld records kept\n", "", t.recordCount());
  t.close();
  t.deleteTable();
}

// ------------------------------------------------------------------ text tables

// A copy to a text table writes the file once, however many records it takes.
void measureTextCopy(const std::string& folder) {
  constexpr long kCopied = 100'000;
  const std::string source = "text_source.dbf", target = "copy.txt";
  {
    // A text table holds no memos: the source is the first records without the note.
    tdb::Table bench, src;
    point(bench, folder, kTable);
    bench.open();
    point(src, folder, source);
    for (int i = 0; i < 5; ++i) src.fieldDefs().add(bench.fieldDefs()[i]);
    src.createTable();
    // Record i is named by a letter and i.
    bench.onFilterRecord = [](tdb::Table& t) {
      return std::stol(t.field(0).asString().substr(1)) <= kCopied;
    };
    bench.setFiltered(true);
    src.batchMove(bench, tdb::BatchMode::batAppend);
  }
  tdb::Table src, txt;
  point(src, folder, source);
  point(txt, folder, target);
  const double seconds = bestOf(3, [&] {
    txt.close();
    txt.batchMove(src, tdb::BatchMode::batCopy);
  });
  report("copy 100,000 records to .TXT", seconds, kCopied, "<= 2 s", seconds <= 2);
  if (txt.recordCount() != kCopied)
    std::printf("(the copy holds %ld records)\n", txt.recordCount());
  txt.close();
  txt.deleteTable();
  src.deleteTable();
}

// ------------------------------------------------------------------ indexes

// Tags are built on a copy, so the cached table stays without an index file and every run starts
// from the same files whatever a run cut short left behind.
constexpr const char* kIndexed = "indexed.dbf";
constexpr int kProbes = 10'000;

// Removes a table copy with every file the engine keeps beside it (memo, index, markers).
void removeCopy(const std::string& folder, const std::string& table) {
  const std::string stem = fs::path(table).stem().string() + ".";
  for (const fs::directory_entry& e : fs::directory_iterator(folder))
    if (e.path().filename().string().rfind(stem, 0) == 0) fs::remove(e.path());
}

void copyTable(const std::string& folder, const std::string& table) {
  removeCopy(folder, table);
  const std::string stem = fs::path(table).stem().string();
  fs::copy_file(folder + kTable, folder + table);
  fs::copy_file(folder + "bench.dbt", folder + stem + ".dbt");
}

// Record numbers spread over the table, the same in every run.
std::vector<uint32_t> probes(uint32_t seed) {
  std::vector<uint32_t> out;
  uint64_t x = seed;
  for (int i = 0; i < kProbes; ++i) {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    out.push_back(static_cast<uint32_t>((x >> 33) % kRecords) + 1);
  }
  return out;
}

void measureTagBuild(const std::string& folder) {
  copyTable(folder, kIndexed);
  tdb::Table t;
  point(t, folder, kIndexed);
  t.setExclusive(true);
  t.open();
  // Adding a tag of a name the index has replaces it, so every run builds the same tag afresh.
  const double name = bestOf(3, [&] { t.addIndex({"NAME", "NAME", "", 0}); });
  report("build tag NAME (best of 3)", name, kRecords, "<= 1.5 s", name <= 1.5);
  const double day = bestOf(1, [&] { t.addIndex({"DAY", "DAY", "", 0}); });
  report("build tag DAY", day, kRecords, "", true);
  t.close();
}

void measureIndexedOpen(const std::string& folder) {
  const auto start = Clock::now();
  tdb::Table t;
  point(t, folder, kIndexed);
  t.open();
  size_t seen = 0;
  for (int n = 0; n < 50 && !t.eof(); ++n, t.next()) seen += readRecord(t, t.fieldCount());
  const double seconds = secondsSince(start);
  report("open with 2 tags + first 50", seconds, 0, "< 50 ms", seconds < 0.05);
  if (seen == 0) std::printf("(no values read)\n");
}

// A shared open reads each record the order jumps to with a system call; an exclusive one reads
// the table through a memory mapping.
void measureTagScan(const std::string& folder, bool exclusive) {
  tdb::Table t;
  point(t, folder, kIndexed);
  t.setIndexName("NAME");
  t.setExclusive(exclusive);
  t.open();
  t.disableControls();
  tdb::Field& name = t.field(0);
  size_t records = 0, seen = 0;
  const double scan = bestOf(3, [&] {
    records = 0;
    for (t.first(); !t.eof(); t.next(), ++records) seen += !name.value().isNull();
  });
  report(exclusive ? "scan in NAME order, exclusive" : "scan in NAME order, shared", scan, records,
         ">= 5M/s", records / scan >= 5e6);
  if (records != kRecords || seen == 0) std::printf("(scan saw %zu records)\n", records);
}

void measureTagOrder(const std::string& folder) {
  measureTagScan(folder, false);
  measureTagScan(folder, true);
  tdb::Table t;
  point(t, folder, kIndexed);
  t.setIndexName("NAME");
  t.open();
  t.disableControls();

  const std::vector<uint32_t> keys = probes(1);
  int missed = 0;
  const double locate = bestOf(3, [&] {
    missed = 0;
    for (uint32_t k : keys)
      if (!t.locate("NAME", tdb::Value::text(nameOf(k))) || t.recNo() != static_cast<long>(k))
        ++missed;
  });
  reportPer("locate NAME in NAME order, each", locate, kProbes, "<= 50 us", 50);
  if (missed) std::printf("(%d of %d locates missed their record)\n", missed, kProbes);
}

// A master of one record per day the table has, and the table as its detail, ordered by DAY: each
// master move narrows the detail to that day's records (about 111 of them).
void measureMasterDetail(const std::string& folder) {
  const std::string masterName = "days.dbf";
  removeCopy(folder, masterName);
  const double day0 = tdb::encodeDate(2000, 1, 1);
  constexpr int kDays = 9000;
  tdb::Table master;
  point(master, folder, masterName);
  master.fieldDefs().add("DAY", tdb::FieldType::ftDate);
  master.createTable();
  master.open();
  master.disableControls();
  for (int d = 0; d < kDays; ++d) {
    master.append();
    master.field(0).setValue(tdb::Value::dateTime(day0 + d));
    master.post();
  }

  tdb::Table detail;
  point(detail, folder, kIndexed);
  detail.setIndexName("DAY");
  detail.setMasterSource(&master);
  detail.setMasterFields("DAY");
  detail.open();
  tdb::Field& name = detail.field(0);
  tdb::Field& detailDay = detail.field(2);
  int moves = 0, wrong = 0;
  const double seconds = bestOf(3, [&] {
    moves = wrong = 0;
    for (master.first(); !master.eof(); master.next(), ++moves) {
      if (detail.eof() || name.value().isNull()) ++wrong;
      if (moves % 1000 == 0 &&
          detailDay.value().doubleValue() != master.field(0).value().doubleValue())
        ++wrong;
    }
  });
  reportPer("master move + detail first record", seconds, moves, "", 0);
  if (wrong)
    std::printf("(%d of %d master records showed no or the wrong details)\n", wrong, moves);
  detail.close();
  master.close();
  master.deleteTable();
}

// Posts keep both tags in step; the index file is written when the table closes. A shared holder
// cannot know what others changed, so it indexes the table afresh before writing.
void measurePosts(const std::string& folder, bool exclusive) {
  tdb::Table t;
  point(t, folder, kIndexed);
  t.setExclusive(exclusive);
  t.open();
  t.disableControls();
  tdb::Field& name = t.field(0);
  tdb::Field& day = t.field(2);
  const std::vector<uint32_t> records = probes(exclusive ? 3 : 2);
  const char* mode = exclusive ? "exclusive" : "shared";
  char what[64];

  auto start = Clock::now();
  for (uint32_t r : records) {
    t.gotoBookmark(tdb::Bookmark{r});
    t.edit();
    name.setValue(tdb::Value::text((exclusive ? "Y" : "Z") + std::to_string(r)));
    t.post();
  }
  std::snprintf(what, sizeof what, "edit + post, 2 tags, %s", mode);
  reportPer(what, secondsSince(start), kProbes, "<= 1 ms", 1000);

  const double day0 = tdb::encodeDate(2000, 1, 1);
  start = Clock::now();
  for (int i = 0; i < kProbes; ++i) {
    t.append();
    name.setValue(tdb::Value::text(nameOf(kRecords + i + 1)));
    day.setValue(tdb::Value::dateTime(day0 + i % 9000));
    t.post();
  }
  std::snprintf(what, sizeof what, "append + post, 2 tags, %s", mode);
  reportPer(what, secondsSince(start), kProbes, "<= 1 ms", 1000);

  start = Clock::now();
  t.close();
  std::snprintf(what, sizeof what, "close after the posts, %s", mode);
  const double closing = secondsSince(start);
  if (exclusive)
    report(what, closing, 0, "", true);
  else
    report(what, closing, 0, "<= 0.3 s", closing <= 0.3);
}

void measureIndexes(const std::string& folder) {
  measureTagBuild(folder);
  measureIndexedOpen(folder);
  measureTagOrder(folder);
  measureMasterDetail(folder);
  measurePosts(folder, false);
  measurePosts(folder, true);
  removeCopy(folder, kIndexed);
}

// Wall time of a child process with its output thrown away, and the child's peak memory.
double timeChild(const std::vector<std::string>& argv, double& peakMb) {
  const auto start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  const double seconds = secondsSince(start);
  peakMb = usage.ru_maxrss / 1024.0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return seconds;
}

double bestOf3(const std::vector<std::string>& argv, double& peakMb) {
  double best = -1;
  for (int i = 0; i < 3; ++i) {
    double peak = 0;
    const double s = timeChild(argv, peak);
    if (s < 0) return -1;
    if (best < 0 || s < best) best = s, peakMb = peak;
  }
  return best;
}

void measureDump(const std::string& folder) {
  const std::string file = folder + kTable;
  double tdbPeak = 0, peerPeak = 0;
  const double tdb = bestOf3({TDB_PROGRAM, "dump", "--csv", file}, tdbPeak);
  const double peer = bestOf3({"dbfdump", file}, peerPeak);
  if (tdb < 0) {
    std::printf("tdb dump --csv failed (%s)\n", TDB_PROGRAM);
    return;
  }
  std::printf("%-34s %10.2f ms %8.2fM/s %8.1f (child peak MB)\n", "tdb dump --csv, best of 3",
              tdb * 1000, kRecords / tdb / 1e6, tdbPeak);
  if (peer < 0) {
    std::printf("dbfdump did not run (install shapelib); no ratio\n");
    return;
  }
  std::printf("%-34s %10.2f ms %8.2fM/s %8.1f (child peak MB)\n", "dbfdump, best of 3", peer * 1000,
              kRecords / peer / 1e6, peerPeak);
  std::printf("%-34s %10.2fx %37s: %s\n", "dbfdump time / tdb time", peer / tdb, ">= 15x",
              peer / tdb >= 15 ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : "/tmp/tdb-bench";
  if (folder.back() != '/') folder += '/';
  try {
    fs::create_directories(folder);
    if (!ensureTable(folder)) {
      std::fprintf(stderr, "engine_bench: could not generate the table\n");
      return 1;
    }
    bench::printHeading();
    measureOpen(folder);
    measureScans(folder);
    measurePack(folder);
    measureTextCopy(folder);
    measureIndexes(folder);
    measureDump(folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "engine_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
