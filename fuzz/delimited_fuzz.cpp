// Text tables from arbitrary bytes: a 4-byte little-endian length, that many bytes of schema
// file, and the rest as the table. The table is opened twice: once without a schema (a header
// line of names) and once with the schema.
//
// Opening must either fail with an EngineError whose message is valid UTF-8 or give a table
// whose every record and field reads without a crash; appending a copy of the first record must
// then work or fail cleanly, and the table must open again afterwards with that record, since
// what a write puts in the file must read back.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/text/text_storage.h"
#include "fuzz/scratch_folder.h"
#include "fuzz/utf8_check.h"

namespace {

const std::string& folder() { return scratchFolder("delimited_fuzz"); }

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size) abort();
  std::fclose(f);
}

void readEverything(tdb::Storage& s) {
  tdb::RecordBuffer buf;
  for (uint32_t r = 1; r <= s.recordCount() && r <= 5000; ++r) {
    s.read(r, buf);
    for (int i = 0; i < s.fieldDefs().count(); ++i) {
      (void)tdb::displayText(s.get(buf, i), s.fieldDefs()[i].type);
      std::string_view view;
      (void)s.textView(buf, i, view);
    }
  }
}

void exercise(const std::string& path) {
  std::unique_ptr<tdb::text::TextStorage> s;
  try {
    s = tdb::text::TextStorage::open(path, true);
  } catch (const tdb::EngineError& e) {
    if (!validUtf8(e.what())) abort();
    return;
  }
  readEverything(*s);
  const uint32_t before = s->recordCount();
  bool appended = false;
  if (before > 0) {
    tdb::RecordBuffer first, copy;
    s->read(1, first);
    s->blank(copy);
    try {
      for (int i = 0; i < s->fieldDefs().count(); ++i) s->set(copy, i, s->get(first, i));
      s->append(copy);
      appended = true;
    } catch (const tdb::EngineError& e) {
      // A value the format cannot write back, such as a two-digit year out of its century.
      if (!validUtf8(e.what())) abort();
    }
  }
  s.reset();
  // What this driver wrote it must read again, every record of it.
  if (!appended) return;
  s = tdb::text::TextStorage::open(path, false);
  readEverything(*s);
  if (s->recordCount() != before + 1) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t schemaSize;
  std::memcpy(&schemaSize, data, 4);
  data += 4, size -= 4;
  if (schemaSize > size) schemaSize = static_cast<uint32_t>(size);
  const std::string table = folder() + "T.TXT";
  const std::string schema = folder() + "T.SCH";

  std::filesystem::remove(schema);
  writeFile(table, data + schemaSize, size - schemaSize);
  exercise(table);

  writeFile(schema, data, schemaSize);
  writeFile(table, data + schemaSize, size - schemaSize);
  exercise(table);
  return 0;
}
