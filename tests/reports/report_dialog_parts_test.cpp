// The font list's fallback for a typed name, on lists longer and shorter than the machine's own,
// and the font a dialog shows a section in.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFontDatabase>

#include "app/reports/report_dialog_parts.h"
#include "app/reports/report_fonts.h"

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

// Each style on its own, so that one dropped or crossed with another shows.
TEST(ReportDialogParts, TheScreenFontCarriesTheSizeAndEachStyleAlone) {
  TextSection s;
  s.fontName = QStringLiteral("没有这种字体");
  s.size = 17;
  EXPECT_EQ(sectionScreenFont(s).family(), kReportFallbackFamily);
  EXPECT_EQ(sectionScreenFont(s).pointSize(), 17);
  for (bool TextSection::*style :
       {&TextSection::bold, &TextSection::italic, &TextSection::underline}) {
    TextSection one = s;
    one.*style = true;
    const QFont f = sectionScreenFont(one);
    EXPECT_EQ(f.bold(), one.bold);
    EXPECT_EQ(f.italic(), one.italic);
    EXPECT_EQ(f.underline(), one.underline);
  }
  s.fontName = QFontDatabase::families().value(0);
  EXPECT_EQ(sectionScreenFont(s).family(), s.fontName);
}

}  // namespace
}  // namespace torvanel
