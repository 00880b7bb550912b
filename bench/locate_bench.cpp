// Locates that ignore case on a 100,000-record lookup table of each format, as a project's
// lookups make them: whole keys, one per lookup per recalculated record, and the leading two
// characters a user types into a lookup field. The first locate on a freshly opened table
// includes building the field's keys; the others use them. Prints figures and the targets they
// are held to; never fails for a missed target.
//
//   locate_bench [FOLDER]    FOLDER keeps the generated tables between runs (/tmp/tdb-bench)

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_support.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/table.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::reportPer;
using bench::secondsSince;

constexpr uint32_t kRecords = 100'000;
constexpr int kLookups = 200'000;  // a recalculation of 100,000 records with two lookups
constexpr int kKeystrokes = 10'000;

// Two letters of mixed case, then the record's number: every code is unique, and each leading
// pair begins about 150 of them.
std::string codeOf(uint32_t i) {
  return std::string{char('A' + i % 26), char('a' + i / 26 % 26)} + std::to_string(i);
}

// The code as a user types it: every letter's case turned.
std::string typed(std::string code) {
  for (char& c : code)
    if (c >= 'a' && c <= 'z')
      c = char(c - 32);
    else if (c >= 'A' && c <= 'Z')
      c = char(c + 32);
  return code;
}

struct Format {
  const char* label;
  const char* file;
  tdb::TableType type;
  bool tagged = false;  // tags UPCODE (UPPER(CODE)) and BYNAME (NAME)
};

void point(tdb::Table& t, const std::string& folder, const Format& f) {
  t.setDatabaseName(folder);
  t.setTableName(f.file);
  t.setTableType(f.type);
}

bool tableReady(const std::string& folder, const Format& f) {
  try {
    tdb::Table t;
    point(t, folder, f);
    if (!t.exists()) return false;
    t.open();
    t.last();
    return t.recNo() == static_cast<long>(kRecords) && t.field(0).asString() == codeOf(kRecords);
  } catch (const tdb::EngineError&) {
    return false;
  }
}

void generate(const std::string& folder, const Format& f) {
  tdb::Table t;
  point(t, folder, f);
  if (t.exists()) t.deleteTable();
  t.fieldDefs().add("CODE", tdb::FieldType::ftString, 10);
  t.fieldDefs().add("NAME", tdb::FieldType::ftString, 20);
  t.fieldDefs().add("PRICE", tdb::FieldType::ftFloat);
  if (f.tagged) {
    t.indexDefs().add({"UPCODE", "", "UPPER(CODE)", tdb::ixExpression});
    t.indexDefs().add({"BYNAME", "NAME", "", 0});
  }
  t.createTable();
  t.setExclusive(true);
  t.open();
  t.disableControls();
  const std::string name = tdb::utf8ToGbk("上海市朝阳路");
  tdb::Table::Batch batch(t);
  for (uint32_t i = 1; i <= kRecords; ++i) {
    t.append();
    t.field(0).setAsString(codeOf(i));
    t.field(1).setAsString(name + std::to_string(i % 1000));
    t.field(2).setValue(tdb::Value::number(i * 0.5));
    t.post();
  }
  batch.finish();
  t.close();
}

// Made in a child process, so that this process's peak memory is that of the measurements. A
// table just written is left to settle: a shared open trusts its kept keys only once the file's
// change time lies further back than the file system's clock steps.
bool ensureTable(const std::string& folder, const Format& f) {
  if (tableReady(folder, f)) return true;
  std::printf("generating %u records in %s%s ...\n", kRecords, folder.c_str(), f.file);
  if (!bench::runInChild("locate_bench", [&] { generate(folder, f); })) return false;
  ::sleep(3);
  return true;
}

// `order`: an index the table is opened in, empty for the natural order.
void measure(const std::string& folder, const Format& f, bool exclusive,
             const std::string& order = "") {
  const std::string mode = std::string(f.label) + (exclusive ? ", exclusive" : ", shared") +
                           (order.empty() ? "" : ", " + order);
  auto fresh = [&](tdb::Table& t) {
    point(t, folder, f);
    t.setExclusive(exclusive);
    t.setIndexName(order);
    t.open();
  };
  auto expect = [&](tdb::Table& t, bool found, uint32_t i) {
    if (!found || t.field(0).asString() != codeOf(i))
      throw tdb::EngineError("locate found the wrong record for " + codeOf(i));
  };
  const unsigned caseless = tdb::loCaseInsensitive;
  const unsigned leading = tdb::loCaseInsensitive | tdb::loPartialKey;
  {
    tdb::Table t;
    fresh(t);
    const uint32_t i = kRecords * 3 / 4;
    const auto start = Clock::now();
    const bool found = t.locate("CODE", tdb::Value::text(typed(codeOf(i))), caseless);
    const double first = secondsSince(start);
    expect(t, found, i);
    reportPer((mode + ": first whole key").c_str(), first, 1, "<= 50 ms", 50'000);
    const auto many = Clock::now();
    for (int n = 0; n < kLookups; ++n) {
      const uint32_t r = uint32_t(n * 7919ULL % kRecords) + 1;
      expect(t, t.locate("CODE", tdb::Value::text(typed(codeOf(r))), caseless), r);
    }
    const double all = secondsSince(many);
    reportPer((mode + ": whole key, next").c_str(), all, kLookups, "<= 10 us", 10);
    std::printf("%-34s %10.2f s  (200,000 lookups; target well under 5 s)\n",
                (mode + ": 200,000 lookups").c_str(), all);
  }
  {
    tdb::Table t;
    fresh(t);
    const auto start = Clock::now();
    const bool found = t.locate("CODE", tdb::Value::text("qC"), leading);
    const double first = secondsSince(start);
    if (!found || typed(t.field(0).asString()).compare(0, 2, "qC") != 0)
      throw tdb::EngineError("the first keystroke found the wrong record");
    reportPer((mode + ": first keystroke").c_str(), first, 1, "<= 50 ms", 50'000);
    const auto many = Clock::now();
    for (int n = 0; n < kKeystrokes; ++n) {
      const uint32_t r = uint32_t(n * 7919ULL % kRecords) + 1;
      const std::string pair = typed(codeOf(r)).substr(0, 2);
      if (!t.locate("CODE", tdb::Value::text(pair), leading))
        throw tdb::EngineError("no record begins with " + pair);
    }
    reportPer((mode + ": keystroke, next").c_str(), secondsSince(many), kKeystrokes, "<= 50 ms",
              50'000);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : "/tmp/tdb-bench";
  if (folder.back() != '/') folder += '/';
  const Format formats[] = {{"dBASE", "lookup.dbf", tdb::TableType::ttDBase},
                            {"FoxPro", "lookupfox.dbf", tdb::TableType::ttFoxPro},
                            {"Paradox", "lookup.db", tdb::TableType::ttParadox},
                            {"text", "lookup.txt", tdb::TableType::ttASCII},
                            {"dBASE tagged", "lookuptag.dbf", tdb::TableType::ttDBase, true}};
  try {
    fs::create_directories(folder);
    for (const Format& f : formats)
      if (!ensureTable(folder, f)) {
        std::fprintf(stderr, "locate_bench: could not generate %s\n", f.file);
        return 1;
      }
    bench::printHeading();
    for (const Format& f : formats) {
      if (f.tagged) {
        measure(folder, f, true);  // through the UPPER(CODE) tag
        measure(folder, f, false, "BYNAME");
        continue;
      }
      for (const bool exclusive : {false, true}) measure(folder, f, exclusive);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "locate_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
