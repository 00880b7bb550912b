#include "tests/engine/folder_snapshot.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tdb::test {

FolderSnapshot::FolderSnapshot(const std::string& folder) {
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    Entry entry;
    struct stat st {};
    if (::stat(e.path().c_str(), &st) == 0)
      entry.mtimeNs = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    if (e.is_regular_file()) {
      std::ifstream in(e.path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      entry.bytes = bytes.str();
    }
    files_[e.path().filename().string()] = std::move(entry);
  }
}

std::string FolderSnapshot::changesSince(const FolderSnapshot& before) const {
  std::string out;
  for (const auto& [name, entry] : before.files_) {
    const auto it = files_.find(name);
    if (it == files_.end())
      out += "removed " + name + "\n";
    else if (it->second.bytes != entry.bytes)
      out += "rewritten " + name + "\n";
    else if (it->second.mtimeNs != entry.mtimeNs)
      out += "touched " + name + "\n";
  }
  for (const auto& [name, entry] : files_)
    if (!before.files_.contains(name)) out += "added " + name + "\n";
  return out;
}

}  // namespace tdb::test
