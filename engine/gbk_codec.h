#pragma once

#include <string>
#include <string_view>

namespace tdb {

// Conversion between GBK (code page 936) bytes and UTF-8, on glibc iconv. The one place where
// text crosses between the two encodings: table text stays GBK inside the engine, the engine's
// messages are UTF-8, and the workbench and the command line convert at their edges through here.
//
// Bytes that do not convert are replaced, never dropped silently: an invalid GBK sequence becomes
// U+FFFD, and a character that GBK cannot hold becomes '?'. Conversion itself never fails.
std::string gbkToUtf8(std::string_view gbk);
// The same into `out`, replacing what it held and reusing its storage (exports, text by text).
void gbkToUtf8(std::string_view gbk, std::string& out);
std::string utf8ToGbk(std::string_view utf8);

// True when every character of the UTF-8 text has a GBK form.
bool fitsGbk(std::string_view utf8);

// GBK text quoted in a message: UTF-8, with tabs, line ends and other control characters shown
// as blanks or '?', so that a NUL in a user's text cannot cut the message short.
std::string shownText(std::string_view gbk);

}  // namespace tdb
