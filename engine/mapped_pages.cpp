#include "engine/mapped_pages.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace tdb::mapped_pages {

namespace {

// A fixed table that the handler can read without allocating or locking. A table opened for
// itself is mapped at most once, so a few dozen slots outlast any real use.
struct Slot {
  std::atomic<uintptr_t> start{0};  // 0: free
  std::atomic<size_t> length{0};
  std::atomic<bool> cut{false};
};
constexpr int kSlots = 64;
Slot slots[kSlots];
std::mutex claiming;  // between threads taking and freeing slots; the handler never takes it

uintptr_t pageSize = 4096;
struct sigaction previous;

void onBusError(int signal, siginfo_t* info, void* context) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
  for (Slot& s : slots) {
    const uintptr_t start = s.start.load();
    if (start == 0 || at < start || at - start >= s.length.load()) continue;
    void* page = reinterpret_cast<void*>(at & ~(pageSize - 1));
    if (mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
        MAP_FAILED)
      break;
    s.cut.store(true);
    return;  // the read starts again and finds zeros
  }
  // Not one of ours: what would have happened without this handler.
  if (previous.sa_flags & SA_SIGINFO) {
    if (previous.sa_sigaction) {
      previous.sa_sigaction(signal, info, context);
      return;
    }
  } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal);
    return;
  }
  ::signal(SIGBUS, SIG_DFL);  // the access runs again and ends the process as it would have
}

void install() {
  pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  struct sigaction action {};
  action.sa_sigaction = onBusError;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  sigaction(SIGBUS, &action, &previous);
}

}  // namespace

int watch(const void* start, size_t length) {
  static std::once_flag installed;
  std::call_once(installed, install);
  std::lock_guard<std::mutex> lock(claiming);
  for (int i = 0; i < kSlots; ++i) {
    if (slots[i].start.load() != 0) continue;
    slots[i].cut.store(false);
    slots[i].length.store(length);
    slots[i].start.store(reinterpret_cast<uintptr_t>(start));
    return i;
  }
  return -1;
}

void unwatch(int slot) {
  if (slot < 0) return;
  std::lock_guard<std::mutex> lock(claiming);
  slots[slot].start.store(0);
}

const std::atomic<bool>& cut(int slot) { return slots[slot].cut; }

}  // namespace tdb::mapped_pages
