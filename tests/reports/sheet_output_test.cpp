// The one painter and its outputs, on sheets made by hand: pictures checked pixel by pixel, PDFs
// read back with poppler's tools, print runs through Qt's printer writing PDF files.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <memory>
#include <vector>

#include "app/reports/output_error.h"
#include "app/reports/print_run.h"
#include "app/reports/report_run.h"
#include "app/reports/sheet_files.h"
#include "app/reports/sheet_painter.h"
#include "engine/table.h"
#include "tests/engine/table_fixture.h"
#include "tests/reports/pdf_reader.h"
#include "tests/support/temp_folder.h"

namespace torvanel {
namespace {

using test::pageText;
using test::readPdf;
using test::TempFolder;

constexpr double kPointsPerMm = 72 / 25.4;

Sheet blankSheet(int widthMm, int heightMm, bool landscape = false) {
  Sheet sheet;
  sheet.paperWidthMm = widthMm;
  sheet.paperHeightMm = heightMm;
  sheet.landscape = landscape;
  const QSize portrait(qRound(widthMm * 96 / 25.4), qRound(heightMm * 96 / 25.4));
  sheet.size = landscape ? portrait.transposed() : portrait;
  return sheet;
}

QFont boxFont() {
  QFont font(QStringLiteral("Noto Sans Mono CJK SC"));
  font.setPixelSize(12);
  return font;
}

SheetText line(const QString& text, int x, int y) {
  const QFont font = boxFont();
  const QFontMetricsF metrics(font);
  const int width = qRound(metrics.horizontalAdvance(text));
  return {text, {x, y}, y + metrics.ascent(), QRect(x, y, width, 16), font, Qt::black, width};
}

// A sheet showing report page `page`: a title and a ruled row.
Sheet pageSheet(int page, int widthMm = 210, int heightMm = 297, bool landscape = false) {
  Sheet sheet = blankSheet(widthMm, heightMm, landscape);
  sheet.pages = {page};
  sheet.items.emplace_back(line(QStringLiteral("第%1张").arg(page), 60, 60));
  sheet.items.emplace_back(line(QStringLiteral("┌──┬──┐"), 60, 100));
  sheet.items.emplace_back(line(QStringLiteral("│甲│乙│"), 60, 116));
  return sheet;
}

void expectPaper(const QSizeF& points, double widthMm, double heightMm) {
  // Qt writes a page's box in whole points.
  EXPECT_NEAR(points.width(), widthMm * kPointsPerMm, 0.6);
  EXPECT_NEAR(points.height(), heightMm * kPointsPerMm, 0.6);
}

bool isWhite(const QImage& image, int x, int y) { return image.pixel(x, y) == qRgb(255, 255, 255); }

// Whether any pixel of the rectangle is not white.
bool inked(const QImage& image, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (!isWhite(image, x, y)) return true;
  return false;
}

TEST(SheetOutput, FontOfTheTestsIsInstalled) {
  ASSERT_TRUE(QFontDatabase::families().contains(QStringLiteral("Noto Sans Mono CJK SC")))
      << "scripts/install-deps.sh installs fonts-noto-cjk";
}

TEST(SheetOutput, PictureScalesEveryPlaceByTheZoom) {
  Sheet sheet = blankSheet(100, 50);
  sheet.items.emplace_back(SheetRect{QRect(10, 10, 20, 10), Qt::black});
  const QImage image = sheetImage(sheet, 2.0);
  EXPECT_EQ(image.size(), sheet.size * 2);
  EXPECT_EQ(image.pixel(20, 20), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(59, 39), qRgb(0, 0, 0));
  EXPECT_TRUE(isWhite(image, 60, 30));
  EXPECT_TRUE(isWhite(image, 19, 19));
  // Printed at the picture's own resolution, it has the paper's size.
  EXPECT_NEAR(image.width() / (image.dotsPerMeterX() * 0.0254), 100 / 25.4, 0.01);
}

TEST(SheetOutput, DeviceResolutionScalesFromTheLayout) {
  Sheet sheet = blankSheet(100, 50);
  sheet.items.emplace_back(SheetRect{QRect(96, 48, 96, 48), Qt::black});
  QImage device(1200, 600, QImage::Format_RGB32);  // 600 by 300 dots per inch
  device.setDotsPerMeterX(qRound(600 / 0.0254));
  device.setDotsPerMeterY(qRound(300 / 0.0254));
  device.fill(Qt::red);
  QPainter painter(&device);
  paintSheetOnDevice(painter, sheet);
  painter.end();
  EXPECT_EQ(device.pixel(600, 150), qRgb(0, 0, 0));
  EXPECT_EQ(device.pixel(1199, 299), qRgb(0, 0, 0));
  EXPECT_TRUE(isWhite(device, 599, 150));
  EXPECT_TRUE(isWhite(device, 600, 149));
  // The sheet's whole area is paper, whatever the device held before.
  EXPECT_TRUE(isWhite(device, 0, 0));
}

TEST(SheetOutput, TextIsClippedStretchedAndDrawnOverWhite) {
  Sheet sheet = blankSheet(60, 20);
  sheet.items.emplace_back(SheetRect{QRect(0, 0, 200, 60), Qt::blue});
  SheetText clipped = line(QStringLiteral("ＸＸＸＸ"), 10, 10);
  clipped.clip.setWidth(clipped.width / 2);
  sheet.items.emplace_back(clipped);
  SheetText hidden = line(QStringLiteral("ＸＸＸＸ"), 10, 40);
  hidden.clip = QRect();  // pushed off the page: takes no room, shows nothing
  sheet.items.emplace_back(hidden);
  const QImage image = sheetImage(sheet);

  const QRect inside(10, 10, clipped.width / 2, 16);
  EXPECT_TRUE(inked(image, inside.adjusted(0, 2, 0, -2)));
  EXPECT_TRUE(isWhite(image, inside.left(), inside.top()));  // the clip is paper under the text
  EXPECT_EQ(image.pixel(inside.right() + 2, inside.top() + 8), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(12, 48), qRgb(0, 0, 255));

  // A text told it is twice as wide as it is drawn reaches the end of that width.
  Sheet wide = blankSheet(60, 20);
  SheetText stretched = line(QStringLiteral("──"), 0, 0);
  const int natural = stretched.width;
  stretched.width *= 2;
  stretched.clip.setWidth(stretched.width);
  wide.items.emplace_back(stretched);
  const QImage drawn = sheetImage(wide);
  EXPECT_TRUE(inked(drawn, QRect(2 * natural - 4, 0, 3, 16)));
  EXPECT_FALSE(inked(drawn, QRect(2 * natural + 1, 0, 4, 16)));
}

TEST(SheetOutput, PdfHasOnePageOfTheSheetsPaperPerSheet) {
  TempFolder folder;
  const QString path = folder.file(QStringLiteral("报表 输出.pdf"));
  std::vector<Sheet> sheets = {pageSheet(1), pageSheet(2, 210, 297, true), pageSheet(3, 240, 280)};
  writeSheetsPdf(path, 3, [&](int i) { return sheets[i]; });

  const test::PdfFacts pdf = readPdf(path);
  ASSERT_EQ(pdf.pageSizes.size(), 3u);
  expectPaper(pdf.pageSizes[0], 210, 297);
  expectPaper(pdf.pageSizes[1], 297, 210);  // landscape: the page itself is turned
  expectPaper(pdf.pageSizes[2], 240, 280);  // an exact size, not the nearest standard one
  for (int page = 1; page <= 3; ++page) {
    const QString text = pageText(pdf, page);
    EXPECT_TRUE(text.contains(QStringLiteral("第%1张").arg(page))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("┌──┬──┐"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("│甲│乙│"))) << text.toStdString();
  }
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files),
            QStringList{QStringLiteral("报表 输出.pdf")});
}

