#include "engine/dbf/memo_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "engine/engine_error.h"

namespace tdb::memo {

namespace {

std::string errorText() { return std::strerror(errno); }

void syncFolderOf(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // the rename happened; only its durability over a power loss is weaker
  ::fsync(fd);
  ::close(fd);
}

// A name beside `path` that no file has yet, opened exclusively. The mode goes through the umask
// like any other file the program writes.
int openTemporary(const std::string& path, std::string& tempPath) {
  std::random_device seed;
  std::mt19937 gen(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = path + ".tmp" + std::to_string(gen() % 1000000);
    int fd = ::open(tempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

MemoIo::MemoIo(std::string path, int fd, bool writable)
    : path_(std::move(path)), fd_(fd), writable_(writable) {}

MemoIo::MemoIo(MemoIo&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_), writable_(other.writable_) {
  other.fd_ = -1;
}

MemoIo::~MemoIo() {
  if (fd_ >= 0) ::close(fd_);
}

void MemoIo::fail(const std::string& what) const {
  throw EngineError("备注文件[" + path_ + "]" + what);
}

MemoIo MemoIo::open(const std::string& path, bool writable) {
  int fd;
  do fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  MemoIo io(path, fd, writable);
  if (fd < 0) io.fail("无法打开: " + errorText());
  struct stat st {};
  if (fstat(fd, &st) != 0) io.fail("无法读取: " + errorText());
  if (!S_ISREG(st.st_mode)) io.fail("不是普通文件");
  return io;
}

MemoIo MemoIo::replace(const std::string& path, std::string_view contents) {
  std::string tempPath;
  int fd = openTemporary(path, tempPath);
  if (fd < 0) throw EngineError("备注文件[" + path + "]无法创建: " + errorText());
  MemoIo io(path, fd, true);
  try {
    io.writeAt(0, contents);
    io.sync();
    if (::rename(tempPath.c_str(), path.c_str()) != 0) io.fail("无法替换: " + errorText());
  } catch (...) {
    ::unlink(tempPath.c_str());
    throw;
  }
  syncFolderOf(path);
  return io;
}

uint64_t MemoIo::size() const {
  struct stat st {};
  if (fstat(fd_, &st) != 0) fail("无法读取: " + errorText());
  return static_cast<uint64_t>(st.st_size);
}

size_t MemoIo::readAt(uint64_t offset, char* dst, size_t n) const {
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd_, dst + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) fail("读取出错: " + errorText());
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

std::string MemoIo::readExactly(uint64_t offset, size_t n) const {
  std::string bytes(n, '\0');
  if (readAt(offset, bytes.data(), n) != n) fail("在位置" + std::to_string(offset) + "处意外结束");
  return bytes;
}

void MemoIo::writeAt(uint64_t offset, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t r =
        ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) fail("写入出错: " + errorText());
    done += static_cast<size_t>(r);
  }
}

void MemoIo::sync() {
  if (::fsync(fd_) != 0) fail("无法写入磁盘: " + errorText());
}

}  // namespace tdb::memo
