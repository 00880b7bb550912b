// Production index files from arbitrary bytes: the first byte picks the format (even: CDX,
// odd: MDX), the rest is the file. Opening must either fail with EngineError or list tags whose
// every walk ends, with keys of the tag's length or an EngineError.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/engine_error.h"
#include "engine/index/cdx_file.h"
#include "engine/index/mdx_file.h"
#include "fuzz/scratch_folder.h"

namespace {

const std::string& folder() { return scratchFolder("index_files_fuzz"); }

template <typename IndexFile>
void walkAll(const std::string& path) {
  IndexFile file(path);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool mdx = data[0] & 1;
  const std::string path = folder() + (mdx ? "t.mdx" : "t.cdx");
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data + 1, 1, size - 1, f) != size - 1) abort();
  std::fclose(f);
  try {
    if (mdx)
      walkAll<tdb::MdxFile>(path);
    else
      walkAll<tdb::CdxFile>(path);
  } catch (const tdb::EngineError&) {
  }
  return 0;
}
