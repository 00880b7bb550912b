#include <gtest/gtest.h>

#include "app/reports/page_tokens.h"
#include "app/reports/rule_lines.h"

namespace torvanel {
namespace {

TEST(RuleLines, BothRulesDrawCornersAndJunctionsOverTheRowsCells) {
  const std::vector<int> widths = {2, 3};
  const auto rule = [&](RuleKind k, LineStyle s) {
    return ruleLine(k, RuleStyle::Both, s, widths);
  };
  EXPECT_EQ(rule(RuleKind::Top, LineStyle::ThinSolid), QStringLiteral("┌──┬───┐"));
  EXPECT_EQ(rule(RuleKind::Middle, LineStyle::ThinSolid), QStringLiteral("├──┼───┤"));
  EXPECT_EQ(rule(RuleKind::Bottom, LineStyle::ThinSolid), QStringLiteral("└──┴───┘"));
  EXPECT_EQ(rule(RuleKind::Middle, LineStyle::ThickSolid), QStringLiteral("┣━━╋━━━┫"));
  EXPECT_EQ(rule(RuleKind::Top, LineStyle::ThinDashed), QStringLiteral("┌┄┄┬┄┄┄┐"));
  EXPECT_EQ(rule(RuleKind::Bottom, LineStyle::ThickDashed), QStringLiteral("┗┅┅┻┅┅┅┛"));
  EXPECT_EQ(rowCells(widths), 8);
  EXPECT_EQ(rowSeparator(RuleStyle::Both, LineStyle::ThickDashed), QStringLiteral("┇"));
}

TEST(RuleLines, EveryStyleIsExactlyAsWideAsTheRow) {
  // A 0-wide column takes no cell in a row, so it takes none in a rule either.
  const std::vector<int> widths = {2, 0, 3};
  EXPECT_EQ(rowCells(widths), 8);
  EXPECT_EQ(ruleLine(RuleKind::Middle, RuleStyle::Both, LineStyle::ThinSolid, widths),
            QStringLiteral("├──┼───┤"));
  // Horizontal rules only: the row keeps its (blank) separator cells, the rule runs across them.
  EXPECT_EQ(ruleLine(RuleKind::Top, RuleStyle::HorizontalOnly, LineStyle::ThinSolid, widths),
            QStringLiteral("────────"));
  EXPECT_TRUE(rowSeparator(RuleStyle::HorizontalOnly, LineStyle::ThinSolid).isEmpty());
  for (RuleStyle style : {RuleStyle::VerticalOnly, RuleStyle::None})
    EXPECT_TRUE(ruleLine(RuleKind::Middle, style, LineStyle::ThinSolid, widths).isEmpty());
  EXPECT_EQ(rowSeparator(RuleStyle::VerticalOnly, LineStyle::ThickSolid), QStringLiteral("┃"));
  // Nothing wider than 0: no row, no rule.
  EXPECT_EQ(rowCells({0, 0}), 0);
  EXPECT_TRUE(ruleLine(RuleKind::Top, RuleStyle::Both, LineStyle::ThinSolid, {0, 0}).isEmpty());
}

TokenValues pageThreeOfTwelve() {
  TokenValues v;
  v.page = 3;
  v.pageCount = 12;
  v.date = "2026-12-10";
  v.time = "03:04:05";
  v.field = [](const QString& name) -> std::optional<QString> {
    if (name == "客户") return QStringLiteral("[PageNum]号客户");
    if (name == "备注") return QStringLiteral("甲\r\n乙\t丙");
    return std::nullopt;
  };
  return v;
}

TEST(PageTokens, FillsTokensAndFieldsInOnePass) {
  const TokenValues v = pageThreeOfTwelve();
  EXPECT_EQ(fillTokens("第[PageNum]页 共[PageCou]页", v), "第3页 共12页");
  EXPECT_EQ(fillTokens("[PrinDate] [PrinTime]", v), "2026-12-10 03:04:05");
  EXPECT_EQ(fillTokens("[GPageNum]/[GPageCou]", v), " / ") << "one blank each, not grouped";
  EXPECT_EQ(fillTokens("客户:[客户]", v), "客户:[PageNum]号客户") << "a value is never expanded";
  EXPECT_EQ(fillTokens("[备注]", v), "甲  乙 丙");
  EXPECT_EQ(fillTokens("[未知] [pagenum] [PageNum", v), "[未知] [pagenum] [PageNum");
  EXPECT_EQ(fillTokens("[[PageNum]] [a[PageCou]", v), "[3] [a12");
  EXPECT_EQ(fillTokens("", v), "");

  TokenValues grouped = v;
  grouped.grouped = true;
  grouped.groupPage = 2;
  grouped.groupPageCount = 4;
  EXPECT_EQ(fillTokens("[GPageNum]/[GPageCou]", grouped), "2/4");
}

}  // namespace
}  // namespace torvanel
