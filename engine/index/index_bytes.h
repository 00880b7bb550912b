#pragma once

#include <cstdint>
#include <string>

// Fixed-width integers inside index pages. Callers check bounds before they read.
namespace tdb::index_bytes {

inline uint32_t le16(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8;
}
inline uint32_t le32(const std::string& b, size_t at) {
  return le16(b, at) | le16(b, at + 2) << 16;
}
inline uint32_t be32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 |
         uint32_t(uint8_t(b[at + 2])) << 8 | uint32_t(uint8_t(b[at + 3]));
}

// Text of a fixed-size field up to its first NUL, trailing blanks removed.
inline std::string fieldText(const std::string& b, size_t at, size_t size) {
  std::string s = b.substr(at, size);
  s.resize(s.find('\0') == std::string::npos ? s.size() : s.find('\0'));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace tdb::index_bytes
