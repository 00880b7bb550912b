#pragma once

#include <string>
#include <string_view>

namespace torvanel {

// Conversion between GBK (code page 936) bytes and UTF-8, on glibc iconv. The one place where
// text crosses between the two encodings; the Qt layer and the command line both go through it.
//
// Bytes that do not convert are replaced, never dropped silently: an invalid GBK sequence becomes
// U+FFFD, and a character that GBK cannot hold becomes '?'. Conversion itself never fails.
std::string gbkToUtf8(std::string_view gbk);
std::string utf8ToGbk(std::string_view utf8);

// True when every character of the UTF-8 text has a GBK form.
bool fitsGbk(std::string_view utf8);

}  // namespace torvanel
