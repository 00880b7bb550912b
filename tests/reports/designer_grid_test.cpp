// The body tab as a user works it: flag cells toggled and alignment cells stepped by starting to
// edit them, widths typed, a column dragged to a new place, and the hand-drawn header written with
// its pop-up menu; every result read back from the saved template file.

#include <gtest/gtest.h>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTest>

#include "app/reports/designer_body_tab.h"
#include "app/reports/designer_column_grid.h"
#include "app/reports/designer_header_design.h"
#include "app/reports/designer_inputs.h"
#include "app/reports/head_tail_text_box.h"
#include "app/reports/report_manager.h"
#include "tests/reports/designer_user.h"

namespace torvanel {
namespace {

// The default grid of people.dbf: the three row numbers, then NAME and CITY.
enum Column { kPageNo, kGroupNo, kTotalNo, kName, kCity, kColumns };

struct DesignerGridTest : test::DesignerTest {
  ColumnGridView* grid() const { return designer().bodyTab()->grid(); }
  HeaderDesignPage* header() const { return designer().bodyTab()->headerDesign(); }
  QString cell(int row, int column) const {
    return grid()->item(row, column) ? grid()->item(row, column)->text() : QString();
  }
  void doubleClick(int row, int column) {
    const QRect at = grid()->visualRect(grid()->model()->index(row, column));
    // A click, then the second press that the window system reports as a double-click.
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, Qt::NoModifier, at.center());
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, Qt::NoModifier, at.center());
    QApplication::processEvents();
  }
  // Drags the header of visual column `from` and drops it on the far part of column `to`.
  void dragColumn(int from, int to) {
    QHeaderView* h = grid()->horizontalHeader();
    QWidget* v = h->viewport();
    const int y = h->height() / 2;
    const QPoint start(h->sectionViewportPosition(h->logicalIndex(from)) + h->sectionSize(0) / 2,
                       y);
    const int target = h->sectionViewportPosition(h->logicalIndex(to));
    const QPoint end(to < from ? target + 3 : target + h->sectionSize(0) - 3, y);
    QTest::mousePress(v, Qt::LeftButton, Qt::NoModifier, start);
    for (int step = 1; step <= 10; ++step) {
      const QPoint at = start + (end - start) * step / 10;
      QMouseEvent move(QEvent::MouseMove, at, v->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                       Qt::NoModifier);
      QApplication::sendEvent(v, &move);
    }
    QTest::mouseRelease(v, Qt::LeftButton, Qt::NoModifier, end);
    QApplication::processEvents();
  }
  void showHeaderDesign() {
    showTab(QStringLiteral("表体设计"));
    QTabWidget* pages = designer().bodyTab()->pages();
    QTabBar* bar = pages->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(1).center());
    QApplication::processEvents();
  }
  // The grid cells of the saved file, grid column by grid column (captions first).
  std::vector<QStringList> savedColumns(const QString& name, int columns, int blockLines = 0) {
    const QStringList lines = fileLines(name);
    const int first = test::templateLine(QStringLiteral("gridCells"), columns, blockLines);
    std::vector<QStringList> out(static_cast<size_t>(columns));
    for (int r = 0; r < kGridRows; ++r)
      for (int c = 0; c < columns; ++c) out[size_t(c)] << lines.value(first + r * columns + c);
    return out;
  }
};

TEST_F(DesignerGridTest, StartingToEditAFlagTogglesItAndAnAlignmentSteps) {
  test::DesignerTest::arrange(QStringLiteral("people.ts0"), defaultTemplate());
  design([&] {
    showTab(QStringLiteral("表体设计"));
    EXPECT_FALSE(designer().modified());
    u.clickCell(grid(), kPrinted, kName);
    EXPECT_TRUE(designer().modified()) << "selecting a cell counts as a change";
    EXPECT_EQ(cell(kPrinted, kName), kChecked);
    doubleClick(kPrinted, kName);
    EXPECT_EQ(cell(kPrinted, kName), QString());
    doubleClick(kGrandSum, kName);
    doubleClick(kPageSum, kName);
    doubleClick(kPageSum, kName);
    u.clickCell(grid(), kGroupSum, kCity);
    u.type(QStringLiteral("x"));  // a key starts editing too, and types nothing
    EXPECT_EQ(cell(kGroupSum, kCity), kChecked);
    QStringList steps;
    for (int i = 0; i < 4; ++i) {
      doubleClick(kAlignment, kCity);
      steps << cell(kAlignment, kCity);
    }
    EXPECT_EQ(steps, QStringList({QStringLiteral("左对齐"), QStringLiteral("居中"),
                                  QStringLiteral("右对齐"), QString()}));
    doubleClick(kAlignment, kCity);
    u.clickCell(grid(), kWidth, kCity);
    u.type(QStringLiteral("12"));
    u.press(Qt::Key_Return);
    u.clickCell(grid(), kPageLabel, kName);
    u.type(QStringLiteral("本页小计"));
    u.press(Qt::Key_Return);
    command(QStringLiteral("保存"));
    command(QStringLiteral("关闭"));
  });
  const auto columns = savedColumns(QStringLiteral("people.ts0"), 1 + kColumns);
  EXPECT_EQ(columns[1 + kName],
            QStringList({"NAME", "", "4", "", "", "", "√", "本页小计", "", "", "NAME"}));
  EXPECT_EQ(columns[1 + kCity],
            QStringList({"CITY", "√", "12", "左对齐", "", "√", "", "", "", "", "CITY"}));
}

