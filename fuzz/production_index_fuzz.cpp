// An indexed table whose index file is arbitrary bytes: the first byte picks the table (even: a
// FoxPro table and its .cdx, odd: a dBASE table and its .mdx), the rest is the index file.
//
// Opening must either fail with EngineError or give a table on which every tag either orders
// the records (each record at most once, keys in order) or fails with EngineError; an edit must
// post or fail cleanly, and closing (which writes the index file again) must leave a table that
// opens. Then the repair (what tdb reindex does: open for repair, drop the tags the engine cannot
// evaluate, rebuild the rest) must leave an index file that a cursor opens and orders by.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "engine/drivers.h"
#include "engine/engine_error.h"
#include "engine/index/production_index.h"
#include "engine/table.h"
#include "fuzz/utf8_check.h"

namespace {

namespace fs = std::filesystem;

struct Fixture {
  std::string folder;
  std::string pristine[2];  // the two tables' files as made
};

const char* kTables[2] = {"fox.dbf", "base.dbf"};
const char* kIndexes[2] = {"fox.cdx", "base.mdx"};

std::string readFile(const std::string& path) {
  std::string bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) abort();
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
  std::fclose(f);
  return bytes;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size) abort();
  std::fclose(f);
}

// Two small tables with a character, a numeric and a date field; their index files are the
// fuzzer's to write.
const Fixture& fixture() {
  static const Fixture made = [] {
    char p[] = "/tmp/production_index_fuzz_XXXXXX";
    if (!mkdtemp(p)) abort();
    Fixture f{std::string(p) + "/", {}};
    for (int i = 0; i < 2; ++i) {
      tdb::Table t;
      t.setDatabaseName(f.folder);
      t.setTableName(kTables[i]);
      t.setTableType(i == 0 ? tdb::TableType::ttFoxPro : tdb::TableType::ttDBase);
      t.fieldDefs().add("NAME", tdb::FieldType::ftString, 8);
      t.fieldDefs().add({"AGE", tdb::FieldType::ftInteger, 4, 0, false});
      t.fieldDefs().add("DAY", tdb::FieldType::ftDate);
      t.createTable();
      t.open();
      for (int r = 0; r < 30; ++r) {
        t.append();
        t.fieldByName("NAME").setAsString("n" + std::to_string(r * 7 % 13));
        t.fieldByName("AGE").setValue(tdb::Value::integer(r * 37 % 50 - 10));
        t.fieldByName("DAY").setValue(tdb::Value::dateTime(45000 + r * 3 % 17));
        t.post();
      }
      t.close();
      f.pristine[i] = readFile(f.folder + kTables[i]);
    }
    return f;
  }();
  return made;
}

void check(const tdb::EngineError& e) {
  if (!validUtf8(e.what())) abort();
}

void repair(const Fixture& f, int which) {
  const tdb::TableType type = which == 0 ? tdb::TableType::ttFoxPro : tdb::TableType::ttDBase;
  std::set<std::string> everyRecord;  // tags that order all 30 records: no condition, not unique
  try {
    auto file = tdb::drivers::open(f.folder + kTables[which], type, true,
                                   tdb::ProductionIndex::BadTags::Keep);
    tdb::ProductionIndex& index = *file->productionIndex();
    for (int i = index.tagCount() - 1; i >= 0; --i)
      if (!index.tag(i).key) index.removeTag(index.tag(i).info.name);
    index.rebuild();
    file->flush();
    for (int i = 0; i < index.tagCount(); ++i) {
      const tdb::IndexTagInfo& info = index.tag(i).info;
      if (!info.unique && info.forExpression.empty()) everyRecord.insert(info.name);
    }
  } catch (const tdb::EngineError& e) {
    check(e);  // a key that fails on some record's value: refused, with a message
    return;
  }
  tdb::Table t;
  t.setDatabaseName(f.folder);
  t.setTableName(kTables[which]);
  t.setTableType(type);
  try {
    t.open();
    for (const tdb::IndexDef& def : t.indexDefs()) {
      t.setIndexName(def.name);
      long n = 0;
      for (t.first(); !t.eof(); t.next()) ++n;
      if (everyRecord.count(def.name) && n != 30) abort();
    }
  } catch (const tdb::EngineError&) {
    abort();  // the repair left an index file the cursor refuses
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const Fixture& f = fixture();
  const int which = data[0] & 1;
  const std::string table = f.folder + kTables[which];
  const std::string& pristine = f.pristine[which];
  writeFile(table, reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  writeFile(f.folder + kIndexes[which], data + 1, size - 1);
  fs::remove(table + ".tdb-index-stale");

  tdb::Table t;
  t.setDatabaseName(f.folder);
  t.setTableName(kTables[which]);
  try {
    t.open();
  } catch (const tdb::EngineError& e) {
    check(e);
    return 0;
  }
  try {
    for (const tdb::IndexDef& def : t.indexDefs()) {
      try {
        t.setIndexName(def.name);
      } catch (const tdb::EngineError& e) {
        check(e);
        continue;
      }
      std::set<long> seen;
      for (t.first(); !t.eof(); t.next())
        if (!seen.insert(t.recNo()).second) abort();  // an order visits a record once
      if (seen.size() > 30) abort();
    }
    t.setIndexName("");
    t.first();
    t.edit();
    t.fieldByName("NAME").setAsString("changed");
    t.post();
  } catch (const tdb::EngineError& e) {
    check(e);
  }
  try {
    t.close();
  } catch (const tdb::EngineError& e) {
    check(e);
  }
  // Whatever happened, the table itself must still open.
  try {
    tdb::Table again;
    again.setDatabaseName(f.folder);
    again.setTableName(kTables[which]);
    again.open();
  } catch (const tdb::EngineError& e) {
    check(e);
    if (std::string(e.what()).find(kIndexes[which]) == std::string::npos) abort();
  }
  repair(f, which);
  return 0;
}
