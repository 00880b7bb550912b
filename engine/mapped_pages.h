#pragma once

#include <atomic>
#include <cstddef>

namespace tdb::mapped_pages {

// Guards read-only file mappings against a file that another program cuts short while it is
// mapped. Reading a mapped page the file no longer reaches raises a bus error, which would end
// the process. While a mapping is watched, the process's bus error handler puts a page of zeros
// in place of the lost one and marks the mapping cut: the read completes, and the reader, which
// checks cut() after reading, reports the damage. Bus errors elsewhere go where they went before.

// Starts watching `length` bytes from `start`; returns the slot that names the mapping, or -1
// when no more mappings can be watched (the caller must then read without one).
int watch(const void* start, size_t length);
// Stops watching; call before the mapping goes.
void unwatch(int slot);
// Turns true once a read of the mapping in `slot` met a page that the file no longer reaches;
// readers keep the flag and check it after every read.
const std::atomic<bool>& cut(int slot);

}  // namespace tdb::mapped_pages
