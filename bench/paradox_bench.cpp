// The engine on a million-record keyed Paradox table: open and the first records, full scans,
// locates by key, and appends kept in key order, at the end and among the records; then
// engine_bench's dBASE table copied into a new Paradox table. Prints figures and the targets
// they are held to; never fails for a missed target.
//
//   paradox_bench [FOLDER] [--cold]    FOLDER keeps the generated table between runs
//                                      (/tmp/tdb-bench); --cold: only the scans and the copy,
//                                      one pass each with its files dropped from the page cache

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
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
using bench::Clock;
using bench::report;
using bench::reportPer;
using bench::secondsSince;

constexpr uint32_t kRecords = 1'000'000;
constexpr const char* kTable = "bench.db";
constexpr const char* kCopy = "appended.db";
constexpr const char* kCopiedTable = "copied.db";
constexpr int kProbes = 10'000;
constexpr int kAppends = 100'000;

// One pass from files out of the page cache, instead of the best of three from memory.
bool cold = false;

// Asks the kernel to drop a file's cached pages; a cold pass then reads it from the disk.
void dropFromCache(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
}

// The time of `work`: the best of three passes, or when cold one pass after `files` leave the
// page cache.
double timed(const std::vector<std::string>& files, const std::function<void()>& work) {
  if (!cold) return bench::bestOf(3, work);
  for (const std::string& file : files) dropFromCache(file);
  return bench::bestOf(1, work);
}

void point(tdb::Table& t, const std::string& folder, const std::string& name) {
  t.setDatabaseName(folder);
  t.setTableName(name);
}

// Keys step by 10, so that appends can also land between them. Every value is a function of the
// record's number, so a locate knows what to find.
int64_t keyOf(uint32_t i) { return int64_t{i} * 10; }

void fill(tdb::Table& t, int64_t key, uint32_t i, const std::vector<std::string>& words) {
  t.append();
  t.field(0).setValue(tdb::Value::integer(key));
  t.field(1).setAsString(std::string(1, char('A' + i % 26)) + std::to_string(i));
  t.field(2).setValue(tdb::Value::number(i % 100000 * 1.5));
  t.field(3).setValue(tdb::Value::dateTime(tdb::encodeDate(2000 + i % 25, i % 12 + 1, i % 28 + 1)));
  t.field(4).setValue(tdb::Value::boolean(i % 2 == 1));
  t.field(5).setAsString(words[i % words.size()]);
  t.post();
}

std::vector<std::string> gbkWords() {
  std::vector<std::string> out;
  for (const char* w : {"北京市", "上海市朝阳路", "广州天河区", "深圳南山", "杭州西湖", "成都锦江",
                        "武汉江汉路", "南京鼓楼", "西安雁塔区", "重庆渝中"})
    out.push_back(tdb::utf8ToGbk(w));
  return out;
}

void generate(const std::string& folder) {
  tdb::Table t;
  point(t, folder, kTable);
  t.fieldDefs().add("ID", tdb::FieldType::ftInteger);
  t.fieldDefs().add("NAME", tdb::FieldType::ftString, 10);
  t.fieldDefs().add("PRICE", tdb::FieldType::ftFloat);
  t.fieldDefs().add("DAY", tdb::FieldType::ftDate);
  t.fieldDefs().add("OK", tdb::FieldType::ftBoolean);
  t.fieldDefs().add("TITLE", tdb::FieldType::ftString, 20);
  t.indexDefs().add({"", "ID", "", tdb::ixPrimary});
  t.createTable();
  t.setExclusive(true);
  t.open();
  t.disableControls();
  const std::vector<std::string> words = gbkWords();
  for (uint32_t i = 1; i <= kRecords; ++i) fill(t, keyOf(i), i, words);
  t.close();
}

