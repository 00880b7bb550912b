#include "engine/dbf/memo_io.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "engine/engine_error.h"
#include "engine/posix_file.h"

namespace tdb::memo {

MemoIo::MemoIo(std::string path, std::unique_ptr<PosixFile> file)
    : path_(std::move(path)), file_(std::move(file)) {}

MemoIo::MemoIo(MemoIo&& other) noexcept = default;
MemoIo::~MemoIo() = default;

bool MemoIo::writable() const { return file_->writable(); }

void MemoIo::fail(const std::string& what) const {
  throw EngineError("备注文件[" + path_ + "]" + what);
}

MemoIo MemoIo::open(const std::string& path, bool writable) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
    throw EngineError("备注文件[" + path + "]不是普通文件");
  auto mode = writable ? PosixFile::Mode::ReadWrite : PosixFile::Mode::ReadOnly;
  return MemoIo(path, std::make_unique<PosixFile>(path, mode));
}

MemoIo MemoIo::replace(const std::string& path, std::string_view contents) {
  replaceFile(path, std::string(contents));
  return open(path, true);
}

uint64_t MemoIo::size() const { return knownSize_ = file_->size(); }

bool MemoIo::covers(uint64_t end) const { return end <= knownSize_ || end <= size(); }

size_t MemoIo::readAt(uint64_t offset, char* dst, size_t n) const {
  constexpr size_t kWindow = 64 * 1024;
  // A read away from the window (memos fetched in an index order) reads about a page: the next
  // memo wanted is as likely anywhere else.
  constexpr size_t kJumpWindow = 4 * 1024;
  if (n > kJumpWindow) return file_->readAt(offset, dst, n);
  const uint64_t windowEnd = windowStart_ + window_.size();
  const bool inside = offset >= windowStart_ && offset + n <= windowEnd;
  if (!inside) {
    const bool onwards = !window_.empty() && offset >= windowStart_ && offset <= windowEnd;
    const size_t wanted = onwards ? kWindow : kJumpWindow;
    window_.resize(wanted);
    window_.resize(file_->readAt(offset, window_.data(), wanted));
    windowStart_ = offset;
  }
  const size_t available = std::min<uint64_t>(n, windowStart_ + window_.size() - offset);
  std::memcpy(dst, window_.data() + (offset - windowStart_), available);
  return available;
}

std::string MemoIo::readExactly(uint64_t offset, size_t n) const {
  std::string bytes(n, '\0');
  if (readAt(offset, bytes.data(), n) != n) fail("在位置" + std::to_string(offset) + "处意外结束");
  return bytes;
}

std::string MemoIo::readHeader(size_t n) const {
  std::string bytes(n, '\0');
  if (file_->readAt(0, bytes.data(), n) != n) fail("的文件头不完整");
  return bytes;
}

void MemoIo::writeAt(uint64_t offset, std::string_view bytes) {
  window_.clear();
  file_->writeAt(offset, bytes.data(), bytes.size());
}

void MemoIo::sync() { file_->sync(); }

}  // namespace tdb::memo
