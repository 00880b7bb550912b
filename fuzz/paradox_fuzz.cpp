// Paradox tables from arbitrary bytes. The input is a 4-byte little-endian length n, then n bytes
// of the .DB file, then the .MB file (none when nothing is left).
//
// The header is parsed, the data block chain walked, and every field of every record read, blobs
// included; damage anywhere must show as EngineError with a valid UTF-8 message, nothing else.
// Records read in runs of blocks and fields decoded into reused values must match the plain reads.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_error.h"
#include "engine/paradox/px_codec.h"
#include "engine/paradox/px_table.h"
#include "fuzz/utf8_check.h"

namespace {

const std::string& scratchDir() {
  static const std::string dir = [] {
    std::string d = "/tmp/paradox_fuzz_XXXXXX";
    if (!mkdtemp(d.data())) abort();
    return d + "/";
  }();
  static const bool removedAtExit = [] {
    return std::atexit([] {
             unlink((scratchDir() + "t.db").c_str());
             unlink((scratchDir() + "t.mb").c_str());
             rmdir(scratchDir().c_str());
           }) == 0;
  }();
  (void)removedAtExit;
  return dir;
}

// Equal values, doubles compared bit for bit (the bytes may hold a NaN).
bool sameValue(const tdb::Value& a, const tdb::Value& b) {
  if (a.kind() != b.kind()) return false;
  if (a.kind() != tdb::Value::Kind::Double && a.kind() != tdb::Value::Kind::DateTime) return a == b;
  const double x = a.doubleValue(), y = b.doubleValue();
  return std::memcmp(&x, &y, sizeof x) == 0;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size)) abort();
  close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  size_t n = data[0] | data[1] << 8 | data[2] << 16 | static_cast<size_t>(data[3]) << 24;
  if (n > size - 4) n = size - 4;
  const std::string db = scratchDir() + "t.db";
  const std::string mb = scratchDir() + "t.mb";
  writeFile(db, data + 4, n);
  if (size - 4 - n > 0)
    writeFile(mb, data + 4 + n, size - 4 - n);
  else
    unlink(mb.c_str());

  try {
    tdb::px::ParadoxTable table(db);
    table.setReadAhead(16);
    std::vector<tdb::Value> reused(table.header().fields.size());
    for (uint32_t r = 1; r <= table.recordCount(); ++r) {
      const std::string record = table.readRecord(r);
      // Records read in runs of blocks must be those read one at a time.
      if (record != std::string(table.record(r), record.size())) abort();
      for (int f = 0; f < table.fieldDefs().count(); ++f) {
        try {
          const tdb::Value v = table.value(record, f);
          const tdb::px::Field& field = table.header().fields[static_cast<size_t>(f)];
          if (tdb::px::isBlobType(field.type)) continue;
          // Decoding into a value that held the field of the record before gives the same.
          tdb::Value& into = reused[static_cast<size_t>(f)];
          tdb::px::decodeFieldInto(field, record.data() + field.offset, db, into);
          if (!sameValue(into, v)) abort();
        } catch (const tdb::EngineError& e) {
          if (!validUtf8(e.what())) abort();
        }
      }
    }
  } catch (const tdb::EngineError& e) {
    if (!validUtf8(e.what())) abort();
  }
  return 0;
}
