// The head and tail editor as a user works it: text typed into its box, tokens and fields from
// its insert button, font, size, style, alignment, colour and spacing through their controls,
// then 确认 or 取消; the template written with the file writer and read back.

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "app/common/gbk_string.h"
#include "app/reports/head_tail_editor.h"
#include "app/reports/head_tail_text_box.h"
#include "app/reports/report_dialog_parts.h"
#include "app/reports/template_file.h"
#include "tests/reports/report_dialog_user.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

struct HeadTailEditorTest : ::testing::Test {
  test::Workbench w;
  test::User& u = w.user;
  test::TempFolder folder;
  const QString file = folder.file(QStringLiteral("orders.ts0"));
  ReportTemplate t;
  TForm3 editor{&w.main};

  HeadTailEditorTest() {
    writeTemplateFile(file, defaultTemplate());
    t = readTemplateFile(file);
  }

  // Opens the editor on `section`; `steps` act in it and close it. Gives what the editor returns.
  bool edit(Section section, const std::function<void()>& steps) {
    u.whileModal([&](QDialog*) { steps(); });
    return editor.editSection(t, section, {QStringLiteral("NAME"), QStringLiteral("CITY")});
  }
  void click(const QString& text) { u.click(test::buttonOf(&editor, text)); }
  void typeInto(const QString& hint, const QString& text) {
    u.replaceText(test::hinted(&editor, hint), text);
    u.press(Qt::Key_Tab);
  }
  void token(const QString& caption) {
    test::chooseFromArrow(qobject_cast<QToolButton*>(test::hinted(&editor, "插入函数字段")),
                          caption);
  }
  // The template as its file holds it once written.
  ReportTemplate stored() {
    writeTemplateFile(file, t);
    return readTemplateFile(file);
  }
};

TEST_F(HeadTailEditorTest, AFooterWithTokensAFieldAndItsFontReachesTheFile) {
  const bool changed = edit(kPageFooter, [&] {
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("编辑页脚"));
    u.clickInto(editor.textBox());
    u.type(QStringLiteral("第"));
    token(QStringLiteral("页码[PageNum]"));
    u.type(QStringLiteral("页 共"));
    token(QStringLiteral("总页号[PageCou]"));
    token(QStringLiteral("退出"));
    u.type(QStringLiteral("页 "));
    // The button itself lists the fields; "退出" only hides the list.
    u.click(test::hinted(&editor, "插入函数字段"));
    ASSERT_TRUE(editor.fieldList()->isVisible());
    u.clickItem(editor.fieldList(), QStringLiteral("退出"));
    EXPECT_FALSE(editor.fieldList()->isVisible());
    u.click(test::hinted(&editor, "插入函数字段"));
    u.clickInto(editor.textBox());  // clicking elsewhere closes it too
    EXPECT_FALSE(editor.fieldList()->isVisible());
    u.press(Qt::Key_End);
    u.click(test::hinted(&editor, "插入函数字段"));
    u.clickItem(editor.fieldList(), QStringLiteral("CITY"));
    EXPECT_FALSE(editor.fieldList()->isVisible());
    click(QStringLiteral("粗体"));
    click(QStringLiteral("下画线"));
    click(QStringLiteral("右对齐"));
    typeInto(QStringLiteral("设定字号"), QStringLiteral("14"));
    u.replaceText(test::boxBesideLabel(&editor, QStringLiteral("与前边间距(毫米):")),
                  QStringLiteral("7"));
    u.press(Qt::Key_Tab);
    u.choose(qobject_cast<QComboBox*>(test::hinted(&editor, "字体颜色")), QStringLiteral("红色"));
    EXPECT_EQ(editor.textBox()->font().pointSize(), 14);
    EXPECT_TRUE(editor.textBox()->font().bold());
    click(QStringLiteral("确认"));
  });
  EXPECT_TRUE(changed);
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();

  const QString text = QStringLiteral("第[PageNum]页 共[PageCou]页 [CITY]");
  const ReportTemplate back = stored();
  EXPECT_TRUE(folder.read(QStringLiteral("orders.ts0")).contains("\r\n" + toGbk(text) + "\r\n"));
  const TextSection& footer = back.sections[kPageFooter];
  EXPECT_EQ(footer.text, text);
  EXPECT_EQ(footer.size, 14);
  // The file keeps the number of styles: bold and underline read back as bold and italic.
  EXPECT_TRUE(footer.bold);
  EXPECT_TRUE(footer.italic);
  EXPECT_FALSE(footer.underline);
  EXPECT_EQ(footer.alignment, TextAlignment::Right);
  EXPECT_EQ(footer.colour, 0x0000FF);
  EXPECT_EQ(footer.spacing, 7);
  EXPECT_EQ(footer.caption, QStringLiteral("编辑页脚"));
  EXPECT_TRUE(back.sections[kPageHeader].text.isEmpty());
}