TEST(SheetOutput, FailedPdfIsReportedAndLeavesTheOldFileWhole) {
  TempFolder folder;
  const QString missing = folder.file(QStringLiteral("没有/输出.pdf"));
  try {
    writeSheetsPdf(missing, 1, [](int) { return pageSheet(1); });
    ADD_FAILURE() << "a PDF in a missing folder was reported written";
  } catch (const OutputError& e) {
    EXPECT_TRUE(e.text().contains(missing)) << e.what();
  }
  EXPECT_FALSE(QFile::exists(missing));

  // A sheet that cannot be composed half-way: the user's file keeps its bytes, and no
  // temporary file is left beside it.
  folder.write(QStringLiteral("旧.pdf"), "old bytes");
  const QString path = folder.file(QStringLiteral("旧.pdf"));
  EXPECT_THROW(writeSheetsPdf(path, 3,
                              [](int i) {
                                if (i == 1) throw OutputError(QStringLiteral("第2页不能组成"));
                                return pageSheet(i + 1);
                              }),
               OutputError);
  EXPECT_EQ(folder.read(QStringLiteral("旧.pdf")), "old bytes");
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("旧.pdf")});
}

TEST(SheetOutput, PicturesAreNamedAfterTheirFirstPage) {
  TempFolder folder;
  const QString target = folder.file(QStringLiteral("图片/第一批"));
  const QStringList written = writeSheetsPng(target, 2, 12, [](int i) {
    Sheet sheet = pageSheet(1 + i * 10, 100, 50);
    return sheet;
  });
  EXPECT_EQ(QDir(target).entryList(QDir::Files),
            (QStringList{QStringLiteral("第01页.png"), QStringLiteral("第11页.png")}));
  ASSERT_EQ(written.size(), 2);
  const QImage first(written[0]);
  EXPECT_EQ(first.size(), blankSheet(100, 50).size);

  folder.write(QStringLiteral("一个文件"), "x");
  EXPECT_THROW(writeSheetsPng(folder.file(QStringLiteral("一个文件")), 1, 1,
                              [](int) { return pageSheet(1); }),
               OutputError);
}

