#pragma once

#include <cstdint>
#include <string>

// Fixed-width integers as file formats store them, little- or big-endian, assembled byte by byte
// so that the host's own order never matters. Callers check bounds before they read or write.
namespace tdb {

inline uint64_t getLe(const char* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(p[i]);
  return v;
}
inline uint64_t getBe(const char* p, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | static_cast<unsigned char>(p[i]);
  return v;
}
inline void putLe(char* p, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<char>(v >> (8 * i));
}
inline void putBe(char* p, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<char>(v >> (8 * (bytes - 1 - i)));
}

inline uint32_t getLe16(const char* p) { return static_cast<uint32_t>(getLe(p, 2)); }
inline uint32_t getLe32(const char* p) { return static_cast<uint32_t>(getLe(p, 4)); }
inline uint64_t getLe64(const char* p) { return getLe(p, 8); }
inline uint32_t getBe16(const char* p) { return static_cast<uint32_t>(getBe(p, 2)); }
inline uint32_t getBe32(const char* p) { return static_cast<uint32_t>(getBe(p, 4)); }
inline uint64_t getBe64(const char* p) { return getBe(p, 8); }
inline void putLe16(char* p, uint32_t v) { putLe(p, v, 2); }
inline void putLe32(char* p, uint32_t v) { putLe(p, v, 4); }
inline void putLe64(char* p, uint64_t v) { putLe(p, v, 8); }
inline void putBe16(char* p, uint32_t v) { putBe(p, v, 2); }
inline void putBe32(char* p, uint32_t v) { putBe(p, v, 4); }
inline void putBe64(char* p, uint64_t v) { putBe(p, v, 8); }

// The same at an offset of a byte string.
inline uint32_t getLe16(const std::string& b, size_t at) { return getLe16(b.data() + at); }
inline uint32_t getLe32(const std::string& b, size_t at) { return getLe32(b.data() + at); }
inline uint32_t getBe16(const std::string& b, size_t at) { return getBe16(b.data() + at); }
inline uint32_t getBe32(const std::string& b, size_t at) { return getBe32(b.data() + at); }
inline void putLe16(std::string& b, size_t at, uint32_t v) { putLe16(b.data() + at, v); }
inline void putLe32(std::string& b, size_t at, uint32_t v) { putLe32(b.data() + at, v); }
inline void putBe16(std::string& b, size_t at, uint32_t v) { putBe16(b.data() + at, v); }
inline void putBe32(std::string& b, size_t at, uint32_t v) { putBe32(b.data() + at, v); }

}  // namespace tdb
