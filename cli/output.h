#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tdb::cli {

// Standard output through one large buffer, so that a dump costs a system call per megabyte
// rather than one per field. Every write failure (a full disk, a closed pipe with SIGPIPE
// ignored) throws std::runtime_error: a command never reports success over lost output.
// Text written here is UTF-8 already; nothing converts it.
class Output {
 public:
  explicit Output(int fd = 1);
  ~Output();  // drops what was not flushed: a failing command must not half-print after its error
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void put(char c) {
    if (used_ == kCapacity) drain();
    buf_[used_++] = c;
  }
  void write(std::string_view s) {
    if (s.size() <= kCapacity - used_) {
      std::memcpy(buf_.get() + used_, s.data(), s.size());
      used_ += s.size();
    } else {
      writeLong(s);
    }
  }
  void line(std::string_view s) {
    write(s);
    put('\n');
  }
  // Writes everything buffered; commands call it once they are done.
  void flush() { drain(); }

 private:
  static constexpr size_t kCapacity = 1 << 20;
  void drain();
  void writeLong(std::string_view s);
  void writeAll(const char* p, size_t n);

  int fd_;
  std::unique_ptr<char[]> buf_;
  size_t used_ = 0;
};

// Prints "tdb: warning: " and each message on stderr: what a command found wrong but could work
// around, such as a table opened read-only because it was cut short.
void warn(const std::vector<std::string>& messages);

// Prints "tdb: " and the message on stderr, for a failure the command reports and goes past.
void report(const std::string& message);

}  // namespace tdb::cli
