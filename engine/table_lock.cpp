#include "engine/table_lock.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "engine/engine_error.h"
#include "engine/table_swap.h"

namespace tdb {

namespace fs = std::filesystem;
using companions::Family;

namespace {

// How often an open tries a text table's lock file that another holder is removing.
constexpr int kBusyTries = 50;

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::string folderOf(const std::string& path) {
  const std::string folder = fs::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

// The lock file opened for writing when it can be (a text table's is made when missing); null
// for a text table whose folder allows no lock file.
std::unique_ptr<PosixFile> openLockFile(const std::string& tablePath, Family family,
                                        bool writable) {
  const std::string path = lockPathOf(tablePath, family);
  if (family != Family::Text)
    return std::make_unique<PosixFile>(
        path, writable ? PosixFile::Mode::ReadWrite : PosixFile::Mode::ReadOnly);
  // In one step: the last holder of another open may remove the file at any moment.
  if (writable) {
    try {
      return std::make_unique<PosixFile>(path, PosixFile::Mode::Shared);
    } catch (const EngineError&) {
      // A folder that allows no new file: read the one there, if any.
    }
  }
  try {
    return std::make_unique<PosixFile>(path, PosixFile::Mode::ReadOnly);
  } catch (const EngineError&) {
    return nullptr;
  }
}

// Takes the open lock of `file` as `kind`, or throws `refusal`. False means: try again on the
// file there now. The last holder of a text table takes its lock file exclusively for a moment,
// to remove it as it closes, and an open meeting that moment must not take it for a holder.
bool takeLock(PosixFile& file, PosixFile::Lock kind, Family family, int& busy,
              const std::string& refusal) {
  if (file.tryLock(kTableOpenLock, kind)) return true;
  if (family != Family::Text || ++busy >= kBusyTries) throw EngineError(refusal);
  std::this_thread::sleep_for(std::chrono::microseconds(200));
  return false;
}

// The locks lent to opens (LockLoan), by table path.
std::mutex loansMutex;
std::map<std::string, const PosixFile*>& loans() {
  static std::map<std::string, const PosixFile*> lent;
  return lent;
}

const PosixFile* lentLock(const std::string& tablePath) {
  std::lock_guard<std::mutex> guard(loansMutex);
  const auto it = loans().find(tablePath);
  return it == loans().end() ? nullptr : it->second;
}

}  // namespace

LockLoan::LockLoan(std::string tablePath, const PosixFile& lock) : path_(std::move(tablePath)) {
  std::lock_guard<std::mutex> guard(loansMutex);
  if (!loans().emplace(path_, &lock).second) throw EngineError("数据表[" + path_ + "]的锁已经借出");
}

LockLoan::~LockLoan() {
  std::lock_guard<std::mutex> guard(loansMutex);
  loans().erase(path_);
}

std::string lockPathOf(const std::string& tablePath, Family family) {
  return family == Family::Text ? tablePath + ".tdb-lock" : tablePath;
}

OpenLock lockForOpen(const std::string& tablePath, Family family, bool exclusive) {
  // The same open file as the lender's: no lock is taken, so the lender's stays as it is.
  if (const PosixFile* lent = lentLock(tablePath)) return {lent->duplicate(), true};
  if (!exists(tablePath) && TableSwap::pending(tablePath)) {
    // A new table a crash left half in place: nobody can hold what is not there yet.
    TableSwap::recover(tablePath, family, false);
  }
  if (!exists(tablePath)) throw EngineError("数据表[" + tablePath + "]不存在");
  // A text table is written by renaming a new file into its folder, so the folder must allow it.
  const bool canWrite =
      ::access(tablePath.c_str(), W_OK) == 0 &&
      (family != Family::Text || ::access(folderOf(tablePath).c_str(), W_OK) == 0);
  if (exclusive && !canWrite) throw EngineError("数据表[" + tablePath + "]是只读的,不能独占打开");
  const std::string lockPath = lockPathOf(tablePath, family);
  int busy = 0;
  for (;;) {
    OpenLock lock{openLockFile(tablePath, family, canWrite), canWrite};
    if (!lock.file) {
      // A read-only folder: nobody can replace the table, so there is nothing to guard.
      lock.writable = false;
      return lock;
    }
    lock.writable = canWrite && lock.file->writable();
    const auto kind = exclusive ? PosixFile::Lock::Exclusive : PosixFile::Lock::Shared;
    if (!takeLock(*lock.file, kind, family, busy,
                  exclusive ? "数据表[" + tablePath + "]正在被使用,不能独占打开"
                            : "数据表[" + tablePath + "]已被独占打开"))
      continue;
    // The file we locked may have been replaced (or removed) since we opened it: a lock on it
    // guards nothing. Take it again on the one that is there now.
    if (!lock.file->isAt(lockPath)) continue;
    if (exclusive) {
      if (auto replaced = TableSwap::recover(tablePath, family, true))
        lock.file = std::move(replaced);
      return lock;
    }
    if (!TableSwap::pending(tablePath)) return lock;
    // A crash left a swap half done. Only a holder alone with the table may finish it; shared
    // holders take the lock exclusively for that alone, so that opens meeting no such swap never
    // stand in each other's way.
    if (!lock.file->writable() || !lock.file->tryLock(kTableOpenLock, PosixFile::Lock::Exclusive))
      throw EngineError("数据表[" + tablePath +
                        "]的上次替换或压缩没有完成,需要有写权限的用户单独打开一次来完成");
    if (auto replaced = TableSwap::recover(tablePath, family, false))
      lock.file = std::move(replaced);
    if (!lock.file->tryLock(kTableOpenLock, PosixFile::Lock::Shared))
      throw EngineError("数据表[" + tablePath + "]无法加共享锁");
    return lock;
  }
}

std::unique_ptr<PosixFile> lockForReplace(const std::string& tablePath, Family family,
                                          const std::string& action) {
  if (!exists(tablePath)) {
    TableSwap::recover(tablePath, family, true);
    if (!exists(tablePath)) return nullptr;
  }
  const std::string lockPath = lockPathOf(tablePath, family);
  int busy = 0;
  for (;;) {
    auto file = openLockFile(tablePath, family, true);
    if (!file || !file->writable())
      throw EngineError("数据表[" + tablePath + "]是只读的,不能" + action);
    if (!takeLock(*file, PosixFile::Lock::Exclusive, family, busy,
                  "数据表[" + tablePath + "]正在被使用,不能" + action))
      continue;
    if (!file->isAt(lockPath)) continue;
    if (auto replaced = TableSwap::recover(tablePath, family, true)) file = std::move(replaced);
    return file;
  }
}

void releaseLock(std::unique_ptr<PosixFile>& lock, const std::string& tablePath, Family family) {
  if (!lock) return;
  if (lentLock(tablePath)) {
    lock.reset();  // the lender's lock file stays with the lender
    return;
  }
  const std::string path = lockPathOf(tablePath, family);
  // Only a holder that can take it exclusively is the last one; one that waits for it opens
  // the file anew when it finds it gone.
  if (family == Family::Text && lock->writable() &&
      lock->tryLock(kTableOpenLock, PosixFile::Lock::Exclusive) && lock->isAt(path))
    ::unlink(path.c_str());
  lock.reset();
}

}  // namespace tdb
