#include <gtest/gtest.h>

#include <cmath>

#include "app/common/number_text.h"
#include "app/common/rounding.h"

namespace torvanel {
namespace {

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(roundHalfEven(0.5), 0);
  EXPECT_EQ(roundHalfEven(1.5), 2);
  EXPECT_EQ(roundHalfEven(2.5), 2);
  EXPECT_EQ(roundHalfEven(-2.5), -2);
  EXPECT_EQ(roundHalfEven(-3.5), -4);
  EXPECT_EQ(roundHalfEven(2.4999999), 2);
  EXPECT_EQ(roundHalfEven(2.5000001), 3);
  EXPECT_EQ(roundHalfEven(-0.2), 0);
  EXPECT_EQ(roundToInt((1024 - 442) / 2.0), 291);
  EXPECT_EQ(roundToInt((1023 - 442) / 2.0), 290);  // 290.5
  EXPECT_EQ(roundToInt((1025 - 442) / 2.0), 292);  // 291.5
}

TEST(NumberText, ShortestTextUpToFifteenDigits) {
  EXPECT_EQ(shortestNumberText(100), "100");
  EXPECT_EQ(shortestNumberText(1), "1");
  EXPECT_EQ(shortestNumberText(1e12), "1000000000000");
  EXPECT_EQ(shortestNumberText(0.25), "0.25");
  EXPECT_EQ(shortestNumberText(-12.5), "-12.5");
  EXPECT_EQ(shortestNumberText(0.1 + 0.2), "0.3");
  EXPECT_EQ(shortestNumberText(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(shortestNumberText(123456789012345.0), "123456789012345");
  EXPECT_EQ(shortestNumberText(0.0001), "0.0001");
  EXPECT_EQ(shortestNumberText(-0.0), "0");
}

TEST(NumberText, ExtremeMagnitudesUseAnExponent) {
  EXPECT_EQ(shortestNumberText(1e15), "1E+15");
  EXPECT_EQ(shortestNumberText(1.5e-7), "1.5E-7");
  EXPECT_EQ(shortestNumberText(0.00001), "0.00001");
  EXPECT_EQ(shortestNumberText(INFINITY), "INF");
  EXPECT_EQ(shortestNumberText(NAN), "NAN");
}

}  // namespace
}  // namespace torvanel
