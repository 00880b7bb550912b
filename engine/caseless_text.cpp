#include "engine/caseless_text.h"

namespace tdb {

std::string foldCase(std::string_view gbk) {
  std::string out(gbk);
  for (size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c >= 'a' && c <= 'z')
      out[i] = static_cast<char>(c - 32);
    else if (c >= 0x81 && c <= 0xFE)
      ++i;
  }
  return out;
}

std::string_view trimPadding(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

}  // namespace tdb
