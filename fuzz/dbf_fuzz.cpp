// Tables from arbitrary bytes: a 4-byte little-endian length, that many bytes of table file, and
// the rest as its memo file (written under both memo extensions, so whichever the header asks
// for is there).
//
// Opening must either fail with EngineError or give a table whose every record and field reads
// without a crash; appending a copy of the first record must then work or fail cleanly, and the
// table must open again afterwards.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/engine_error.h"
#include "engine/table.h"
#include "fuzz/scratch_folder.h"

namespace {

const std::string& folder() { return scratchFolder("dbf_fuzz"); }

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size) abort();
  std::fclose(f);
}

void readEverything(tdb::Table& t) {
  long seen = 0;
  for (t.first(); !t.eof() && seen < 5000; t.next(), ++seen)
    for (int i = 0; i < t.fieldCount(); ++i) (void)t.field(i).asString();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t tableSize;
  std::memcpy(&tableSize, data, 4);
  data += 4, size -= 4;
  if (tableSize > size) tableSize = static_cast<uint32_t>(size);
  writeFile(folder() + "t.dbf", data, tableSize);
  writeFile(folder() + "t.dbt", data + tableSize, size - tableSize);
  writeFile(folder() + "t.fpt", data + tableSize, size - tableSize);

  tdb::Table t;
  t.setDatabaseName(folder());
  t.setTableName("t.dbf");
  try {
    t.open();
  } catch (const tdb::EngineError&) {
    return 0;
  }
  try {
    readEverything(t);
    if (!t.isEmpty()) {
      t.first();
      std::vector<tdb::Value> values;
      for (int i = 0; i < t.fieldCount(); ++i) values.push_back(t.field(i).value());
      t.append();
      for (int i = 0; i < t.fieldCount(); ++i) t.field(i).setValue(values[i]);
      t.post();
    }
  } catch (const tdb::EngineError&) {
    // A value the format refuses, or damage found late (a memo block out of range).
  }
  t.close();
  try {
    t.open();
    readEverything(t);
  } catch (const tdb::EngineError&) {
    // Damage that only some records show is reported again; what matters is no crash.
  }
  return 0;
}