bool tableReady(const std::string& folder) {
  try {
    tdb::Table t;
    point(t, folder, kTable);
    if (!t.exists()) return false;
    t.open();
    t.last();
    return t.fieldCount() == 6 && t.recNo() == static_cast<long>(kRecords) &&
           t.field(0).value() == tdb::Value::integer(keyOf(kRecords));
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
  if (!bench::runInChild("paradox_bench", [&] { generate(folder); })) return false;
  const double seconds = secondsSince(start);
  std::printf(
      "table: %s%s (%u appends in key order through the cursor, exclusive: %.1f s, "
      "%.2f us each, .PX written at close included)\n",
      folder.c_str(), kTable, kRecords, seconds, seconds / kRecords * 1e6);
  return true;
}

size_t readRecord(tdb::Table& t) {
  size_t seen = 0;
  for (int i = 0; i < t.fieldCount(); ++i) seen += !t.field(i).value().isNull();
  return seen;
}

void measureOpen(const std::string& folder) {
  const auto start = Clock::now();
  tdb::Table t;
  point(t, folder, kTable);
  t.open();
  size_t seen = 0;
  for (int n = 0; n < 50 && !t.eof(); ++n, t.next()) seen += readRecord(t);
  const double seconds = secondsSince(start);
  report("open + first 50 records", seconds, 0, "< 50 ms", seconds < 0.05 && seen > 0);
}

// Every field of every record, field by field as a grid cell reads them, or the whole record in
// one call into reused values as the utilities read them.
void measureScans(const std::string& folder, bool exclusive, bool whole) {
  tdb::Table t;
  point(t, folder, kTable);
  t.setExclusive(exclusive);
  t.open();
  t.disableControls();
  size_t records = 0, seen = 0;
  std::vector<tdb::Value> values;
  const double seconds = timed({folder + kTable}, [&] {
    records = 0;
    for (t.first(); !t.eof(); t.next(), ++records) {
      if (!whole) {
        seen += readRecord(t);
        continue;
      }
      t.readValues(values);
      for (const tdb::Value& v : values) seen += !v.isNull();
    }
  });
  const std::string what = std::string("full scan, ") + (whole ? "whole records" : "every field") +
                           (exclusive ? ", exclusive" : ", shared") + (cold ? ", cold" : "");
  report(what.c_str(), seconds, static_cast<double>(records), ">= 10M/s", records / seconds >= 1e7);
}

// engine_bench's dBASE table (when it is in the folder) copied to a new Paradox table, as
// "tdb copy" does it; the copy is removed at the end.
void measureCopy(const std::string& folder) {
  if (!fs::exists(folder + "bench.dbf")) {
    std::printf("copy to a Paradox table: skipped (run engine_bench on this folder first)\n");
    return;
  }
  long copied = 0;
  const double seconds = timed({folder + "bench.dbf", folder + "bench.dbt"}, [&] {
    tdb::Table source, copy;
    point(source, folder, "bench.dbf");
    point(copy, folder, kCopiedTable);
    copy.batchMove(source, tdb::BatchMode::batCopy);
    copied = copy.recordCount();
  });
  report(cold ? "copy bench.dbf to a Paradox table, cold" : "copy bench.dbf to a Paradox table",
         seconds, static_cast<double>(copied), "<= 2 s", seconds <= 2);
  for (const char* file : {kCopiedTable, "copied.MB"}) fs::remove(folder + file);
}

std::vector<uint32_t> probes(uint32_t seed, uint32_t range, int count) {
  std::vector<uint32_t> out;
  uint64_t x = seed;
  for (int i = 0; i < count; ++i) {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    out.push_back(static_cast<uint32_t>((x >> 33) % range) + 1);
  }
  return out;
}

void measureLocate(const std::string& folder) {
  tdb::Table t;
  point(t, folder, kTable);
  t.open();
  const std::vector<uint32_t> wanted = probes(7, kRecords, kProbes);
  size_t found = 0;
  const double seconds = bench::bestOf(3, [&] {
    for (uint32_t i : wanted) found += t.locate("ID", tdb::Value::integer(keyOf(i)));
  });
  reportPer("locate by key, each", seconds, kProbes, "<= 100 us", 100);
  if (found != 3u * kProbes)
    std::printf("(only %zu of %d locates found their record)\n", found, 3 * kProbes);
}

// On a copy: appends past the last key (blocks fill in turn), then appends whose keys fall
// between the records (blocks split), each with the close that writes the .PX.
void measureAppends(const std::string& folder) {
  fs::copy_file(folder + kTable, folder + kCopy, fs::copy_options::overwrite_existing);
  const std::vector<std::string> words = gbkWords();
  for (const bool between : {false, true}) {
    tdb::Table t;
    point(t, folder, kCopy);
    t.open();
    t.disableControls();
    const std::vector<uint32_t> places = probes(11, kRecords, kAppends);
    int repeats = 0;
    const auto start = Clock::now();
    for (uint32_t n = 0; n < kAppends; ++n) {
      const int64_t key = between ? keyOf(places[n]) + 1 + n % 9 : keyOf(kRecords) + 10 * (n + 1);
      try {
        fill(t, key, n, words);
      } catch (const tdb::EngineError&) {
        t.cancel();  // a key drawn twice: the post is refused, which costs a search too
        ++repeats;
      }
    }
    const double posts = secondsSince(start);
    reportPer(between ? "append among the keys, each" : "append at the end, each", posts, kAppends,
              "", 0);
    if (repeats) std::printf("(%d of the keys were drawn twice and refused)\n", repeats);
    const auto closing = Clock::now();
    t.close();
    report("  then close (writes the .PX)", secondsSince(closing), 0, "", true);
  }
  for (const char* file : {kCopy, "appended.px"}) fs::remove(folder + file);
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = "/tmp/tdb-bench";
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--cold")
      cold = true;
    else
      folder = argv[i];
  }
  if (folder.back() != '/') folder += '/';
  try {
    fs::create_directories(folder);
    if (!ensureTable(folder)) {
      std::fprintf(stderr, "paradox_bench: could not generate the table\n");
      return 1;
    }
    bench::printHeading();
    if (!cold) measureOpen(folder);
    for (const bool whole : {false, true}) {
      measureScans(folder, false, whole);
      measureScans(folder, true, whole);
    }
    if (!cold) {
      measureLocate(folder);
      measureAppends(folder);
    }
    measureCopy(folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "paradox_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
