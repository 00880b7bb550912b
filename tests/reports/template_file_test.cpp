#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/common/file_error.h"
#include "app/common/gbk_string.h"
#include "app/reports/template_file.h"
#include "tests/support/temp_folder.h"

namespace torvanel {
namespace {

using test::TempFolder;

QString errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& e) {
    return e.text();
  }
  return QStringLiteral("(no error)");
}

ReportTemplate reconciled(const QStringList& fields) {
  ReportTemplate t = defaultTemplate();
  reconcile(t, fields, std::vector<int>(fields.size(), 10));
  return t;
}

// A template with a value off its default in every group of lines.
ReportTemplate unusual() {
  ReportTemplate t = reconciled({"客户", "金额"});
  t.paperType = 8;
  t.paperWidth = 300;
  t.paperHeight = 200;
  t.landscape = true;
  t.tablesAcross = 3;
  t.leftMargin = 5;
  t.bottomMargin = 20;
  t.printLogo = true;
  t.logoTransparent = false;
  t.logoLeft = 40;
  t.sections[kMainTitle].text = QStringLiteral("销售月报 [PrinDate]");
  t.sections[kHeadText].lines = {QStringLiteral("第一行"), QString(), QStringLiteral("[客户]")};
  t.sections[kBody].fontName = QStringLiteral("某个没有的字体");
  t.sections[kBody].size = 12;
  t.sections[kBody].bold = true;
  t.sections[kBody].alignment = TextAlignment::Right;
  t.sections[kBody].colour = -16776961;
  t.sections[kTailText].spacing = 7;
  t.grid.columns[4][kWidth] = QStringLiteral("8");
  t.grid.columns[4][kPageSum] = kChecked;
  t.grouping = t.groupTotals = t.grandTotals = true;
  t.groupField = QStringLiteral("客户");
  t.defaultHeader = true;
  t.ruleStyle = RuleStyle::HorizontalOnly;
  t.lineStyle = LineStyle::ThickDashed;
  t.printEmptyRows = false;
  return t;
}

TEST(TemplateFile, WritesGbkCrLfAndReadsBackEveryValue) {
  TempFolder dir;
  const ReportTemplate t = unusual();
  writeTemplateFile(dir.file("orders.ts0"), t);
  const QByteArray bytes = dir.read("orders.ts0");
  EXPECT_TRUE(bytes.startsWith("8\r\n300\r\n200\r\n1\r\n3\r\n5\r\n15\r\n15\r\n20\r\n1\r\n0\r\n"));
  EXPECT_TRUE(
      bytes.contains(toGbk(QStringLiteral("\r\n销售月报 [PrinDate]\r\n0\r\n编辑主标题\r\n"
                                          "宋体\r\n9\r\n0\r\n2\r\n0\r\n256\r\n0\r\n"))));
  EXPECT_TRUE(
      bytes.contains("\r\n3\r\n" + toGbk(QStringLiteral("第一行\r\n\r\n[客户]\r\n1\r\n编辑表头"))));
  EXPECT_FALSE(bytes.contains("\n\n")) << "every line ends CR LF";
  EXPECT_TRUE(bytes.endsWith(
      toGbk(QStringLiteral("\r\n金额\r\n1\r\n1\r\n0\r\n1\r\n客户\r\n1\r\n1\r\n3\r\n0\r\n"))));

  const ReportTemplate back = readTemplateFile(dir.file("orders.ts0"));
  EXPECT_EQ(templateLines(back), templateLines(t));
  EXPECT_EQ(back.sections[kBody].fontName, QStringLiteral("某个没有的字体"));
  EXPECT_EQ(back.sections[kBody].colour, -16776961);
  EXPECT_EQ(back.grid.columns.size(), t.grid.columns.size());
}