// Print runs through a printer that writes each job to a file of its own, so the jobs can be
// counted and read.
class PrintRun : public ::testing::Test {
 protected:
  int print(const PrintRange& range, bool landscape = false) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    return printSheets(
        printer, range,
        [&](int current, int last) {
          composed.emplace_back(current, last);
          return pageSheet(current, 210, 297, landscape);
        },
        [&](int current) {
          printer.setOutputFileName(folder.file(QStringLiteral("作业%1.pdf").arg(current)));
          return current != stopAt;
        });
  }
  QStringList jobs() const { return QDir(folder.path()).entryList(QDir::Files, QDir::Name); }

  TempFolder folder;
  std::vector<std::pair<int, int>> composed;
  int stopAt = -1;
};

TEST_F(PrintRun, EverySheetIsAJobOfItsOwnHoldingPagesUpToTheLast) {
  EXPECT_EQ(print({2, 5, 2, 1}), 2);
  EXPECT_EQ(composed, (std::vector<std::pair<int, int>>{{2, 5}, {4, 5}}));
  EXPECT_EQ(jobs(), (QStringList{QStringLiteral("作业2.pdf"), QStringLiteral("作业4.pdf")}));
  const test::PdfFacts second = readPdf(folder.file(QStringLiteral("作业4.pdf")));
  EXPECT_EQ(second.pageSizes.size(), 1u);
  EXPECT_TRUE(second.text.contains(QStringLiteral("第4张")));

  composed.clear();
  EXPECT_EQ(print({1, 3, 2, 1}), 2);  // the last sheet holds page 3 alone
  EXPECT_EQ(composed, (std::vector<std::pair<int, int>>{{1, 3}, {3, 3}}));

  composed.clear();
  EXPECT_EQ(print({0, 0, 1, 1}), 1);  // the empty layout is one sheet
  EXPECT_EQ(print({4, 3, 1, 1}), 0);
  EXPECT_EQ(composed, (std::vector<std::pair<int, int>>{{0, 0}}));
}

TEST_F(PrintRun, LandscapeTemplatePrintsTurnedPaper) {
  print({1, 1, 1, 1}, true);
  const test::PdfFacts job = readPdf(folder.file(QStringLiteral("作业1.pdf")));
  ASSERT_EQ(job.pageSizes.size(), 1u);
  expectPaper(job.pageSizes[0], 297, 210);
}

TEST_F(PrintRun, CancelStopsBeforeTheNextSheet) {
  stopAt = 3;
  EXPECT_EQ(print({1, 6, 1, 1}), 2);
  EXPECT_EQ(composed.size(), 2u);
}

