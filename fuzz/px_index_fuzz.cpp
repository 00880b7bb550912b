// Primary index files (.PX) from arbitrary bytes, read against one small keyed table: 81 records
// in up to 100 data blocks of 1 KB, keyed by a 100-byte alpha field and a long.
//
// Damage anywhere must show as EngineError with a valid UTF-8 message, nothing else. An index
// that reads must keep the reader's promises (keys of the key's size, data blocks of the table,
// counts adding up to its records), and must come back the same when written anew and read.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/engine_error.h"
#include "engine/paradox/px_primary_index.h"
#include "fuzz/scratch_folder.h"
#include "fuzz/utf8_check.h"

namespace {

const std::string& folder() { return scratchFolder("px_index_fuzz"); }

const tdb::px::Header& table() {
  static const tdb::px::Header h = [] {
    tdb::px::Header t;
    t.fileType = 0;
    t.keyFieldCount = 2;
    t.maxTableSize = 1;
    t.codePage = 936;
    t.tableName = "keyed";
    auto field = [&](const char* name, uint8_t type, uint32_t size) {
      tdb::px::Field f;
      f.name = name;
      f.type = type;
      f.size = size;
      t.fields.push_back(f);
      t.recordSize += size;
    };
    field("NAME", tdb::px::kAlpha, 100);
    field("N", tdb::px::kLong, 4);
    field("V", tdb::px::kNumber, 8);
    t.recordCount = 81;
    t.nextBlock = t.fileBlocks = t.lastBlock = 100;
    t.firstBlock = 1;
    const std::string bytes = tdb::px::encodeHeader(t);
    return tdb::px::parseHeader(bytes, bytes.size() + 100 * 1024, "keyed.db");
  }();
  return h;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size) abort();
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = folder() + "t.px";
  writeFile(path, data, size);
  std::vector<tdb::px::BlockKey> blocks;
  try {
    blocks = tdb::px::readPrimaryIndex(path, table());
  } catch (const tdb::EngineError& e) {
    if (!validUtf8(e.what())) abort();
    return 0;
  }
  uint64_t total = 0;
  for (const tdb::px::BlockKey& b : blocks) {
    if (b.key.size() != 104 || b.block == 0 || b.block > table().fileBlocks) abort();
    total += b.records;
  }
  if (total != table().recordCount) abort();

  const std::string again = folder() + "again.px";
  tdb::px::writePrimaryIndex(again, table(), blocks);
  const std::vector<tdb::px::BlockKey> back = tdb::px::readPrimaryIndex(again, table());
  if (back.size() != blocks.size()) abort();
  for (size_t i = 0; i < back.size(); ++i)
    if (back[i].key != blocks[i].key || back[i].block != blocks[i].block ||
        back[i].records != blocks[i].records)
      abort();
  return 0;
}
