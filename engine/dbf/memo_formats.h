#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/dbf/memo_file.h"
#include "engine/dbf/memo_io.h"

namespace tdb::memo {

// Each layout: opening an existing file (checking its header), and the bytes of an empty file.
// The block sizes given to the new*() functions are already checked by MemoFile::create.
std::unique_ptr<MemoFile> openDbt3(MemoIo io);
std::string newDbt3();

std::unique_ptr<MemoFile> openDbt4(MemoIo io);
std::string newDbt4(uint32_t blockSize, const std::string& path);

std::unique_ptr<MemoFile> openFpt(MemoIo io);
std::string newFpt(uint32_t blockSize);

// Integers as the headers store them.
inline uint32_t getLe32(const std::string& b, size_t at) {
  auto u = [&](size_t i) { return uint32_t{static_cast<unsigned char>(b[at + i])}; };
  return u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24;
}
inline uint32_t getLe16(const std::string& b, size_t at) {
  auto u = [&](size_t i) { return uint32_t{static_cast<unsigned char>(b[at + i])}; };
  return u(0) | u(1) << 8;
}
inline uint32_t getBe32(const std::string& b, size_t at) {
  auto u = [&](size_t i) { return uint32_t{static_cast<unsigned char>(b[at + i])}; };
  return u(0) << 24 | u(1) << 16 | u(2) << 8 | u(3);
}
inline uint32_t getBe16(const std::string& b, size_t at) {
  auto u = [&](size_t i) { return uint32_t{static_cast<unsigned char>(b[at + i])}; };
  return u(0) << 8 | u(1);
}
inline void putLe32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
inline void putLe16(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 2; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
inline void putBe32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * (3 - i)));
}
inline void putBe16(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 2; ++i) b[at + i] = static_cast<char>(v >> (8 * (1 - i)));
}

}  // namespace tdb::memo
