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
  // Reads up to `n` bytes at `offset`; fewer only at the end of the file.
  size_t readAt(uint64_t offset, char* dst, size_t n) const;
  // Reads exactly `n` bytes or throws.
  std::string readExactly(uint64_t offset, size_t n) const;
  void writeAt(uint64_t offset, std::string_view bytes);
  void sync();

  // An EngineError "备注文件[path]" + what.
  [[noreturn]] void fail(const std::string& what) const;

 private:
  MemoIo(std::string path, std::unique_ptr<PosixFile> file);

  std::string path_;
  std::unique_ptr<PosixFile> file_;
};

}  // namespace tdb::memo
