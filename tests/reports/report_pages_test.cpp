// Pages of reports over real tables, checked against figures worked out by hand.
//
// The layout used throughout: paper 100 x 60 mm, margins 10 mm, at 96 dpi. That is a sheet of
// 378 x 227 pixels with margins of 38; the body font (9 pt, not installed, so the CJK monospaced
// fallback) is 12 pixels: a cell is 12 wide and a table line 12 high. With rules above every row
// and under the last, (227 - 38 - 38) / 12 = 12 lines hold (12 - 1) / 2 = 5 rows.

#include <gtest/gtest.h>

#include <QImage>
#include <QProgressBar>
#include <QRegularExpression>

#include "app/common/gbk_string.h"
#include "app/reports/page_progress_panel.h"
#include "app/reports/printed_columns.h"
#include "app/reports/report_run.h"
#include "app/reports/template_file.h"
#include "tests/engine/table_fixture.h"

namespace torvanel {
namespace {

using tdb::FieldType;

struct Row {
  const char* name;
  const char* group;
  const char* amount;
};

class ReportPages : public ::testing::Test {
 protected:
  // Table sales.dbf: NAME C(10), GRP C(4), AMOUNT C(8), text so that a total can meet a value
  // that is no number.
  void makeTable(const std::vector<Row>& rows) {
    tdb::Table t;
    tdb::test::point(t, dir_, "sales.dbf", tdb::TableType::ttDBase);
    t.fieldDefs().add("NAME", FieldType::ftString, 10);
    t.fieldDefs().add("GRP", FieldType::ftString, 4);
    t.fieldDefs().add("AMOUNT", FieldType::ftString, 8);
    t.createTable();
    for (const Row& r : rows)
      tdb::test::addRecord(dir_, "sales.dbf",
                           {{"NAME", tdb::Value::text(tdb::test::gbk(r.name))},
                            {"GRP", tdb::Value::text(tdb::test::gbk(r.group))},
                            {"AMOUNT", tdb::Value::text(tdb::test::gbk(r.amount))}},
                           tdb::TableType::ttDBase);
    tdb::test::point(table_, dir_, "sales.dbf", tdb::TableType::ttDBase);
    table_.open();
  }

  void makeNumbered(int count, const char* group = "A") {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) names.push_back("R" + std::to_string(i));
    std::vector<Row> rows;
    for (const std::string& n : names) rows.push_back({n.c_str(), group, "1"});
    makeTable(rows);
  }

  // The small sheet, printing NAME 2 cells wide and AMOUNT 3 wide.
  ReportTemplate smallSheet() {
    ReportTemplate t = defaultTemplate();
    reconcileWithTable(t, table_);
    t.paperType = 8;
    t.paperWidth = 100;
    t.paperHeight = 60;
    t.leftMargin = t.rightMargin = t.topMargin = t.bottomMargin = 10;
    for (GridColumn& c : t.grid.columns) {
      if (c[kFieldName] == "NAME") c[kWidth] = "2";
      if (c[kFieldName] == "AMOUNT") c[kWidth] = "3";
      c[kPrinted] = c[kFieldName] == "NAME" || c[kFieldName] == "AMOUNT" ? kChecked : QString();
    }
    return t;
  }

  GridColumn& column(ReportTemplate& t, const QString& name) {
    for (GridColumn& c : t.grid.columns)
      if (c[kFieldName] == name) return c;
    throw std::logic_error("no column");
  }

