// A Paradox secondary index file from arbitrary bytes: the input is the .XG0 beside a small keyed
// table made once. Reading the definitions must either fail with EngineError (with a valid UTF-8
// message) or give definitions that fit the table, whose sort keys every record yields.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/engine_error.h"
#include "engine/paradox/px_codec.h"
#include "engine/paradox/px_secondary_index.h"
#include "engine/paradox/px_table.h"
#include "fuzz/scratch_folder.h"
#include "fuzz/utf8_check.h"

namespace {

using namespace tdb;

// A long key, two alpha fields, a number, a date, a BCD and a memo, with four records: the table
// that SecondaryIndexSeeds.WritesFuzzSeedsOnRequest (tests/engine) writes the seed corpus for.
struct Fixture {
  std::string db;
  px::Header header;
  std::vector<std::string> records;
};

const Fixture& fixture() {
  static const Fixture made = [] {
    Fixture f;
    f.db = scratchFolder("px_secondary_fuzz") + "t.db";
    px::Header h;
    h.fileType = 0;
    h.keyFieldCount = 1;
    h.maxTableSize = 2;
    h.codePage = 936;
    const struct {
      const char* name;
      uint8_t type;
      uint32_t size;
      uint32_t decimals;
    } fields[] = {{"Id", px::kLong, 4, 0},    {"Name", px::kAlpha, 12, 0},
                  {"City", px::kAlpha, 8, 0}, {"Amount", px::kNumber, 8, 0},
                  {"Day", px::kDate, 4, 0},   {"Price", px::kBcd, 17, 2},
                  {"Memo", px::kMemo, 11, 0}};
    for (const auto& d : fields) {
      px::Field field;
      field.name = d.name;
      field.type = d.type;
      field.size = d.size;
      field.decimals = d.decimals;
      h.recordSize += d.size;
      h.fields.push_back(field);
    }
    px::ParadoxTable::create(f.db, h);
    px::ParadoxTable t(f.db, true);
    const char* names[] = {"li", "Wang", "LI", "\xd5\xc5\x81\x61"};
    for (int i = 0; i < 4; ++i) {
      std::string rec(t.header().recordSize, '\0');
      const auto& fs = t.header().fields;
      px::encodeField(fs[0], rec.data() + fs[0].offset, Value::integer(i + 1));
      px::encodeField(fs[1], rec.data() + fs[1].offset, Value::text(names[i]));
      px::encodeField(fs[3], rec.data() + fs[3].offset, Value::number(i * 2.5 - 3));
      px::encodeField(fs[5], rec.data() + fs[5].offset, Value::number(i - 1.25));
      t.insert(t.recordCount() + 1, rec);
    }
    f.header = t.header();
    for (uint32_t r = 1; r <= t.recordCount(); ++r) f.records.push_back(t.readRecord(r));
    return f;
  }();
  return made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Fixture& f = fixture();
  const std::string path = f.db.substr(0, f.db.size() - 3) + ".XG0";
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out || std::fwrite(data, 1, size, out) != size) abort();
  std::fclose(out);
  try {
    for (const px::SecondaryIndex& def : px::readSecondaryIndexes(f.db, f.header)) {
      if (def.fields.empty() || def.fields.size() > 16 || def.extension != "XG0") abort();
      size_t length = 0;
      for (const uint32_t pos : def.fields) {
        if (pos >= f.header.fields.size()) abort();
        length += f.header.fields[pos].size;
      }
      for (const std::string& record : f.records)
        if (px::secondaryKey(f.header, def, record.data()).size() != length) abort();
    }
  } catch (const EngineError& e) {
    if (!validUtf8(e.what())) abort();
  }
  return 0;
}
