#pragma once

#include <cstdint>
#include <string>

// Fixed-size text inside index pages (integers: engine/byte_order.h). Callers check bounds.
namespace tdb::index_bytes {

// Text of a fixed-size field up to its first NUL, trailing blanks removed.
inline std::string fieldText(const std::string& b, size_t at, size_t size) {
  std::string s = b.substr(at, size);
  s.resize(s.find('\0') == std::string::npos ? s.size() : s.find('\0'));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace tdb::index_bytes