TEST(TemplateFile, StylesAreStoredAsACount) {
  ReportTemplate t = defaultTemplate();
  t.sections[kMainTitle].italic = true;                                 // italic alone
  t.sections[kSubtitle].bold = t.sections[kSubtitle].underline = true;  // bold and underline
  const ReportTemplate back = parseTemplate(templateLines(t), "x");
  const TextSection& title = back.sections[kMainTitle];
  EXPECT_TRUE(title.bold && !title.italic && !title.underline);
  const TextSection& subtitle = back.sections[kSubtitle];
  EXPECT_TRUE(subtitle.bold && subtitle.italic && !subtitle.underline);
}

TEST(TemplateFile, StoredValuesAreClampedToTheirRanges) {
  ReportTemplate t = defaultTemplate();
  QStringList lines = templateLines(t);
  lines[0] = "9";                  // paper type beyond the list
  lines[1] = "20";                 // paper narrower than its margins
  lines[4] = "0";                  // no tables across would divide by zero
  lines[11] = "-5";                // logo width
  lines[lines.size() - 3] = "7";   // rule style beyond the character table
  lines[lines.size() - 2] = "-1";  // line style
  const ReportTemplate back = parseTemplate(lines, "x");
  EXPECT_EQ(back.paperType, 0);
  EXPECT_EQ(back.paperWidth, 30);
  EXPECT_EQ(back.paperHeight, 297) << "the stored height stays with type 0";
  EXPECT_EQ(back.tablesAcross, 1);
  EXPECT_EQ(back.logoWidth, 10);
  EXPECT_EQ(back.ruleStyle, RuleStyle::None);
  EXPECT_EQ(back.lineStyle, LineStyle::ThinSolid);

  lines = templateLines(t);
  lines[4] = "4000000000";  // past int: saturates, then clamps
  lines[19] = "12 pt";      // what follows a number is skipped
  lines[24] = "77";         // the main title's spacing
  lines[29] = "1000";       // the subtitle's size
  const ReportTemplate big = parseTemplate(lines, "x");
  EXPECT_EQ(big.tablesAcross, 10);
  EXPECT_EQ(big.sections[kMainTitle].size, 12);
  EXPECT_EQ(big.sections[kMainTitle].spacing, 30);
  EXPECT_EQ(big.sections[kSubtitle].size, 72);
}

TEST(TemplateFile, DamageIsReportedWithFileAndLine) {
  const QStringList good = templateLines(defaultTemplate());
  QStringList lines = good;
  lines[5] = "左";
  EXPECT_EQ(errorOf([&] { parseTemplate(lines, "/p/a.ts0"); }),
            QStringLiteral("摸板文件[/p/a.ts0]第6行: 应为数字, 实为\"左\""));
  lines = good.mid(0, 40);
  EXPECT_EQ(errorOf([&] { parseTemplate(lines, "a.ts0"); }),
            QStringLiteral("摸板文件[a.ts0]第41行: 文件提前结束"));
  lines = good;
  const int rows = 15 + 7 * 10;  // the grid's row count, after seven sections without lines
  lines[rows] = "12";
  EXPECT_EQ(errorOf([&] { parseTemplate(lines, "a.ts0"); }),
            QStringLiteral("摸板文件[a.ts0]第%1行: 表格行数必须为11").arg(rows + 1));
  lines = good;
  lines[rows + 1] = "2000000000";  // a column count no table has: refused, nothing allocated
  EXPECT_TRUE(errorOf([&] { parseTemplate(lines, "a.ts0"); }).contains("表格列数"));
  lines = good;
  lines[15 + 4 * 10] = "-1";  // the head text's line count
  EXPECT_TRUE(errorOf([&] { parseTemplate(lines, "a.ts0"); }).contains("行数不能为负"));
}

TEST(TemplateFile, LoadingKeepsTheModelInHandWhenTheFileIsDamaged) {
  TempFolder dir;
  ReportTemplate inHand = unusual();
  QStringList lines = templateLines(defaultTemplate());
  lines.removeLast();
  dir.write("t.ts1", toGbk(lines.join("\r\n")));
  EXPECT_TRUE(errorOf([&] {
                inHand = loadTemplate(dir.path(), "t.ts1", {"客户"}, {10});
              }).contains(dir.file("t.ts1")));
  EXPECT_EQ(templateLines(inHand), templateLines(unusual()));
}

