#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/companion_files.h"
#include "engine/posix_file.h"

// The lock every open of a table holds, shared or exclusive, on a byte far beyond any data so that
// no program reading or writing the bytes is stopped by it. It lives in the table file itself,
// except for text tables: every write replaces their file, so theirs lives in a lock file beside
// it (the table's name + ".tdb-lock"), which the last holder removes.
//
// Whoever holds the lock exclusively is alone with the table's files: only then are they replaced
// (table_swap.h), deleted, or repaired after a crash.
namespace tdb {

constexpr uint64_t kTableOpenLock = 0x4000000000000000ull;

// The file the lock lives in.
std::string lockPathOf(const std::string& tablePath, companions::Family family);

struct OpenLock {
  std::unique_ptr<PosixFile> file;  // the locked file; null for a text table in a read-only
                                    // folder, which nobody can change
  bool writable = false;            // the table may be changed through this open
};

// Takes the lock for an open. An exclusive open first finishes a replacement or pack a crash
// interrupted and removes what killed writers left. A shared open that finds such a swap takes the
// lock exclusively for a moment to finish it, so that nobody reads half-swapped files; when it
// cannot, it touches nothing and refuses. Throws EngineError when the table is missing, is held
// against this open, is read-only and wanted exclusively, or a crash left it half swapped and this
// open cannot repair it.
OpenLock lockForOpen(const std::string& tablePath, companions::Family family, bool exclusive);

// Takes the lock exclusively to replace or delete the table, after which the crash repairs above
// are done. Refuses with "正在被使用,不能" + `action` when anybody has the table open. Null when
// there is no table.
std::unique_ptr<PosixFile> lockForReplace(const std::string& tablePath, companions::Family family,
                                          const std::string& action);

// While it lives, opens of the table at `tablePath` (spelled so) in this process share `lock`,
// which the lender holds exclusively to replace the table, instead of taking a lock of their own
// that would conflict with it: the table can then be read while it is being replaced, and nobody
// else can slip in between. The lock outlives the opens, and the lender must outlive the loan.
class LockLoan {
 public:
  LockLoan(std::string tablePath, const PosixFile& lock);
  ~LockLoan();
  LockLoan(const LockLoan&) = delete;
  LockLoan& operator=(const LockLoan&) = delete;

 private:
  std::string path_;
};

// Lets the lock go; a text table's lock file goes with the last holder.
void releaseLock(std::unique_ptr<PosixFile>& lock, const std::string& tablePath,
                 companions::Family family);

}  // namespace tdb
