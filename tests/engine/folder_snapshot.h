#pragma once

#include <map>
#include <string>

namespace tdb::test {

// Every entry of a folder with its bytes and modification time: two snapshots are equal when no
// file was written, replaced, added or removed in between. Subfolders count as entries without
// bytes.
class FolderSnapshot {
 public:
  explicit FolderSnapshot(const std::string& folder);

  bool operator==(const FolderSnapshot& other) const { return files_ == other.files_; }
  // What differs from `before`, one name a line, for a failure message.
  std::string changesSince(const FolderSnapshot& before) const;

 private:
  struct Entry {
    std::string bytes;
    long long mtimeNs = 0;
    bool operator==(const Entry&) const = default;
  };
  std::map<std::string, Entry> files_;
};

}  // namespace tdb::test
