// Tables from arbitrary bytes: a 4-byte little-endian length, that many bytes of table file, and
// the rest as its memo file (written under both memo extensions, so whichever the header asks
// for is there).
//
// Opening must either fail with EngineError or give a table that shows every record its header
// counts and its file holds (all that are not marked deleted), in which every field reads: a memo
// field may fail alone, with an EngineError (its memo file is damaged), no other field may.
// Appending a copy of the first record must then work or fail cleanly, and the table must open
// again afterwards.

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

constexpr long kMostRecords = 5000;  // enough to see everything a small input holds

const std::string& folder() { return scratchFolder("dbf_fuzz"); }

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size) abort();
  std::fclose(f);
}

uint32_t le(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

// The records a sound reading shows, counted from the bytes alone: those the header counts and
// the file holds whole, less the ones marked deleted.
long liveRecords(const uint8_t* table, size_t size) {
  const uint32_t count = le(table + 4, 4), header = le(table + 8, 2), length = le(table + 10, 2);
  const uint64_t held = (size - header) / length;  // the table opened: both are sane
  long live = 0;
  for (uint64_t r = 0; r < count && r < held; ++r) live += table[header + r * length] != '*';
  return live;
}

bool isMemo(tdb::FieldType t) {
  using tdb::FieldType;
  return t == FieldType::ftMemo || t == FieldType::ftFmtMemo || t == FieldType::ftBlob ||
         t == FieldType::ftGraphic || t == FieldType::ftTypedBinary;
}

// Every field of every record, `expected` records in all (or the first kMostRecords).
void readEverything(tdb::Table& t, long expected) {
  long seen = 0;
  for (t.first(); !t.eof() && seen < kMostRecords; t.next(), ++seen) {
    for (int i = 0; i < t.fieldCount(); ++i) {
      try {
        (void)t.field(i).asString();
      } catch (const tdb::EngineError&) {
        if (!isMemo(t.field(i).dataType())) abort();
      }
    }
  }
  if (seen != std::min(expected, kMostRecords)) abort();
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
  const long live = liveRecords(data, tableSize);
  readEverything(t, live);
  try {
    if (!t.isEmpty()) {
      t.first();
      std::vector<tdb::Value> values;
      for (int i = 0; i < t.fieldCount(); ++i) values.push_back(t.field(i).value());
      t.append();
      for (int i = 0; i < t.fieldCount(); ++i) t.field(i).setValue(values[i]);
      t.post();
    }
  } catch (const tdb::EngineError&) {
    // A value the format refuses, a damaged memo, or a table opened read-only.
  }
  t.close();
  try {
    t.open();
  } catch (const tdb::EngineError&) {
    abort();  // it opened before, and an append that failed must not have changed that
  }
  t.last();  // the records may have grown by the one appended
  readEverything(t, t.recordCount());
  return 0;
}