TEST_F(HeadTailEditorTest, TheHeadTextTakesLinesInABoxOneBandWide) {
  t.tablesAcross = 2;
  t.sections[kHeadText].lines = {QStringLiteral("旧的一行")};
  const bool changed = edit(kHeadText, [&] {
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("编辑表头"));
    const int dpi = editor.logicalDpiX();
    EXPECT_EQ(editor.textBox()->width(), mmToPixels(210 - 30, dpi) / 2);
    EXPECT_EQ(editor.textBox()->x(), mmToPixels(15, dpi));
    EXPECT_EQ(editor.textBox()->text(), QStringLiteral("旧的一行"));
    u.clickInto(editor.textBox());
    u.press(Qt::Key_End, Qt::ControlModifier);
    u.press(Qt::Key_Return);
    u.type(QStringLiteral("第[PageNum]页"));
    u.press(Qt::Key_Return);
    u.type(QStringLiteral("甲乙"));
    // Every line takes the alignment, the short last one too.
    click(QStringLiteral("右对齐"));
    EXPECT_GT(editor.textBox()->cursorRect().right(),
              editor.textBox()->viewport()->width() * 9 / 10);
    click(QStringLiteral("确认"));
  });
  EXPECT_TRUE(changed);
  EXPECT_EQ(stored().sections[kHeadText].lines,
            QStringList({QStringLiteral("旧的一行"), QStringLiteral("第[PageNum]页"),
                         QStringLiteral("甲乙")}));
  EXPECT_TRUE(folder.read(QStringLiteral("orders.ts0"))
                  .contains(toGbk(QStringLiteral("3\r\n旧的一行\r\n第[PageNum]页\r\n甲乙\r\n"))));
}

TEST_F(HeadTailEditorTest, AOneLineSectionTakesNoLineBreakAndNoMoreThanItsLength) {
  t.sections[kMainTitle].maxLength = 12;
  const bool changed = edit(kMainTitle, [&] {
    u.clickInto(editor.textBox());
    u.type(QStringLiteral("销售"));
    u.press(Qt::Key_Return);  // neither a line break nor the dialog's 确认
    EXPECT_TRUE(editor.isVisible());
    u.type(QStringLiteral("报表ABCDEFGH"));
    EXPECT_EQ(editor.textBox()->text(), QStringLiteral("销售报表ABCDEFGH"));
    u.type(QStringLiteral("XY"));
    token(QStringLiteral("页码[PageNum]"));  // a token that does not fit is not cut
    click(QStringLiteral("确认"));
  });
  EXPECT_TRUE(changed);
  EXPECT_EQ(stored().sections[kMainTitle].text, QStringLiteral("销售报表ABCDEFGH"));
}

TEST_F(HeadTailEditorTest, CancelLeavesTheSectionAsItWas) {
  t.sections[kSubtitle].text = QStringLiteral("副题");
  const QStringList before = templateLines(t);
  const bool changed = edit(kSubtitle, [&] {
    u.clickInto(editor.textBox());
    u.type(QStringLiteral("改了"));
    click(QStringLiteral("斜体"));
    click(QStringLiteral("中间对齐"));
    typeInto(QStringLiteral("设定字号"), QStringLiteral("30"));
    auto* fonts = qobject_cast<QComboBox*>(test::hinted(&editor, "选择字体"));
    ASSERT_GT(fonts->count(), 0);
    u.choose(fonts, fonts->itemText(fonts->count() - 1));
    click(QStringLiteral("取消"));
  });
  EXPECT_FALSE(changed);
  EXPECT_EQ(templateLines(t), before);
}

