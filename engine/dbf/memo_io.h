#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tdb {
class PosixFile;
}

namespace tdb::memo {

// The open descriptor of a memo file with positioned reads and writes. Every failure throws
// EngineError naming the file. Movable, not copyable; closes on destruction.
class MemoIo {
 public:
  static MemoIo open(const std::string& path, bool writable);

  // Writes `contents` to a new file beside `path`, syncs it, renames it over `path` and returns
  // it open for writing. On failure the old file, if any, is untouched and no temporary is left.
  static MemoIo replace(const std::string& path, std::string_view contents);

  MemoIo(MemoIo&& other) noexcept;
  MemoIo& operator=(MemoIo&&) = delete;
  MemoIo(const MemoIo&) = delete;
  ~MemoIo();

  const std::string& path() const { return path_; }
  bool writable() const;

  // The file's size now (another program may have grown it).
  uint64_t size() const;
  // True when the file reaches at least `end` bytes. Memo files only grow while open, so a size
  // seen once stays true and the file is asked again only for offsets beyond it: reading a memo
  // costs no system call but the read itself.
  bool covers(uint64_t end) const;
  // Reads up to `n` bytes at `offset`; fewer only at the end of the file.
  size_t readAt(uint64_t offset, char* dst, size_t n) const;
  // Reads exactly `n` bytes or throws.
  std::string readExactly(uint64_t offset, size_t n) const;
  // Reads the first `n` bytes straight from the file, never through the read-ahead: the header
  // holds what other programs change (the next free block), and a memo write that reads it must
  // not pull in a window it then discards.
  std::string readHeader(size_t n) const;
  void writeAt(uint64_t offset, std::string_view bytes);
  void discardReadAhead() { window_.clear(); }
  void sync();

  // An EngineError "备注文件[path]" + what.
  [[noreturn]] void fail(const std::string& what) const;

 private:
  MemoIo(std::string path, std::unique_ptr<PosixFile> file);

  std::string path_;
  std::unique_ptr<PosixFile> file_;
  mutable uint64_t knownSize_ = 0;
  // Small reads are served from one block read ahead: memos of neighbouring records sit side by
  // side, so a scan costs one system call per window instead of one per memo. Writes drop it.
  mutable uint64_t windowStart_ = 0;
  mutable std::string window_;
};

}  // namespace tdb::memo
