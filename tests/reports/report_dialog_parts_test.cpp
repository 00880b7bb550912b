// The font list's fallback for a typed name, on lists longer and shorter than the machine's own.

#include <gtest/gtest.h>
#include <QComboBox>

#include "app/reports/report_dialog_parts.h"

namespace torvanel {
namespace {

QStringList names(int count) {
  QStringList list;
  for (int i = 0; i < count; ++i) list << QStringLiteral("Font%1").arg(i);
  return list;
}

TEST(ReportDialogParts, ATypedFontNameSelectsItsEntryElseEntry88ElseTheFirst) {
  QComboBox fonts;
  fonts.addItems(names(100));
  EXPECT_EQ(typedFontEntry(fonts, QStringLiteral("Font5"), Qt::MatchExactly), 5);
  EXPECT_EQ(typedFontEntry(fonts, QStringLiteral("font5"), Qt::MatchFixedString), 5);
  EXPECT_EQ(typedFontEntry(fonts, QStringLiteral("font5"), Qt::MatchExactly), 88);
  EXPECT_EQ(typedFontEntry(fonts, QStringLiteral("没有这种字体"), Qt::MatchExactly), 88);

  // Entry 88 is the 89th: a list of 88 has none and falls back to its first.
  fonts.clear();
  fonts.addItems(names(89));
  EXPECT_EQ(typedFontEntry(fonts, QStringLiteral("没有这种字体"), Qt::MatchExactly), 88);
  fonts.removeItem(88);
  EXPECT_EQ(typedFontEntry(fonts, QStringLiteral("没有这种字体"), Qt::MatchExactly), 0);

  fonts.clear();
  EXPECT_EQ(typedFontEntry(fonts, QStringLiteral("Font5"), Qt::MatchExactly), -1);
}

}  // namespace
}  // namespace torvanel
