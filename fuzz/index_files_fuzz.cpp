// Production index files from arbitrary bytes: the first byte picks the format (even: CDX,
// odd: MDX), the rest is the file. Opening must either fail with EngineError or list tags whose
// every walk ends, with keys of the tag's length or an EngineError. Opened for salvage, a file
// lists at least the tags a strict open lists, and says what it lost exactly when a strict open
// fails.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/engine_error.h"
#include "engine/index/cdx_file.h"
#include "engine/index/mdx_file.h"
#include "fuzz/scratch_folder.h"

namespace {

const std::string& folder() { return scratchFolder("index_files_fuzz"); }

template <typename IndexFile>
void walkAll(const IndexFile& file) {
  for (size_t t = 0; t < file.tags().size(); ++t) {
    const size_t length = static_cast<size_t>(file.tags()[t].keyLength);
    try {
      file.walk(static_cast<int>(t), [&](const tdb::IndexEntry& e) {
        if (e.key.size() != length || e.recno == 0) abort();
        return true;
      });
    } catch (const tdb::EngineError&) {
      // Damage in one tag leaves the others readable.
    }
  }
}

template <typename IndexFile>
void openBothWays(const std::string& path) {
  std::unique_ptr<IndexFile> strict, salvaged;
  try {
    strict = std::make_unique<IndexFile>(path);
  } catch (const tdb::EngineError&) {
  }
  try {
    salvaged = std::make_unique<IndexFile>(path, true);
  } catch (const tdb::EngineError&) {
    if (strict) abort();  // salvage gives up only where a strict open does
    return;
  }
  if (strict && (!salvaged->lost().empty() || salvaged->tags().size() != strict->tags().size()))
    abort();
  if (!strict && salvaged->lost().empty()) abort();  // a refusal must show as something lost
  walkAll(*salvaged);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool mdx = data[0] & 1;
  const std::string path = folder() + (mdx ? "t.mdx" : "t.cdx");
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data + 1, 1, size - 1, f) != size - 1) abort();
  std::fclose(f);
  if (mdx)
    openBothWays<tdb::MdxFile>(path);
  else
    openBothWays<tdb::CdxFile>(path);
  return 0;
}
