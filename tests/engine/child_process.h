#pragma once

#include <sys/types.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace tdb::test {

// A child process that runs `body(up, down)` and talks to the test through two pipes: it writes
// lines up, the test tells it to go on down. It exits 0 when the body returns, 3 when it throws
// (the message on stderr, which the test output shows), and is killed when the object goes.
class Child {
 public:
  template <typename Body>
  explicit Child(Body body) {
    start();
    if (pid_ == 0) {
      int status = 0;
      try {
        body(up_, down_);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "child: %s\n", e.what());
        status = 3;
      }
      std::_Exit(status);  // no test framework teardown in the child
    }
  }
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Reads one line the child wrote; empty at end of stream.
  std::string line();
  void tell();
  // Waits for the child's end; its wait status.
  int wait();
  void kill9();

 private:
  void start();

  pid_t pid_ = -1;
  int up_ = -1, down_ = -1;  // in the child: where it writes, where it reads
  int from_ = -1, to_ = -1;  // in the test
};

// For the child: one line to the test, and waiting for its word.
void say(int fd, const std::string& s);
void waitFor(int fd);

}  // namespace tdb::test