  tdb::test::TempDir dir_;
  tdb::Table table_;
};

// "y x text" for every text of the sheet, in drawing order.
QStringList texts(const Sheet& sheet) {
  QStringList out;
  for (const SheetItem& item : sheet.items)
    if (const auto* text = std::get_if<SheetText>(&item))
      out << QStringLiteral("%1 %2 %3").arg(text->origin.y()).arg(text->origin.x()).arg(text->text);
  return out;
}

QStringList linesAt(const Sheet& sheet, int y) {
  return texts(sheet).filter(QRegularExpression(QStringLiteral("^%1 ").arg(y)));
}

std::vector<std::pair<long, long>> spans(const PageList& list) {
  std::vector<std::pair<long, long>> out;
  for (const PageEntry& p : list.pages) out.emplace_back(p.first, p.last);
  return out;
}

using Spans = std::vector<std::pair<long, long>>;

TEST_F(ReportPages, RowsAndRulesAreLaidOutCellByCell) {
  makeTable({{"甲", "A", "12"}, {"乙", "A", "3"}});
  ReportTemplate t = smallSheet();
  column(t, "AMOUNT")[kAlignment] = QStringLiteral("右对齐");
  ReportRun run(t, table_, 96);
  ASSERT_TRUE(run.calculate(kOpenRange, kOpenRange));
  EXPECT_EQ(run.pages().rowsPerPage, 5);
  const Sheet sheet = run.sheet(1);
  EXPECT_EQ(sheet.size, QSize(378, 227));
  // Rule at the top margin, then the row: a separator cell at 38, NAME's two cells from 50, a
  // separator at 74, AMOUNT's three cells from 86 (right-aligned: "12" is one cell wide) and
  // the closing separator at 122.
  EXPECT_EQ(linesAt(sheet, 38), QStringList({"38 38 ├──┼───┤"}));
  EXPECT_EQ(linesAt(sheet, 50),
            QStringList({"50 38 │", "50 50 甲", "50 74 │", "50 110 12", "50 122 │"}));
  EXPECT_EQ(linesAt(sheet, 74),
            QStringList({"74 38 │", "74 50 乙", "74 74 │", "74 116 3", "74 122 │"}));
  // Three empty rows fill the table, then the bottom rule closes it.
  EXPECT_EQ(linesAt(sheet, 146), QStringList({"146 38 │", "146 74 │", "146 122 │"}));
  EXPECT_EQ(linesAt(sheet, 158), QStringList({"158 38 └──┴───┘"}));
  for (const SheetItem& item : sheet.items) {
    const auto& text = std::get<SheetText>(item);
    EXPECT_NEAR(text.baseline - text.origin.y(), 10.56, 0.005) << "the bar fills the line";
    EXPECT_EQ(text.clip.height(), 12);
  }
}

TEST_F(ReportPages, TitlesHeaderRowAndTailTakeTheirLinesOnATurnedSheet) {
  makeNumbered(10);
  ReportTemplate t = smallSheet();
  t.landscape = true;  // 227 wide, 378 high
  t.defaultHeader = true;
  t.sections[kMainTitle].text = QStringLiteral("报表");
  t.sections[kMainTitle].alignment = TextAlignment::Centre;
  t.sections[kTailText].lines = {QStringLiteral("尾")};
  t.sections[kTailText].spacing = 2;  // 8 pixels
  ReportRun run(t, table_, 96);
  ASSERT_TRUE(run.calculate(kOpenRange, kOpenRange));
  // The title line is 17 high (ascent and descent of the font); the top rule and the column
  // titles take 12 each, so rows start at 79; the tail block takes 8 + 17. That leaves
  // (378 - 79 - 38 - 25) / 12 = 19 lines for (19 - 1) / 2 = 9 rows.
  EXPECT_EQ(run.pages().rowsPerPage, 9);
  const Sheet sheet = run.sheet(1);
  EXPECT_EQ(sheet.size, QSize(227, 378));
  EXPECT_EQ(linesAt(sheet, 38), QStringList({"38 102 报表"}));  // centred between 38 and 189
  EXPECT_EQ(linesAt(sheet, 55), QStringList({"55 38 ┌──┬───┐"}));
  EXPECT_EQ(linesAt(sheet, 67),
            QStringList({"67 38 │", "67 50 NAME", "67 74 │", "67 86 AMOUNT", "67 122 │"}));
  EXPECT_EQ(linesAt(sheet, 91).mid(1, 1), QStringList({"91 50 R1"}));
  EXPECT_EQ(linesAt(sheet, 295), QStringList({"295 38 └──┴───┘"}));
  EXPECT_EQ(linesAt(sheet, 315), QStringList({"315 38 尾"}));
}

TEST_F(ReportPages, ATableWiderThanItsBandIsCutAtTheBandsEdge) {
  makeNumbered(1);
  ReportTemplate t = smallSheet();
  column(t, "AMOUNT")[kWidth] = "999";
  column(t, kTotalRowNo)[kPrinted] = kChecked;
  ReportRun run(t, table_, 96);
  ASSERT_TRUE(run.calculate(kOpenRange, kOpenRange));
  // 总序号 from 50, NAME from 98, AMOUNT from 134 to the band's right edge at 340: nothing of
  // the row lies past it, not even a sliver of the closing separator.
  EXPECT_EQ(linesAt(run.sheet(1), 50),
            QStringList({"50 38 │", "50 50 1", "50 86 │", "50 98 R1", "50 122 │", "50 134 1"}));
}

TEST_F(ReportPages, UngroupedPagesHoldRowsPerPageRecords) {
  makeNumbered(12);
  ReportTemplate t = smallSheet();
  ColumnTotals totals(t, printedColumns(t, &table_));
  EXPECT_EQ(spans(calpage(t, table_, 5, kOpenRange, kOpenRange, totals)),
            (Spans{{1, 5}, {6, 10}, {11, 12}}));
  t.pageTotals = true;  // the page total takes a row
  EXPECT_EQ(spans(calpage(t, table_, 5, kOpenRange, kOpenRange, totals)),
            (Spans{{1, 4}, {5, 8}, {9, 12}}));
  EXPECT_TRUE(calpage(t, table_, 1, kOpenRange, kOpenRange, totals).empty())
      << "a page that fits only its total row holds no records";
}

TEST_F(ReportPages, GroupsStartPagesAndRangesSelectGroups) {
  makeTable({{"1", "A", "1"}, {"2", "A", "1"}, {"3", "A", "1"}, {"4", "B", "1"}});
  ReportTemplate t = smallSheet();
  t.grouping = true;
  t.groupField = "GRP";
  ColumnTotals totals(t, printedColumns(t, &table_));
  const PageList list = calpage(t, table_, 2, kOpenRange, kOpenRange, totals);
  ASSERT_EQ(list.pages.size(), 3u);
  EXPECT_EQ(spans(list), (Spans{{1, 2}, {3, 3}, {4, 4}}));
  EXPECT_EQ(list.pages[1].group, 1);
  EXPECT_EQ(list.pages[1].pageInGroup, 2);
  EXPECT_EQ(list.pages[2].group, 2);
  ASSERT_EQ(list.groups.size(), 2u);
  EXPECT_EQ(list.groups[0].value, "A");
  EXPECT_EQ(list.groups[0].pages, 2);
  EXPECT_EQ(list.groups[1].first, 4);

  table_.close();
  makeTable({{"1", "A", "1"}, {"2", "A", "1"}, {"3", "B", "1"}, {"4", "B", "1"}, {"5", "C", "1"}});
  EXPECT_EQ(spans(calpage(t, table_, 5, "B", "B", totals)), (Spans{{3, 4}}));
  EXPECT_EQ(spans(calpage(t, table_, 5, "B", kOpenRange, totals)), (Spans{{3, 4}, {5, 5}}));
  EXPECT_TRUE(calpage(t, table_, 5, "Z", kOpenRange, totals).empty());
}

TEST_F(ReportPages, TotalRowsAreReservedOnTheirPage) {
  // clang-format off
  makeTable({{"1", "A", "1"}, {"2", "A", "2"}, {"3", "A", "x"}, {"4", "A", "3"}, {"5", "A", "4"},
             {"6", "B", "10"}, {"7", "B", ""}, {"8", "B", "5"}});
  // clang-format on
  ReportTemplate t = smallSheet();
  t.grouping = t.groupTotals = t.grandTotals = t.pageTotals = true;
  t.groupField = "GRP";
  GridColumn& amount = column(t, "AMOUNT");
  amount[kPageSum] = amount[kGroupSum] = amount[kGrandSum] = kChecked;
  amount[kAlignment] = QStringLiteral("右对齐");
  column(t, "NAME")[kGroupLabel] = QStringLiteral("组计");
  ReportRun run(t, table_, 96);
  ASSERT_TRUE(run.calculate(kOpenRange, kOpenRange));
  // Five rows fit and the page total takes one: 4 records a page. B's three records would leave
  // no room for its group and grand total rows, so its last record goes to a page of its own.
  EXPECT_EQ(spans(run.pages()), (Spans{{1, 4}, {5, 5}, {6, 7}, {8, 8}}));

  // Records 1, 2, x, 3: the value that is no number counts 0; it does not reset the sum.
  const Sheet first = run.sheet(1);
  EXPECT_EQ(linesAt(first, 146), QStringList({"146 38 │", "146 74 │", "146 116 6", "146 122 │"}));
  // Page 2: its record, two empty rows, the page total, then A's group total.
  const Sheet second = run.sheet(2);
  EXPECT_TRUE(linesAt(second, 122).contains("122 116 4"));
  EXPECT_TRUE(linesAt(second, 146).contains("146 50 组计"));
  EXPECT_TRUE(linesAt(second, 146).contains("146 110 10"));
  const Sheet third = run.sheet(3);
  EXPECT_TRUE(linesAt(third, 146).contains("146 110 10")) << "an empty value adds nothing";
  const Sheet last = run.sheet(4);
  EXPECT_TRUE(linesAt(last, 98).contains("98 116 5"));
  EXPECT_TRUE(linesAt(last, 122).contains("122 110 15"));
  EXPECT_TRUE(linesAt(last, 146).contains("146 110 25"));
  // Every table ends on the same line: nothing was pushed below the space counted.
  for (const Sheet* s : {&first, &second, &third, &last})
    EXPECT_EQ(linesAt(*s, 158), QStringList({"158 38 └──┴───┘"}))
        << texts(*s).join("\n").toStdString();
}

TEST_F(ReportPages, RowNumbersTokensAndFieldsFollowTheirPage) {
  // clang-format off
  makeTable({{"a", "A", "1"}, {"b", "A", "1"}, {"c", "A", "1"}, {"d", "A", "1"}, {"e", "A", "1"},
             {"f", "A", "1"}, {"[GRP]", "B", "1"}});
  // clang-format on
  ReportTemplate t = smallSheet();
  t.grouping = true;
  t.groupField = "GRP";
  t.printEmptyRows = false;
  column(t, kTotalRowNo)[kPrinted] = column(t, kGroupRowNo)[kPrinted] = kChecked;
  column(t, kPageRowNo)[kPrinted] = kChecked;
  t.sections[kPageFooter].text = QStringLiteral("[PageNum]/[PageCou] 组[GPageNum]/[GPageCou]");
  t.sections[kHeadText].lines = {QStringLiteral("[NAME]")};
  ReportRun run(t, table_, 96);
  ASSERT_TRUE(run.calculate(kOpenRange, kOpenRange));
  ASSERT_EQ(spans(run.pages()), (Spans{{1, 5}, {6, 6}, {7, 7}}));

  // The head text takes the first line (17 high in its font): rows start at 55 + 12.
  const QStringList second = texts(run.sheet(2));
  EXPECT_TRUE(second.contains("189 38 2/3 组2/2")) << second.join("\n").toStdString();
  EXPECT_TRUE(second.contains("38 38 f"));
  // Grid order: the page, group and report row numbers (3 cells each), NAME, AMOUNT.
  EXPECT_EQ(linesAt(run.sheet(2), 67).join("|"),
            QStringLiteral("67 38 │|67 50 1|67 86 │|67 98 6|67 134 │|67 146 6|67 182 │|"
                           "67 194 f|67 218 │|67 230 1|67 266 │"));
  const QStringList third = texts(run.sheet(3));
  EXPECT_TRUE(third.contains("38 38 [GRP]")) << "a value that looks like a token prints as is";
  EXPECT_TRUE(third.contains("189 38 3/3 组1/1"));
  EXPECT_TRUE(
      texts(run.emptyLayout()).contains("189 38 [PageNum]/[PageCou] 组[GPageNum]/[GPageCou]"));
}

TEST_F(ReportPages, TablesAcrossShowFollowingPagesSideBySide) {
  makeNumbered(12);
  ReportTemplate t = smallSheet();
  t.tablesAcross = 2;
  ReportRun run(t, table_, 96);
  ASSERT_TRUE(run.calculate(kOpenRange, kOpenRange));
  EXPECT_EQ(run.sheetCount(), 2);
  const Sheet first = run.sheet(1);
  EXPECT_EQ(first.pages, std::vector<int>({1, 2}));
  // Bands of round((340 - 38) / 2) = 151 pixels: the second starts at 189.
  EXPECT_EQ(linesAt(first, 50).mid(0, 2), QStringList({"50 38 │", "50 50 R1"}));
  EXPECT_TRUE(linesAt(first, 50).contains("50 201 R6"));
  const Sheet second = run.sheet(2);
  EXPECT_EQ(second.pages, std::vector<int>({3}));
  EXPECT_THROW(run.sheet(3), ReportError);
  EXPECT_THROW(run.sheet(0), ReportError);
  EXPECT_TRUE(linesAt(second, 50).contains("50 50 R11"));
  for (const QString& line : texts(second)) EXPECT_LT(line.section(' ', 1, 1).toInt(), 189);
}

TEST_F(ReportPages, EveryPrintedColumnIsCheckedBeforeAnything) {
  makeNumbered(3);
  ReportTemplate t = smallSheet();
  const auto errorOf = [&](const ReportTemplate& bad) {
    try {
      ReportRun run(bad, table_, 96);
    } catch (const ReportError& e) {
      return e.text();
    }
    return QStringLiteral("(no error)");
  };
  ReportTemplate wide = t;
  column(wide, "AMOUNT")[kWidth] = "3x";
  EXPECT_EQ(errorOf(wide), QStringLiteral("第6列[AMOUNT]的打印宽度\"3x\"不是0到999之间的整数"));
  column(wide, "AMOUNT")[kWidth] = "-1";
  EXPECT_TRUE(errorOf(wide).contains("AMOUNT"));
  ReportTemplate renamed = t;
  column(renamed, "NAME")[kFieldName] = "NAMX";
  EXPECT_EQ(errorOf(renamed), QStringLiteral("第4列的字段[NAMX]在数据表中不存在"));
  column(renamed, "NAMX")[kPrinted].clear();
  EXPECT_EQ(errorOf(renamed), "(no error)") << "a column that is not printed is not checked";
}

TEST_F(ReportPages, TheLogoIsDrawnLastWithoutItsBackground) {
  makeNumbered(1);
  ReportTemplate t = smallSheet();
  t.printLogo = true;
  t.logoLeft = 50;
  t.logoTop = 5;
  t.logoWidth = 20;
  t.logoHeight = 10;
  QImage picture(4, 2, QImage::Format_RGB32);
  picture.fill(Qt::white);
  picture.setPixel(1, 0, qRgb(255, 0, 0));
  const QString logo = QString::fromStdString(dir_.file("salests0.bmp"));
  ASSERT_TRUE(picture.save(logo, "BMP"));
  ReportRun run(t, table_, 96, logo);
  ASSERT_TRUE(run.calculate(kOpenRange, kOpenRange));
  const Sheet sheet = run.sheet(1);
  const auto* image = std::get_if<SheetImage>(&sheet.items.back());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->target, QRect(QPoint(189, 19), QPoint(264, 56)));  // 50..70 mm, 5..15 mm
  EXPECT_EQ(qAlpha(image->image.pixel(0, 0)), 0);
  EXPECT_EQ(image->image.pixel(1, 0), qRgb(255, 0, 0));

