#include "engine/caseless_text.h"

namespace tdb {

std::string foldCase(std::string_view gbk) {
  std::string out(gbk);
  foldCaseInPlace(out);
  return out;
}

void foldCaseInPlace(std::string& gbk, size_t from) {
  for (size_t i = from; i < gbk.size(); ++i) {
    const auto c = static_cast<unsigned char>(gbk[i]);
    if (c >= 'a' && c <= 'z')
      gbk[i] = static_cast<char>(c - 32);
    else if (c >= 0x81 && c <= 0xFE)
      ++i;
  }
}

std::string_view trimPadding(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

}  // namespace tdb