TEST_F(HeadTailEditorTest, ATextGbkCannotHoldIsRefusedNamingTheSection) {
  t.tablesAcross = 3;
  const bool changed = edit(kTailText, [&] {
    EXPECT_EQ(editor.textBox()->width(), mmToPixels(210 - 30, editor.logicalDpiX()) / 3);
    u.clickInto(editor.textBox());
    u.type(QStringLiteral("合计😀"));
    click(QStringLiteral("确认"));
    EXPECT_TRUE(editor.isVisible());
    ASSERT_EQ(w.dialogs.messages.size(), 1);
    EXPECT_TRUE(w.dialogs.messages[0].startsWith(QStringLiteral("表尾")))
        << w.dialogs.messages[0].toStdString();
    u.replaceText(editor.textBox(), QStringLiteral("合计"));
    click(QStringLiteral("确认"));
  });
  EXPECT_TRUE(changed);
  EXPECT_EQ(stored().sections[kTailText].lines, QStringList{QStringLiteral("合计")});
}

TEST_F(HeadTailEditorTest, EmptyOrNegativeNumbersBecomeTheirLeast) {
  t.sections[kPageHeader].size = 20;
  t.sections[kPageHeader].spacing = 12;
  const bool changed = edit(kPageHeader, [&] {
    typeInto(QStringLiteral("设定字号"), QString());
    u.replaceText(test::boxBesideLabel(&editor, QStringLiteral("与前边间距(毫米):")),
                  QStringLiteral("-"));
    u.press(Qt::Key_Tab);
    click(QStringLiteral("确认"));
  });
  EXPECT_TRUE(changed);
  EXPECT_EQ(stored().sections[kPageHeader].size, 5);
  EXPECT_EQ(stored().sections[kPageHeader].spacing, 0);
}

TEST_F(HeadTailEditorTest, AFontNotInstalledStaysUntilAnotherIsChosen) {
  const QStringList installed = QFontDatabase::families();
  ASSERT_FALSE(installed.isEmpty());
  t.sections[kPageHeader].fontName = QStringLiteral("没有这种字体");
  t.sections[kPageFooter].fontName = QStringLiteral("没有这种字体");
  EXPECT_TRUE(edit(kPageHeader, [&] {
    EXPECT_EQ(qobject_cast<QComboBox*>(test::hinted(&editor, "选择字体"))->currentText(),
              QStringLiteral("没有这种字体"));
    click(QStringLiteral("确认"));
  }));
  EXPECT_EQ(stored().sections[kPageHeader].fontName, QStringLiteral("没有这种字体"));
  // A typed name that is not in the list picks its entry 88, or its first when it is shorter.
  EXPECT_TRUE(edit(kPageFooter, [&] {
    typeInto(QStringLiteral("选择字体"), QStringLiteral("另一种没有的字体"));
    click(QStringLiteral("确认"));
  }));
  EXPECT_EQ(stored().sections[kPageFooter].fontName, installed[installed.size() > 88 ? 88 : 0]);
}

TEST_F(HeadTailEditorTest, AlignmentPlacesTheLinesAndScrollsThePageToTheAlignedSide) {
  t.paperType = 2;  // A3 turned: a page wider than the view
  t.paperWidth = 297;
  t.paperHeight = 420;
  t.landscape = true;
  t.sections[kSubtitle].alignment = TextAlignment::Right;
  t.sections[kSubtitle].text = QStringLiteral("副标题");
  edit(kSubtitle, [&] {
    QScrollBar* bar = editor.findChild<QScrollArea*>()->horizontalScrollBar();
    // Where the text ends in its box, the caret standing at its end.
    const auto textEnd = [&] { return editor.textBox()->cursorRect().right(); };
    const int boxWidth = editor.textBox()->viewport()->width();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());  // opened on its aligned side
    EXPECT_GT(textEnd(), boxWidth * 9 / 10);
    click(QStringLiteral("左对齐"));
    EXPECT_LT(textEnd(), boxWidth / 10);
    click(QStringLiteral("右对齐"));
    EXPECT_EQ(bar->value(), bar->maximum());
    click(QStringLiteral("中间对齐"));
    EXPECT_GT(bar->value(), 0);
    EXPECT_LT(bar->value(), bar->maximum());
    EXPECT_GT(textEnd(), boxWidth / 2);
    EXPECT_LT(textEnd(), boxWidth * 6 / 10);
    click(QStringLiteral("左对齐"));
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(editor.textBox()->width(), mmToPixels(420 - 30, editor.logicalDpiX()));
    click(QStringLiteral("确认"));
  });
  EXPECT_EQ(stored().sections[kSubtitle].alignment, TextAlignment::Left);
}

}  // namespace
}  // namespace torvanel
