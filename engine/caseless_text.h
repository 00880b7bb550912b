#pragma once

#include <string>
#include <string_view>

namespace tdb {

// GBK text as comparisons that ignore case see it: ASCII letters upper-cased, except a byte that
// follows a GBK lead byte (0x81-0xFE): trail bytes run from 0x40 and many of them look like
// letters. The same length as the text, byte for byte, so a folded prefix is the prefix folded.
std::string foldCase(std::string_view gbk);
// The same in place, from byte `from` on (a GBK character's first byte).
void foldCaseInPlace(std::string& gbk, size_t from = 0);

// Text without the blanks and NULs that pad it to its field's width.
std::string_view trimPadding(std::string_view s);

}  // namespace tdb
