#include "engine/table_swap.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "engine/engine_error.h"
#include "engine/table_lock.h"

namespace tdb {

namespace fs = std::filesystem;
using companions::Family;

namespace {

std::string buildFolderOf(const std::string& table) { return table + ".tdb-build"; }
std::string markerOf(const std::string& table) { return table + ".tdb-swap"; }
// What packs of earlier versions left: new files beside the old ones, and a marker once both
// were complete.
std::string packMarkerOf(const std::string& table) { return table + ".tdb-packing"; }
constexpr std::string_view kPackTemp = ".tdb-pack";
constexpr std::string_view kReplaceTemp = ".tdb-new";  // replaceFile's temporary

std::string folderOf(const std::string& path) {
  const std::string folder = fs::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

std::string nameOf(const std::string& path) { return fs::path(path).filename().string(); }

std::string inFolder(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / name).string();
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

void removeIfThere(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT)
    throw EngineError("文件[" + path + "]无法删除: " + std::strerror(errno));
}

void removeFolder(const std::string& folder) {
  std::error_code ignored;  // what cannot go now goes with the next exclusive open
  fs::remove_all(folder, ignored);
}

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

// Renames `from` over `to`. Where the table's lock lives in the table file, the file is locked
// exclusively first, so the table is never in place unlocked before its swap is over.
std::unique_ptr<PosixFile> moveTableFile(const std::string& from, const std::string& to,
                                         Family family) {
  if (family == Family::Text) {
    if (::rename(from.c_str(), to.c_str()) != 0)
      throw EngineError("文件[" + to + "]无法替换: " + std::strerror(errno));
    return nullptr;
  }
  auto file = std::make_unique<PosixFile>(from, PosixFile::Mode::ReadWrite);
  if (!file->tryLock(kTableOpenLock, PosixFile::Lock::Exclusive))
    throw EngineError("文件[" + from + "]正在被使用,不能换入");
  file->renameTo(to);
  return file;
}

// The marker's list: the names of the old files to remove, each ended by a NUL.
std::vector<std::string> obsoleteNames(const std::string& marker) {
  PosixFile file(marker, PosixFile::Mode::ReadOnly);
  std::string bytes(file.size(), '\0');
  file.readExactly(0, bytes.data(), bytes.size());
  std::vector<std::string> names;
  for (size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
    names.push_back(bytes.substr(start, end - start));
  return names;
}

std::unique_ptr<PosixFile> finishSwap(const std::string& table, Family family) {
  const std::string folder = folderOf(table), build = buildFolderOf(table), own = nameOf(table);
  for (const std::string& name : obsoleteNames(markerOf(table)))
    if (!name.empty() && name.find('/') == std::string::npos) removeIfThere(inFolder(folder, name));
  // Companions first: until the table file moves, the old one is the table and stays locked.
  for (const std::string& name : namesIn(build)) {
    if (name == own || !companions::belongsTo(name, table, family) ||
        name.starts_with(own + ".tdb-"))
      continue;
    if (::rename(inFolder(build, name).c_str(), inFolder(folder, name).c_str()) != 0 &&
        errno != ENOENT)
      throw EngineError("文件[" + inFolder(folder, name) + "]无法替换: " + std::strerror(errno));
  }
  std::unique_ptr<PosixFile> moved;
  if (exists(inFolder(build, own))) moved = moveTableFile(inFolder(build, own), table, family);
  syncFolderOf(table);
  removeIfThere(markerOf(table));
  removeFolder(build);
  return moved;
}

std::unique_ptr<PosixFile> finishEarlierPack(const std::string& table, Family family) {
  std::string memo = companions::find(table, ".DBT");
  if (memo.empty()) memo = companions::find(table, ".FPT");
  if (!memo.empty() && exists(memo + std::string(kPackTemp)) &&
      ::rename((memo + std::string(kPackTemp)).c_str(), memo.c_str()) != 0)
    throw EngineError("文件[" + memo + "]无法替换: " + std::strerror(errno));
  std::unique_ptr<PosixFile> moved;
  const std::string temp = table + std::string(kPackTemp);
  if (exists(temp)) moved = moveTableFile(temp, table, family);
  syncFolderOf(table);
  removeIfThere(packMarkerOf(table));
  return moved;
}

// Files a killed writer left: replaceFile's temporaries and an earlier pack's unfinished ones.
void removeLeftovers(const std::string& table, Family family) {
  const std::string folder = folderOf(table);
  for (const std::string& name : namesIn(folder)) {
    for (const std::string_view suffix : {kReplaceTemp, kPackTemp}) {
      if (!name.ends_with(suffix)) continue;
      const std::string base = name.substr(0, name.size() - suffix.size());
      if (companions::belongsTo(base, table, family)) removeIfThere(inFolder(folder, name));
    }
  }
}

}  // namespace

TableSwap::TableSwap(const std::string& tablePath, Family family)
    : table_(tablePath), folder_(buildFolderOf(tablePath)), family_(family) {
  removeFolder(folder_);
  if (::mkdir(folder_.c_str(), 0777) != 0)
    throw EngineError("文件夹[" + folder_ + "]无法建立: " + std::strerror(errno));
  built_ = inFolder(folder_, nameOf(tablePath));
}

TableSwap::~TableSwap() {
  if (!done_) removeFolder(folder_);
}

std::unique_ptr<PosixFile> TableSwap::commit(const std::vector<std::string>& obsolete) {
  // The new files are on the disk before the marker says they are complete.
  for (const std::string& name : namesIn(folder_)) {
    const std::string path = inFolder(folder_, name);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
      PosixFile(path, PosixFile::Mode::ReadOnly).sync();
  }
  syncFolderOf(built_);
  std::string list;
  for (const std::string& path : obsolete) list += nameOf(path) + '\0';
  replaceFile(markerOf(table_), list);
  done_ = true;  // from here on the marker decides, and the build folder is the swap's
  return finishSwap(table_, family_);
}

std::unique_ptr<PosixFile> TableSwap::recover(const std::string& tablePath, Family family,
                                              bool clean) {
  std::unique_ptr<PosixFile> replaced;
  if (exists(markerOf(tablePath)))
    replaced = finishSwap(tablePath, family);
  else if (clean)
    removeFolder(buildFolderOf(tablePath));
  if (exists(packMarkerOf(tablePath))) {
    auto moved = finishEarlierPack(tablePath, family);
    if (moved) replaced = std::move(moved);
  }
  if (clean) removeLeftovers(tablePath, family);
  return replaced;
}

bool TableSwap::pending(const std::string& tablePath) {
  return exists(markerOf(tablePath)) || exists(packMarkerOf(tablePath));
}

}  // namespace tdb
