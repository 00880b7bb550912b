#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QPainterPath>

#include "app/reports/report_fonts.h"

namespace torvanel {
namespace {

TextSection body(const QString& font, int size) {
  TextSection s;
  s.fontName = font;
  s.size = size;
  return s;
}

TEST(ReportFonts, AMissingFontFallsBackToOneWhoseBoxCharactersMeet) {
  ASSERT_TRUE(QFontDatabase::families().contains(kReportFallbackFamily))
      << "fonts-noto-cjk is installed by scripts/install-deps.sh";
  EXPECT_EQ(reportFontFamily(QStringLiteral("宋体")), kReportFallbackFamily);
  for (int size : {9, 10, 12, 15}) {
    const SectionFont f = sectionFont(body(QStringLiteral("宋体"), size), 96, true);
    EXPECT_EQ(QFontInfo(f.font).family(), kReportFallbackFamily);
    EXPECT_EQ(f.lineHeight, f.font.pixelSize());
    // Every box character is one cell, a half-width character exactly half of one.
    for (QChar c : QStringLiteral("│─┌┬┐├┼┤└┴┘┃━┏┳┓┣╋┫┗┻┛┆┄┇┅十"))
      EXPECT_EQ(f.width(c), f.cell) << size << " pt: " << QString(c).toStdString();
    EXPECT_EQ(f.width(QStringLiteral("1234567890")), 5 * f.cell);
    // The vertical rule fills its line from top to bottom, so rows stacked line on line meet.
    QPainterPath bar;
    bar.addText(0, f.ascent, f.font, QStringLiteral("│"));
    EXPECT_NEAR(bar.boundingRect().top(), 0, 1.0 / 32);  // outlines come in 1/64 pixel steps
    EXPECT_NEAR(bar.boundingRect().bottom(), f.lineHeight, 1.0 / 32);
  }
  const SectionFont title = sectionFont(body(QStringLiteral("宋体"), 9), 96, false);
  EXPECT_GT(title.lineHeight, title.font.pixelSize()) << "titles keep room for descenders";
}

TEST(ReportFonts, AnInstalledFontIsUsedAndSizesFollowTheResolution) {
  const QStringList families = QFontDatabase::families();
  const auto other = std::find_if(families.begin(), families.end(),
                                  [](const QString& f) { return f != kReportFallbackFamily; });
  ASSERT_NE(other, families.end());
  EXPECT_EQ(reportFontFamily(*other), *other);
  EXPECT_EQ(sectionFont(body(*other, 9), 96, false).font.pixelSize(), 12);
  EXPECT_EQ(sectionFont(body(*other, 9), 600, false).font.pixelSize(), 75);
  TextSection coloured = body(*other, 10);
  coloured.colour = 0x00336699;  // blue 0x33, green 0x66, red 0x99
  coloured.bold = coloured.underline = true;
  const SectionFont f = sectionFont(coloured, 96, false);
  EXPECT_EQ(f.colour, QColor(0x99, 0x66, 0x33));
  EXPECT_EQ(f.font.pixelSize(), 13);
  EXPECT_TRUE(f.font.bold() && f.font.underline() && !f.font.italic());
}

// The designer's colour dialog hands back a QColor that must be stored in the same byte order the
// printed page reads.
TEST(ReportFonts, AColourChosenIsStoredAsItIsPrinted) {
  EXPECT_EQ(storedFromColour(QColor(0x99, 0x66, 0x33)), 0x00336699);
  for (const int stored : {0x000000, 0x0000FF, 0xFF0000, 0x00FF00, 0x123456, 0xFFFFFF})
    EXPECT_EQ(storedFromColour(colourFromStored(stored)), stored) << std::hex << stored;
  EXPECT_EQ(colourFromStored(0x7F336699), QColor(0x99, 0x66, 0x33)) << "the top byte is not blue";
}

}  // namespace
}  // namespace torvanel
