#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/paradox/px_codec.h"
#include "engine/posix_file.h"

namespace tdb::px {

// A Paradox blob file (.MB). It is made of 4 KiB chunks: chunk 0 is the header, and
// each block of one or more chunks holds either one blob (block type 2, named by index 0xFF) or
// up to 64 small ones (type 3, suballocated in 16-byte paragraphs and named by their slot).
class MbFile {
 public:
  static constexpr uint32_t kChunk = 4096;

  // Opens the file and checks its header chunk. Throws EngineError naming the file.
  explicit MbFile(const std::string& path, bool writable = false);
  // Makes an empty blob file: the header chunk alone.
  static void create(const std::string& path);

  const std::string& path() const { return file_.path(); }

  // The blob `ref` points at: exactly ref.length bytes, or for a graphic the picture after the
  // 8 bytes that graphic blobs carry before it. Throws EngineError naming the file when the
  // pointer leads outside the file, to a header or free block, to an empty slot, or to a blob of
  // another length.
  std::string read(const BlobRef& ref, bool graphic) const;

  // Stores a blob at the end of the file and returns its pointer (the leader is left for the
  // record to fill). Blobs up to 2 KiB share suballocated blocks this object started; longer
  // ones get blocks of their own. A graphic gets the 8 bytes that graphic blobs carry before the
  // picture. Space of blobs that records no longer point at is not reused.
  BlobRef write(const std::string& data, bool graphic);

 private:
  PosixFile file_;
  uint64_t size_ = 0;
  // The suballocated block being filled: its offset (0: none), next free paragraph and slot.
  uint32_t shared_ = 0;
  uint32_t sharedParagraph_ = 0;
  uint32_t sharedSlot_ = 0;
};

}  // namespace tdb::px
