#include "tests/engine/child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tdb::test {

void Child::start() {
  int up[2], down[2];
  if (pipe(up) != 0 || pipe(down) != 0) std::abort();
  std::fflush(nullptr);  // nothing buffered is written twice
  pid_ = fork();
  if (pid_ == 0) {
    close(up[0]);
    close(down[1]);
    up_ = up[1];
    down_ = down[0];
    return;
  }
  close(up[1]);
  close(down[0]);
  from_ = up[0];
  to_ = down[1];
}

Child::~Child() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    wait();
  }
  close(from_);
  close(to_);
}

std::string Child::line() {
  std::string s;
  char c;
  while (::read(from_, &c, 1) == 1 && c != '\n') s += c;
  return s;
}

void Child::tell() { (void)!::write(to_, "x", 1); }

int Child::wait() {
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return status;
}

void Child::kill9() { kill(pid_, SIGKILL); }

void say(int fd, const std::string& s) { (void)!::write(fd, (s + "\n").data(), s.size() + 1); }

void waitFor(int fd) {
  char c;
  (void)!::read(fd, &c, 1);
}

}  // namespace tdb::test
