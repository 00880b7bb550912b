#include "engine/posix_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "engine/engine_error.h"
#include "engine/mapped_pages.h"

namespace tdb {

namespace {

[[noreturn]] void fail(const std::string& path, const char* what) {
  throw EngineError("文件[" + path + "]" + what + ": " + std::strerror(errno));
}

bool setLock(int fd, uint64_t offset, short type, bool wait) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = 1;
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno == EINTR) continue;
    return false;
  }
}

}  // namespace

PosixFile::PosixFile(const std::string& path, Mode mode) : path_(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::ReadOnly:
      flags |= O_RDONLY;
      break;
    case Mode::ReadWrite:
      flags |= O_RDWR;
      break;
    case Mode::Create:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
    case Mode::Shared:
      flags |= O_RDWR | O_CREAT;
      break;
  }
  do fd_ = ::open(path.c_str(), flags, 0644);
  while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) fail(path, "无法打开");
  writable_ = mode != Mode::ReadOnly;
}

PosixFile::PosixFile(std::string path, int fd, bool writable)
    : path_(std::move(path)), fd_(fd), writable_(writable) {}

std::unique_ptr<PosixFile> PosixFile::duplicate() const {
  const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) fail(path_, "无法复制文件句柄");
  return std::unique_ptr<PosixFile>(new PosixFile(path_, fd, writable_));
}

PosixFile::~PosixFile() {
  mapForReading(0);
  if (fd_ >= 0) ::close(fd_);
}

bool PosixFile::isAt(const std::string& path) const {
  struct stat mine {
  }, there{};
  if (fstat(fd_, &mine) != 0 || ::stat(path.c_str(), &there) != 0) return false;
  return mine.st_dev == there.st_dev && mine.st_ino == there.st_ino;
}

void PosixFile::renameTo(const std::string& path) {
  if (::rename(path_.c_str(), path.c_str()) != 0) fail(path, "无法替换");
  path_ = path;
}

const char* PosixFile::mapForReading(uint64_t size) {
  mapped_pages::unwatch(mapSlot_);
  mapSlot_ = -1;
  cut_ = nullptr;
  if (map_) munmap(map_, mappedSize_);
  map_ = nullptr;
  mappedSize_ = 0;
  if (size == 0) return nullptr;
  void* p = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd_, 0);
  if (p == MAP_FAILED) fail(path_, "无法映射到内存");
  mapSlot_ = mapped_pages::watch(p, size);
  if (mapSlot_ < 0) {  // unguarded, a file cut short would end the process: read without it
    munmap(p, size);
    return nullptr;
  }
  cut_ = &mapped_pages::cut(mapSlot_);
  map_ = p;
  mappedSize_ = size;
  return static_cast<const char*>(p);
}

uint64_t PosixFile::size() const {
  struct stat st {};
  if (fstat(fd_, &st) != 0) fail(path_, "无法读取大小");
  return static_cast<uint64_t>(st.st_size);
}

std::optional<uint64_t> PosixFile::settledChangeMark() const {
  // Generous enough for file systems that date changes to the second or two.
  constexpr long long kSettleNs = 2'100'000'000LL;
  struct stat st {};
  if (fstat(fd_, &st) != 0) return std::nullopt;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const long long changed = st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec;
  const long long at = now.tv_sec * 1'000'000'000LL + now.tv_nsec;
  if (at - changed < kSettleNs) return std::nullopt;
  return static_cast<uint64_t>(changed) * 0x9E3779B97F4A7C15ULL ^
         static_cast<uint64_t>(st.st_size) ^ (static_cast<uint64_t>(st.st_ino) << 40);
}

size_t PosixFile::readAt(uint64_t offset, char* dst, size_t n) const {
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd_, dst + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) fail(path_, "读取出错");
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

void PosixFile::readExactly(uint64_t offset, char* dst, size_t n) const {
  if (readAt(offset, dst, n) != n)
    throw EngineError("文件[" + path_ + "]在位置" + std::to_string(offset) + "处意外结束");
}

void PosixFile::writeAt(uint64_t offset, const char* src, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pwrite(fd_, src + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) fail(path_, "写入出错");
    done += static_cast<size_t>(r);
  }
}

void PosixFile::truncate(uint64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) fail(path_, "无法截短");
}

void PosixFile::sync() {
  if (::fsync(fd_) != 0) fail(path_, "无法写入磁盘");
}

bool PosixFile::tryLock(uint64_t offset, Lock kind) {
  return setLock(fd_, offset, kind == Lock::Shared ? F_RDLCK : F_WRLCK, false);
}

void PosixFile::lock(uint64_t offset, Lock kind) {
  if (!setLock(fd_, offset, kind == Lock::Shared ? F_RDLCK : F_WRLCK, true))
    fail(path_, "无法加锁");
}

void PosixFile::unlock(uint64_t offset) { setLock(fd_, offset, F_UNLCK, false); }

void syncFolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return;  // a folder that cannot be opened cannot be synced either; the data is
             // written, only its durability across a power loss is weaker
  ::fsync(fd);
  ::close(fd);
}

void replaceFile(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".tdb-new";
  {
    PosixFile f(temp, PosixFile::Mode::Create);
    try {
      f.writeAt(0, bytes.data(), bytes.size());
      f.sync();
    } catch (...) {
      ::unlink(temp.c_str());
      throw;
    }
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    fail(path, "无法替换");
  }
  syncFolderOf(path);
}

}  // namespace tdb
