#include "cli/output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

namespace tdb::cli {

Output::Output(int fd) : fd_(fd), buf_(new char[kCapacity]) {}

Output::~Output() = default;

void Output::drain() {
  writeAll(buf_.get(), used_);
  used_ = 0;
}

void Output::writeLong(std::string_view s) {
  drain();
  if (s.size() >= kCapacity) {
    writeAll(s.data(), s.size());
  } else {
    std::memcpy(buf_.get(), s.data(), s.size());
    used_ = s.size();
  }
}

void Output::writeAll(const char* p, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd_, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0)
      throw std::runtime_error(std::string("cannot write the output: ") +
                               std::strerror(w < 0 ? errno : EIO));
    p += w;
    n -= static_cast<size_t>(w);
  }
}

void warn(const std::vector<std::string>& messages) {
  for (const std::string& m : messages) std::fprintf(stderr, "tdb: warning: %s\n", m.c_str());
}

void report(const std::string& message) { std::fprintf(stderr, "tdb: %s\n", message.c_str()); }

}  // namespace tdb::cli
