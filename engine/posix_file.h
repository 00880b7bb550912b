#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tdb {

// An open file with whole-buffer positioned reads and writes. Every failure throws EngineError
// naming the file. Not copyable; closes on destruction.
class PosixFile {
 public:
  // Create truncates or makes the file; Shared makes it when missing and keeps what it holds.
  enum class Mode { ReadOnly, ReadWrite, Create, Shared };

  PosixFile(const std::string& path, Mode mode);
  ~PosixFile();
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  // Another handle on this same open file: it holds this one's locks as its own, and they last
  // while either handle is open.
  std::unique_ptr<PosixFile> duplicate() const;

  const std::string& path() const { return path_; }
  bool writable() const { return writable_; }
  uint64_t size() const;
  // A mark of the file's content as the file system dates it (its modification time and size),
  // for telling cheaply that another holder wrote it since. nullopt while the last change is too
  // recent for a later one to be sure to get a later time: the clock the file system dates
  // changes with ticks coarser than the writes.
  std::optional<uint64_t> settledChangeMark() const;

  // Reads up to `n` bytes at `offset`; returns how many (fewer only at end of file).
  size_t readAt(uint64_t offset, char* dst, size_t n) const;
  // Reads exactly `n` bytes or throws.
  void readExactly(uint64_t offset, char* dst, size_t n) const;
  void writeAt(uint64_t offset, const char* src, size_t n);
  void truncate(uint64_t size);
  void sync();

  // Byte-range locks owned by this open file, not by the process: two PosixFile objects on the
  // same file conflict even inside one process. Offsets far beyond any data are used, so the
  // locks never stop another program from reading or writing the bytes themselves.
  enum class Lock { Shared, Exclusive };
  bool tryLock(uint64_t offset, Lock kind);  // false when another holder conflicts
  void lock(uint64_t offset, Lock kind);     // waits
  void unlock(uint64_t offset);

  // The first `size` bytes mapped into memory for reading; writes through this file show in it.
  // Replaces an earlier mapping; a size of 0 drops it. Throws EngineError when it cannot map.
  //
  // Another program may cut the file short while it is mapped. Reading a mapped page past the
  // new end then reads zeros instead of ending the process (a bus error), and mappingCut()
  // turns true: a reader checks it after each read and drops the mapping when it is set. Returns
  // null, mapping nothing, when no more mappings can be guarded so.
  const char* mapForReading(uint64_t size);
  bool mappingCut() const { return cut_ && cut_->load(std::memory_order_relaxed); }

  // True when `path` names this very file (not one renamed or created there since it was opened).
  bool isAt(const std::string& path) const;
  // Renames the file to `path` (replacing what is there), keeping it open and its locks held.
  void renameTo(const std::string& path);
  uint64_t mappedSize() const { return mappedSize_; }

 private:
  PosixFile(std::string path, int fd, bool writable);

  std::string path_;
  int fd_ = -1;
  bool writable_ = false;
  void* map_ = nullptr;
  uint64_t mappedSize_ = 0;
  int mapSlot_ = -1;  // where the bus error handler finds the mapping, -1 when it cannot
  const std::atomic<bool>* cut_ = nullptr;  // the handler's mark for it
};

// Writes `bytes` to `path` through a temporary file beside it, synced and renamed into place.
void replaceFile(const std::string& path, const std::string& bytes);

// Syncs the folder holding `path`, so that a rename into it survives a power loss.
void syncFolderOf(const std::string& path);

}  // namespace tdb