TEST(TemplateFile, LoadingReconcilesTheGridWithTheTable) {
  TempFolder dir;
  ReportTemplate t = reconciled({"A", "B", "C"});
  std::swap(t.grid.columns[5], t.grid.columns[6]);  // the user dragged C before B
  t.grid.columns[6][kWidth] = "9";                  // B
  t.groupField = "A";
  writeTemplateFile(dir.file("x.ts0"), t);
  bool existed = false;
  const ReportTemplate back =
      loadTemplate(dir.path(), "x.ts0", {"B", "C", "D"}, {4, 0, 7}, &existed);
  EXPECT_TRUE(existed);
  QStringList names;
  for (const GridColumn& c : back.grid.columns) names << c[kFieldName];
  EXPECT_EQ(names, QStringList({"字段名称>>", "页序号", "组序号", "总序号", "C", "B", "D"}));
  EXPECT_EQ(back.grid.columns[5][kWidth], "9");
  EXPECT_EQ(back.grid.columns[6][kWidth], "4") << "a new field: its size halved, rounded up";
  EXPECT_EQ(back.grid.columns[6][kTitle], "D");
  EXPECT_TRUE(back.groupField.isEmpty()) << "A is no field of this table";

  const ReportTemplate fresh = loadTemplate(dir.path(), "没有摸板", {"N"}, {0}, &existed);
  EXPECT_FALSE(existed);
  EXPECT_EQ(fresh.grid.columns.back()[kWidth], "5") << "a field without a size";
  EXPECT_EQ(fresh.grid.columns[3][kPrinted], kChecked) << "总序号 is printed by default";
  EXPECT_TRUE(fresh.grid.columns[1][kPrinted].isEmpty());
}

TEST(TemplateFile, NamesAndPlaces) {
  TempFolder dir;
  EXPECT_EQ(tableBaseName("/data/orders.dbf"), "orders");
  EXPECT_EQ(tableBaseName("orders.db"), "orders");
  dir.write("orders.ts3", "x");
  dir.write("orders.ts0", "x");
  dir.write("orders.ts", "x");
  EXPECT_EQ(tableTemplates(dir.path(), "/elsewhere/orders.DBF"),
            QStringList({"orders.ts0", "orders.ts3"}));
  EXPECT_EQ(logoPath(dir.path(), "orders.ts1", "orders.dbf"), dir.file("ordersts1.bmp"));
  EXPECT_EQ(logoPath(dir.path(), "/v.1/r.x/sales.ts2", "orders.dbf"), "/v.1/r.x/salests2.bmp")
      << "a folder's dot is not the file's";
  EXPECT_EQ(logoPath(dir.path(), "", "/d/orders.dbf"), dir.file("ordersts0.bmp"));
  EXPECT_EQ(templatePath(dir.path(), "/abs/t.ts5"), "/abs/t.ts5");
}

TEST(TemplateFile, AFailedWriteIsReported) {
  TempFolder dir;
  dir.write("plain", "x");
  const QString path = dir.file("plain/k.ts0");  // a file where a folder should be
  EXPECT_TRUE(errorOf([&] { writeTemplateFile(path, defaultTemplate()); }).contains(path));
}

TEST(TemplateFile, LineBreaksInTextsCannotShiftTheFile) {
  ReportTemplate t = defaultTemplate();
  t.sections[kPageFooter].text = "a\r\nb";
  t.sections[kTailText].lines = {"x\ny"};
  const ReportTemplate back = parseTemplate(templateLines(t), "x");
  EXPECT_EQ(back.sections[kPageFooter].text, "a  b");
  EXPECT_EQ(back.sections[kTailText].lines, QStringList({"x y"}));
  EXPECT_EQ(back.printEmptyRows, true);
}

}  // namespace
}  // namespace torvanel