  t.logoTransparent = false;
  ReportRun opaque(t, table_, 96, logo);
  ASSERT_TRUE(opaque.calculate(kOpenRange, kOpenRange));
  const Sheet plain = opaque.sheet(1);
  EXPECT_EQ(std::get<SheetImage>(plain.items.back()).image.pixel(0, 0), qRgb(255, 255, 255));
  ReportRun missing(t, table_, 96, logo + "x");
  ASSERT_TRUE(missing.calculate(kOpenRange, kOpenRange));
  EXPECT_TRUE(std::holds_alternative<SheetText>(missing.sheet(1).items.back()));
}

TEST_F(ReportPages, TheCalculationShowsProgressAndLeavesTheTableAlone) {
  makeNumbered(40);
  const std::string bytes = dir_.read("sales.dbf");
  ReportTemplate t = smallSheet();
  table_.moveTo(7);
  const long before = table_.recNo();
  PageProgressPanel panel;
  panel.show();
  ReportRun run(t, table_, 96);
  ASSERT_TRUE(run.calculate(kOpenRange, kOpenRange, panel.reporter()));
  EXPECT_EQ(panel.bar()->maximum(), 40);
  EXPECT_EQ(panel.bar()->value(), 40);
  run.sheet(8);
  EXPECT_EQ(table_.recNo(), before);
  EXPECT_EQ(dir_.read("sales.dbf"), bytes) << "a report changes no byte of its table";
}

}  // namespace
}  // namespace torvanel
