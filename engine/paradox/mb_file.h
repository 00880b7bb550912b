#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/paradox/px_codec.h"
#include "engine/posix_file.h"

namespace tdb::px {

// A Paradox blob file (.MB), read-only. It is made of 4 KiB chunks: chunk 0 is the header, and
// each block of one or more chunks holds either one blob (block type 2, named by index 0xFF) or
// up to 64 small ones (type 3, suballocated in 16-byte paragraphs and named by their slot).
class MbFile {
 public:
  static constexpr uint32_t kChunk = 4096;

  // Opens the file and checks its header chunk. Throws EngineError naming the file.
  explicit MbFile(const std::string& path);

  const std::string& path() const { return file_.path(); }

  // The blob `ref` points at: exactly ref.length bytes, or for a graphic the picture after the
  // 8 bytes that graphic blobs carry before it. Throws EngineError naming the file when the
  // pointer leads outside the file, to a header or free block, to an empty slot, or to a blob of
  // another length.
  std::string read(const BlobRef& ref, bool graphic) const;

 private:
  PosixFile file_;
  uint64_t size_ = 0;
};

}  // namespace tdb::px
