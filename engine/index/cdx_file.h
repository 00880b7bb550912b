#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/index/index_entry.h"
#include "engine/posix_file.h"

namespace tdb {

// A compound index (.cdx) opened read-only: its tags and, per tag, its keys in index order.
//
// The file is a tree of 512-byte nodes addressed by byte offsets. A directory tree at offset 0
// maps tag names to tag headers; each tag header (512 bytes plus a 512-byte expression pool)
// names the root of that tag's own tree. Leaves chain left to right, and their keys are
// compressed: each leaf entry packs a record number, the count of leading bytes shared with
// the previous key of the node and the count of trailing fill bytes dropped; the remaining
// bytes sit at the node's end, packed downwards.
//
// Every offset, count and length is checked against the file before use; damage throws
// EngineError naming the file and the defect. Walks visit each node at most once, so a cycle
// in a damaged file ends in an error, never a hang.
class CdxFile {
 public:
  // Opens `path` and reads its tag directory and every tag header. With `salvage`, a tag whose
  // header cannot be read, or the tags a damaged directory no longer reaches, are left out and
  // described in lost() instead of failing the open; damage to the directory's own header fails
  // either way.
  explicit CdxFile(const std::string& path, bool salvage = false);

  const std::string& path() const { return file_.path(); }
  const std::vector<IndexTagInfo>& tags() const { return tags_; }
  // What a salvaging open left out, one message per defect naming the file.
  const std::vector<std::string>& lost() const { return lost_; }
  // Index of the tag of that name (ASCII case ignored); -1 when none.
  int tagIndex(const std::string& name) const;

  // Visits the keys of tag `tag` in stored order. Trailing bytes the file dropped are restored
  // as `trailFill`: a blank for character keys, NUL for the binary keys of numbers and dates
  // (the file does not say which a tag holds; its key expression does).
  void walk(int tag, const IndexVisitor& visit, char trailFill = ' ') const;
  std::vector<IndexEntry> entries(int tag, char trailFill = ' ') const;

 private:
  struct Header {
    uint32_t root = 0;
    int keyLength = 0;
    unsigned options = 0;
    bool descending = false;
  };

  Header readHeader(uint64_t offset, std::string* pool) const;
  void walkTree(uint32_t root, int keyLength, char trailFill, const IndexVisitor& visit) const;
  [[noreturn]] void fail(const std::string& defect) const;

  PosixFile file_;
  uint64_t size_ = 0;
  std::vector<IndexTagInfo> tags_;
  std::vector<Header> headers_;
  std::vector<std::string> lost_;
};

}  // namespace tdb
