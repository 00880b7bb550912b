#pragma once

#include <string>
#include <vector>

#include "engine/index/index_entry.h"
#include "engine/posix_file.h"

namespace tdb {

// A production index (.mdx) opened read-only: its tags and, per tag, its keys in index order.
//
// The file is counted in 512-byte pages; a header and a table of up to 48 tags fill the first
// pages, each tag has a header page naming its root, and tree nodes are blocks of a size the
// file header gives. A node holds a count, then fixed-size items of a 4-byte pointer and a key:
// in leaves the pointer is a record number and the item after the last is zero; in branches it
// is a child page, and one more pointer than keys follows.
//
// Every page number, count and length is checked against the file before use; damage throws
// EngineError naming the file and the defect. A walk visits each node at most once and never
// descends further than any real tree goes, so damage ends in an error, never a hang.
class MdxFile {
 public:
  // Opens `path` and reads its tag table and every tag header. With `salvage`, a tag whose
  // header cannot be read (a file cut short) is left out and described in lost() instead of
  // failing the open; damage to the file's own header fails either way.
  explicit MdxFile(const std::string& path, bool salvage = false);

  const std::string& path() const { return file_.path(); }
  const std::vector<IndexTagInfo>& tags() const { return tags_; }
  // What a salvaging open left out, one message per defect naming the file.
  const std::vector<std::string>& lost() const { return lost_; }
  // Index of the tag of that name (ASCII case ignored); -1 when none.
  int tagIndex(const std::string& name) const;
  // Bytes per tree node.
  int blockSize() const { return static_cast<int>(block_); }

  // Visits the keys of tag `tag` in stored order (the tree's left-to-right order).
  void walk(int tag, const IndexVisitor& visit) const;
  std::vector<IndexEntry> entries(int tag) const;

 private:
  struct Header {
    uint32_t root = 0;
    int keyLength = 0;
    int itemLength = 0;
  };

  bool walkNode(uint32_t page, const Header& h, int depth, std::vector<bool>& seen,
                const IndexVisitor& visit) const;
  // Tag `i` of the tag table `head`: its description and tree header. Throws for a defect.
  void readTag(const std::string& head, uint32_t i);
  std::string damage(const std::string& defect) const;
  [[noreturn]] void fail(const std::string& defect) const;

  PosixFile file_;
  uint64_t size_ = 0;
  uint32_t block_ = 0;
  std::vector<IndexTagInfo> tags_;
  std::vector<Header> headers_;
  std::vector<std::string> lost_;
};

}  // namespace tdb