TEST_F(PrintRun, RefusingPrinterIsReportedAndStopsTheRun) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  int sheets = 0;
  EXPECT_THROW(printSheets(
                   printer, {1, 4, 1, 1},
                   [&](int current, int) {
                     ++sheets;
                     return pageSheet(current);
                   },
                   [&](int current) {
                     printer.setOutputFileName(
                         current == 2 ? folder.file(QStringLiteral("没有/作业.pdf"))
                                      : folder.file(QStringLiteral("作业%1.pdf").arg(current)));
                     return true;
                   }),
               OutputError);
  EXPECT_EQ(sheets, 2);
  EXPECT_EQ(jobs(), QStringList{QStringLiteral("作业1.pdf")});
}

// The default report of a table of 100 sample records, laid out at the screen's 96 dpi.
struct SampleReport {
  explicit SampleReport(int paperType = 0) {
    tdb::test::makeSample(tables, "t.dbf", 100);
    tdb::test::point(table, tables, "t.dbf");
    table.open();
    ReportTemplate t = defaultTemplate();
    t.paperWidth = kPaperSizes[paperType].width;
    t.paperHeight = kPaperSizes[paperType].height;
    reconcileWithTable(t, table);
    run = std::make_unique<ReportRun>(t, table, 96);
    EXPECT_TRUE(run->calculate(kOpenRange, kOpenRange));
  }
  tdb::test::TempDir tables;
  tdb::Table table;
  std::unique_ptr<ReportRun> run;
};

// Printed at 300 dpi, where every other line of the layout ends inside a printer's pixel, the
// table's vertical rules run unbroken from row to row: poppler renders the PDF at that resolution
// and the picture is read pixel by pixel.
TEST(SheetOutput, RulesMeetTheRowsWhenPrinted) {
  TempFolder folder;
  SampleReport report(3);  // A5 keeps the picture small
  writeSheetsPdf(folder.file(QStringLiteral("a5.pdf")), 1,
                 [&](int) { return report.run->sheet(1); });
  QProcess render;
  render.start(QStringLiteral("pdftoppm"),
               {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-gray"),
                QStringLiteral("-png"), QStringLiteral("-singlefile"),
                folder.file(QStringLiteral("a5.pdf")), folder.file(QStringLiteral("a5"))});
  ASSERT_TRUE(render.waitForFinished(60000) && render.exitCode() == 0);
  const QImage device(folder.file(QStringLiteral("a5.png")));
  ASSERT_FALSE(device.isNull());
  int longest = 0;  // the longest dark run down any column
  for (int x = 0; x < device.width(); ++x) {
    int run = 0;
    for (int y = 0; y < device.height(); ++y) {
      run = qGray(device.pixel(x, y)) < 128 ? run + 1 : 0;
      longest = qMax(longest, run);
    }
  }
  // Each row under a rule line of its own, 12 logical pixels each, 3.125 printer pixels apiece.
  const int table = 2 * report.run->pages().rowsPerPage * 12 * 3125 / 1000;
  EXPECT_GT(longest, table * 9 / 10);
}

// A real report, laid out at the screen's 96 dpi and printed at 600: each printed sheet holds
// exactly the records the screen counted for its page, the last row included.
TEST_F(PrintRun, PrinterAtItsOwnResolutionPrintsTheRowsTheScreenCounted) {
  SampleReport report;
  ReportRun& run = *report.run;
  const int rows = run.pages().rowsPerPage;
  ASSERT_GT(rows, 1);

  QPrinter printer(QPrinter::HighResolution);
  printer.setResolution(600);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printSheets(
      printer, {1, 2, 1, 1}, [&](int current, int last) { return run.sheetFrom(current, last); },
      [&](int current) {
        printer.setOutputFileName(folder.file(QStringLiteral("作业%1.pdf").arg(current)));
        return true;
      });
  for (int page = 1; page <= 2; ++page) {
    const QString text = readPdf(folder.file(QStringLiteral("作业%1.pdf").arg(page))).text;
    const int first = (page - 1) * rows + 1;
    EXPECT_TRUE(text.contains(QStringLiteral("R%1 ").arg(first))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("R%1 ").arg(first + rows - 1))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("R%1 ").arg(first + rows))) << text.toStdString();
    if (page > 1) {
      EXPECT_FALSE(text.contains(QStringLiteral("R%1 ").arg(first - 1)));
    }
  }
}

}  // namespace
}  // namespace torvanel