TEST_F(DesignerGridTest, ADraggedColumnIsPrintedInItsNewPlace) {
  design([&] {
    showTab(QStringLiteral("表体设计"));
    dragColumn(kCity, kPageNo);
    EXPECT_EQ(cell(kFieldName, 0), QStringLiteral("CITY"));
    EXPECT_EQ(cell(kFieldName, 1), kPageRowNo);
    EXPECT_TRUE(designer().modified());
    dragColumn(0, kName);  // and back between 总序号 and NAME
    EXPECT_EQ(cell(kFieldName, 3), QStringLiteral("CITY"));
    command(QStringLiteral("保存"));
    command(QStringLiteral("关闭"));
  });
  QStringList names;
  for (const QStringList& c : savedColumns(QStringLiteral("people.ts0"), 1 + kColumns))
    names << c[kFieldName];
  EXPECT_EQ(names, QStringList({"字段名称>>", "页序号", "组序号", "总序号", "CITY", "NAME"}));
}

TEST_F(DesignerGridTest, TheHeaderDesignMenuInsertsTokensAndEditsLines) {
  design([&] {
    showHeaderDesign();
    SectionTextBox* box = header()->box();
    u.clickInto(box);
    u.type(QStringLiteral("姓名:"));
    u.contextMenu(box, QStringLiteral("插入字段"));
    ASSERT_TRUE(header()->fieldList()->isVisible());
    u.clickItem(header()->fieldList(), QStringLiteral("NAME"));
    EXPECT_FALSE(header()->fieldList()->isVisible());
    u.press(Qt::Key_Return);
    u.type(QStringLiteral("删掉的行"));
    u.press(Qt::Key_Return);
    u.contextMenu(box, QStringLiteral("插入函数"));
    u.clickItem(header()->functionList(), QStringLiteral("退出"));
    EXPECT_FALSE(header()->functionList()->isVisible());
    u.contextMenu(box, QStringLiteral("插入函数"));
    u.clickItem(header()->functionList(), QStringLiteral("总页码[PageCou]"));
    EXPECT_EQ(sectionLines(*box), QStringList({"姓名:[NAME]", "删掉的行", "[PageCou]"}));

    u.press(Qt::Key_Up);
    u.contextMenu(box, QStringLiteral("清空行"));
    EXPECT_EQ(sectionLines(*box), QStringList({"姓名:[NAME]", "", "[PageCou]"}));
    u.contextMenu(box, QStringLiteral("删除行"));
    EXPECT_EQ(sectionLines(*box), QStringList({"姓名:[NAME]", "[PageCou]"}));

    EXPECT_FALSE(header()->strip()->isVisible());
    u.contextMenu(box, QStringLiteral("使用默认表头"));
    EXPECT_TRUE(header()->strip()->isVisible());
    EXPECT_LE(box->geometry().bottom(), header()->strip()->geometry().top());
    QMenu* menu = u.openContextMenu(box);
    ASSERT_NE(menu, nullptr);
    QStringList captions;
    for (QAction* a : menu->actions()) captions << a->text();
    menu->close();
    EXPECT_EQ(captions, QStringList({"清空行", "删除行", "取消默认表头", "插入字段", "插入函数"}));
    command(QStringLiteral("保存"));
    command(QStringLiteral("关闭"));
  });
  const QStringList lines = fileLines(QStringLiteral("people.ts0"));
  const int body = test::templateLine(QStringLiteral("headCount"), 0) + 20;
  EXPECT_EQ(lines.mid(body, 3), QStringList({"2", "姓名:[NAME]", "[PageCou]"}));
  EXPECT_EQ(lines.value(test::templateLine(QStringLiteral("defaultHeader"), 1 + kColumns, 2)),
            QStringLiteral("1"));
}

TEST_F(DesignerGridTest, TheDefaultHeaderStripShowsTheColumnTitles) {
  ReportTemplate t = defaultTemplate();
  t.defaultHeader = true;
  reconcile(t, {QStringLiteral("NAME"), QStringLiteral("CITY")}, {8, 8});
  const QImage strip = defaultHeaderStrip(t, 300, 40, 96);
  int dark = 0;
  for (int y = 0; y < strip.height(); ++y)
    for (int x = 0; x < strip.width(); ++x) dark += qGray(strip.pixel(x, y)) < 128;
  EXPECT_GT(dark, 100) << "a rule and a row of titles";
  t.ruleStyle = RuleStyle::None;
  for (GridColumn& c : t.grid.columns) c[kTitle].clear();
  const QImage blank = defaultHeaderStrip(t, 300, 40, 96);
  EXPECT_EQ(blank.pixel(150, 20), QColor(Qt::white).rgb());
}

}  // namespace
}  // namespace torvanel
