// The byte position a string-position condition compares: GBK bytes from 1, a whole value
// included.

#include "app/windows/position_condition.h"

#include <gtest/gtest.h>

namespace torvanel {
namespace {

TEST(BytePosition, CountsBytesFromOneUpToTheWholeText) {
  EXPECT_EQ(bytePosition("abc", "abc", true), 1);
  EXPECT_EQ(bytePosition("xabc", "abc", true), 2);
  EXPECT_EQ(bytePosition("ab", "abc", true), 0);
  EXPECT_EQ(bytePosition("abc", "", true), 0);
  // Without case only ASCII letters fold; "张" is two GBK bytes.
  EXPECT_EQ(bytePosition("ABC", "abc", false), 1);
  EXPECT_EQ(bytePosition("ABC", "abc", true), 0);
  EXPECT_EQ(bytePosition("\xD5\xC5"
                         "ab",
                         "ab", true),
            3);
}

}  // namespace
}  // namespace torvanel
