// Memo files from arbitrary bytes. The first byte chooses the layout (its value modulo 3: DBT
// III, DBT IV, FPT); bit 2 asks for a write as well, and its top five bits name the block to
// rewrite. The remaining bytes are the file.
//
// Every block is read; damage must show as EngineError, nothing else. A file whose header says it
// was cut short refuses every write. After a write the memo must read back, an appended memo must
// leave every memo readable before unchanged, and the file must still open.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "engine/dbf/memo_file.h"
#include "engine/engine_error.h"

namespace {

using tdb::EngineError;
using tdb::MemoFile;
using tdb::MemoFormat;

const std::string& scratchPath() {
  static const std::string path = [] {
    std::string p = "/tmp/memo_fuzz_XXXXXX";
    int fd = mkstemp(p.data());
    if (fd < 0) abort();
    close(fd);
    return p;
  }();
  static const bool removedAtExit = [] {
    return std::atexit([] { unlink(scratchPath().c_str()); }) == 0;
  }();
  (void)removedAtExit;
  return path;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
  if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size)) abort();
  close(fd);
}

// Every memo that reads without error, by block.
std::map<uint32_t, std::string> readAll(MemoFile& memo, uint64_t fileSize) {
  std::map<uint32_t, std::string> found;
  uint64_t blocks = fileSize / memo.blockSize() + 2;
  for (uint32_t b = 0; b < blocks && b < 5000; ++b) {
    try {
      found[b] = memo.read(b);
    } catch (const EngineError&) {
    }
  }
  return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const MemoFormat kFormats[] = {MemoFormat::Dbt3, MemoFormat::Dbt4, MemoFormat::Fpt};
  const MemoFormat format = kFormats[data[0] % 3];
  const bool writes = data[0] & 4;
  const uint32_t oldBlock = data[0] >> 3;
  const std::string& path = scratchPath();
  writeFile(path, data + 1, size - 1);

  std::unique_ptr<MemoFile> memo;
  try {
    memo = MemoFile::open(path, format, writes);
  } catch (const EngineError&) {
    return 0;
  }
  std::map<uint32_t, std::string> before = readAll(*memo, size - 1);
  if (!writes) return 0;

  // Sizes that sometimes fit the old memo's blocks and sometimes do not.
  std::string payload((size * 7) % 300, 'm');
  uint32_t at;
  try {
    at = memo->write(payload, oldBlock, size & 1);
  } catch (const EngineError&) {
    return 0;  // a header gone bad since, a file cut short, or a full file: refused, not damaged
  }
  if (!memo->damage().empty()) abort();  // written into a file that lost its end
  if (memo->read(at) != payload) abort();
  if (at != oldBlock) {
    for (const auto& [block, text] : before)
      if (memo->read(block) != text) abort();
  }
  memo.reset();
  try {
    MemoFile::open(path, format, false);
  } catch (const EngineError&) {
    abort();
  }
  return 0;
}
