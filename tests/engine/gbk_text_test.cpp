// The engine's GBK text: every character converts as iconv converts it, and bad bytes are
// replaced where they stand, whichever way the text goes through.

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "engine/gbk_codec.h"

namespace tdb {
namespace {

// iconv itself on `gbk`, nothing replaced; false when it refuses any of it.
bool plainIconv(iconv_t cd, const std::string& gbk, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buf[64];
  char* src = const_cast<char*>(gbk.data());
  size_t left = gbk.size();
  char* dst = buf;
  size_t room = sizeof buf;
  if (iconv(cd, &src, &left, &dst, &room) == static_cast<size_t>(-1)) return false;
  out.assign(buf, dst - buf);
  return true;
}

TEST(GbkText, EveryCharacterConvertsAsIconvConvertsIt) {
  iconv_t cd = iconv_open("UTF-8", "GBK");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  int converted = 0;
  std::string reused = "left over";
  for (int lead = 0; lead < 0x100; ++lead) {
    for (int trail = -1; trail < 0x100; ++trail) {
      std::string gbk(1, static_cast<char>(lead));
      if (trail >= 0) gbk += static_cast<char>(trail);
      std::string expected;
      if (!plainIconv(cd, gbk, expected)) continue;
      ++converted;
      // In the middle of other text too, so that the character's bytes are read as one.
      ASSERT_EQ(gbkToUtf8(gbk), expected) << std::hex << lead << " " << trail;
      gbkToUtf8("a" + gbk + "z", reused);
      ASSERT_EQ(reused, "a" + expected + "z") << std::hex << lead << " " << trail;
    }
  }
  iconv_close(cd);
  EXPECT_GT(converted, 21000);  // GBK's two-byte characters, with ASCII
}

TEST(GbkText, BadBytesAreReplacedWhereTheyStand) {
  const std::string shu = "\xE6\x95\xB0";  // 数, CA FD in GBK
  const std::string bad = "\xEF\xBF\xBD";
  EXPECT_EQ(gbkToUtf8("\xCA\xFD"
                      "A\x81"),
            shu + "A" + bad);  // a lone lead byte at the end
  EXPECT_EQ(gbkToUtf8("\xFF\xCA\xFD"), bad + shu);
  // A lead byte before a byte that is no trail: the lead alone is bad, the byte stays.
  EXPECT_EQ(gbkToUtf8("\xCA\x7F\xCA\xFD"), bad + "\x7F" + shu);
  std::string reused = "much longer text than what comes";
  gbkToUtf8("\x81", reused);
  EXPECT_EQ(reused, bad);
  gbkToUtf8("", reused);
  EXPECT_EQ(reused, "");
}

}  // namespace
}  // namespace tdb
