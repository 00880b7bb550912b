// The page tab, the body font and the grouping as a user sets them: paper chosen and typed,
// margins that keep the paper larger, the thumbnail, the font toggles, the group range that opens
// again whenever the grouping changes, and the title editor and logo dialog opened from the tab;
// results read back from the saved file.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/reports/designer_body_tab.h"
#include "app/reports/designer_font_group.h"
#include "app/reports/designer_group_panel.h"
#include "app/reports/designer_head_tail_tab.h"
#include "app/reports/designer_page_picture.h"
#include "app/reports/designer_page_tab.h"
#include "app/reports/head_tail_text_box.h"
#include "app/reports/report_dialog_parts.h"
#include "app/reports/report_manager.h"
#include "tests/reports/designer_user.h"
#include "tests/reports/report_dialog_user.h"

namespace torvanel {
namespace {

struct DesignerPageTest : test::DesignerTest {
  DesignerPageTab* page() const { return designer().pageTab(); }
  NumberBox* number(const char* caption) const {
    return page()->numberBox(QString::fromUtf8(caption));
  }
  // Types `text` over the number box and leaves it with Tab, as a user moves on.
  void typeNumber(const char* caption, const QString& text) {
    typeOver(number(caption), text);
    u.press(Qt::Key_Tab);
  }
  QString saved(const QString& what) const {
    return fileLines(QStringLiteral("people.ts0")).value(test::templateLine(what, 6));
  }
};

TEST_F(DesignerPageTest, PaperSizesFollowThePaperAndStayLargerThanTheMargins) {
  design([&] {
    u.choose(page()->paperList(), QStringLiteral("A3  (297x420mm)"));
    EXPECT_EQ(number("宽    度：")->value(), 297);
    EXPECT_EQ(number("高    度：")->value(), 420);
    u.choose(page()->paperList(), QStringLiteral("自定义         "));
    EXPECT_EQ(number("宽    度：")->value(), 297);  // the user's own size keeps them
    typeNumber("宽    度：", QStringLiteral("20"));
    EXPECT_EQ(number("宽    度：")->value(), 30) << "raised to left + right margin";
    typeNumber("左边距：", QStringLiteral("100"));
    EXPECT_EQ(number("宽    度：")->value(), 115);
    typeNumber("上边距：", QString());  // left empty: back to 0
    EXPECT_EQ(number("上边距：")->value(), 0);
    typeNumber("高    度：", QStringLiteral("-5"));
    EXPECT_EQ(number("高    度：")->value(), 15) << "0, then raised to the bottom margin";
    command(QStringLiteral("保存"));
    command(QStringLiteral("关闭"));
  });
  EXPECT_EQ(saved(QStringLiteral("paperType")), QStringLiteral("8"));
  EXPECT_EQ(saved(QStringLiteral("paperWidth")), QStringLiteral("115"));
  EXPECT_EQ(saved(QStringLiteral("paperHeight")), QStringLiteral("15"));
  EXPECT_EQ(saved(QStringLiteral("leftMargin")), QStringLiteral("100"));
}

TEST_F(DesignerPageTest, TheThumbnailDrawsThePageItsMarginsAndTheirRedLines) {
  ReportTemplate t = defaultTemplate();  // A4 portrait, 15 mm margins
  QImage image = pageThumbnail(t);
  ASSERT_EQ(image.size(), QSize(161, 161));
  // The page: 74 x 105 pixels at (43, 28); the margins 5 pixels; the shadow 2 pixels off.
  const auto at = [&](int x, int y) { return QColor(image.pixel(x, y)); };
  EXPECT_EQ(at(0, 0), QColor(0x80, 0x80, 0x80));
  EXPECT_EQ(at(44, 29), QColor(Qt::white));
  EXPECT_EQ(at(43 + 74, 28 + 50), QColor(Qt::black)) << "shadow right of the page";
  EXPECT_EQ(at(43 + 73, 28 + 50), QColor(Qt::white));
  EXPECT_EQ(at(48, 60), QColor(Qt::black)) << "the print area's left side";
  EXPECT_EQ(at(60, 32), QColor(Qt::red)) << "just above the print area";
  EXPECT_EQ(at(60, 33), QColor(Qt::black));
  EXPECT_EQ(at(60, 61), QColor(Qt::white));

  t.landscape = true;
  image = pageThumbnail(t);
  EXPECT_EQ(QColor(image.pixel(28 + 104, 80)), QColor(Qt::white)) << "turned: 105 wide";
  EXPECT_EQ(QColor(image.pixel(80, 43 - 1)), QColor(0x80, 0x80, 0x80)) << "and 74 high";

  t.paperWidth = t.paperHeight = 5000;  // drawn as 400 mm: 141 pixels, centred
  image = pageThumbnail(t);
  EXPECT_EQ(QColor(image.pixel(12, 12)), QColor(Qt::white));
  EXPECT_EQ(QColor(image.pixel(9, 80)), QColor(0x80, 0x80, 0x80));
}

TEST_F(DesignerPageTest, TheBodyFontIsAppliedAtOnceAndSaved) {
  design([&] {
    showTab(QStringLiteral("表体设计"));
    DesignerFontGroup* font = designer().bodyTab()->fontGroup();
    u.click(font->button(QStringLiteral("粗体")));
    u.click(font->button(QStringLiteral("斜体")));
    u.click(font->button(QStringLiteral("右对齐")));
    typeOver(font->sizeBox(), QStringLiteral("14"));
    u.press(Qt::Key_Return);
    EXPECT_TRUE(font->sample()->font().bold());
    EXPECT_TRUE(font->sample()->font().italic());
    EXPECT_EQ(font->sample()->font().pointSize(), 14);
    EXPECT_TRUE(font->button(QStringLiteral("右对齐"))->isChecked());
    EXPECT_FALSE(font->button(QStringLiteral("左对齐"))->isChecked());
    // A font that is not installed takes an entry of the list.
    typeOver(font->fontList()->lineEdit(), QStringLiteral("没有这种字体"));
    u.press(Qt::Key_Return);
    const int entries = font->fontList()->count();
    EXPECT_EQ(font->fontList()->currentText(), font->fontList()->itemText(entries > 88 ? 88 : 0));
    EXPECT_TRUE(designer().modified());
    command(QStringLiteral("保存"));
    command(QStringLiteral("关闭"));
  });
  const QStringList lines = fileLines(QStringLiteral("people.ts0"));
  const int body = test::templateLine(QStringLiteral("headCount"), 0) + 20;
  EXPECT_EQ(lines.mid(body + 4, 3), QStringList({"14", "2", "3"}))
      << "size 14, two styles, right alignment";
}

TEST_F(DesignerPageTest, AnyGroupingChangeOpensTheRangeAgain) {
  design([&] {
    showTab(QStringLiteral("表体设计"));
    DesignerBodyTab* body = designer().bodyTab();
    QPushButton* group = designer().command(QStringLiteral("分组"));
    EXPECT_FALSE(body->groupFieldList()->isEnabled());
    u.click(body->checkBox(QStringLiteral("是否分组")));
    EXPECT_TRUE(body->groupFieldList()->isEnabled());
    EXPECT_FALSE(group->isEnabled()) << "no group field yet";
    u.choose(body->groupFieldList(), QStringLiteral("CITY"));
    ASSERT_TRUE(group->isEnabled());

    const auto chooseRange = [&](const QString& from, const QString& to) {
      u.click(group);
      EXPECT_TRUE(designer().groupPanel()->isVisible());
      typeOver(designer().groupPanel()->findChild<QLineEdit*>(QStringLiteral("rangeStart")), from);
      typeOver(designer().groupPanel()->findChild<QLineEdit*>(QStringLiteral("rangeEnd")), to);
      u.button(QStringLiteral("确认"));
      EXPECT_FALSE(designer().groupPanel()->isVisible());
      EXPECT_EQ(designer().rangeStart(), from);
      EXPECT_EQ(designer().rangeEnd(), to);
    };
    chooseRange(QStringLiteral("北京"), QStringLiteral("上海"));
    u.click(body->checkBox(QStringLiteral("是否分组")));
    u.click(body->checkBox(QStringLiteral("是否分组")));
    EXPECT_EQ(designer().rangeStart(), kOpenRange);
    EXPECT_EQ(designer().rangeEnd(), kOpenRange);

    chooseRange(QStringLiteral("北京"), QString());
    u.choose(body->groupFieldList(), QStringLiteral("NAME"));
    EXPECT_EQ(designer().rangeStart(), kOpenRange);

    chooseRange(QStringLiteral("王"), QStringLiteral("张"));
    u.click(group);
    u.button(QStringLiteral("取消"));
    EXPECT_EQ(designer().rangeStart(), QStringLiteral("王"));
    u.click(group);
    u.button(QStringLiteral("全部"));
    EXPECT_EQ(designer().rangeEnd(), kOpenRange);
    command(QStringLiteral("保存"));
    command(QStringLiteral("关闭"));
  });
  EXPECT_EQ(saved(QStringLiteral("grouping")), QStringLiteral("1"));
  EXPECT_EQ(saved(QStringLiteral("groupField")), QStringLiteral("NAME"));
}

TEST_F(DesignerPageTest, TheTitleEditorChangesTheBoxOnlyWhenConfirmed) {
  design([&] {
    QWidget* edit = page()->findChild<QWidget*>(QStringLiteral("edit0"));
    u.whileModal([&](QDialog* d) {
      EXPECT_EQ(d->windowTitle(), QStringLiteral("编辑主标题"));
      u.clickInto(d->findChild<SectionTextBox*>());
      u.type(QStringLiteral("取消的"));
      u.click(test::buttonOf(d, QStringLiteral("取消")));
    });
    u.click(edit);
    EXPECT_EQ(page()->sectionBox(kMainTitle)->text(), QString());
    u.whileModal([&](QDialog* d) {
      u.clickInto(d->findChild<SectionTextBox*>());
      u.type(QStringLiteral("销售报表"));
      u.click(test::buttonOf(d, QStringLiteral("确认")));
    });
    u.click(edit);
    EXPECT_EQ(page()->sectionBox(kMainTitle)->text(), QStringLiteral("销售报表"));
    command(QStringLiteral("保存"));
    command(QStringLiteral("关闭"));
  });
  EXPECT_EQ(fileLines(QStringLiteral("people.ts0")).value(test::templateLine("mainTitle", 6)),
            QStringLiteral("销售报表"));
}

TEST_F(DesignerPageTest, TheHeadTextEditorWorksOnWhatTheBoxHolds) {
  design([&] {
    showTab(QStringLiteral("表头、表尾设计"));
    SectionTextBox* head = designer().headTailTab()->box(kHeadText);
    typeOver(head, QStringLiteral("打的字"));
    u.whileModal([&](QDialog* d) {
      EXPECT_EQ(d->windowTitle(), QStringLiteral("编辑表头"));
      auto* text = d->findChild<SectionTextBox*>();
      EXPECT_EQ(text->text(), QStringLiteral("打的字"));
      u.clickInto(text);
      u.press(Qt::Key_End);
      u.type(QStringLiteral("加上"));
      u.click(test::buttonOf(d, QStringLiteral("确认")));
    });
    u.click(designer().headTailTab()->findChild<QWidget*>(QStringLiteral("headTextEditor")));
    EXPECT_EQ(head->text(), QStringLiteral("打的字加上"));
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("关闭"));
  });
}

TEST_F(DesignerPageTest, TheLogoDialogWorksOnTheShownTemplatesBitmap) {
  arrange(QStringLiteral("people.ts0"), defaultTemplate());
  arrange(QStringLiteral("people.ts1"), defaultTemplate());
  QImage bitmap(8, 8, QImage::Format_RGB32);
  bitmap.fill(Qt::blue);
  ASSERT_TRUE(bitmap.save(w.program.file(QStringLiteral("peoplets0.bmp")), "BMP"));
  ASSERT_TRUE(bitmap.save(w.program.file(QStringLiteral("peoplets1.bmp")), "BMP"));
  design([&] {
    EXPECT_FALSE(page()->logoButton()->isEnabled());
    u.click(page()->printLogoBox());
    ASSERT_TRUE(page()->logoButton()->isEnabled());
    w.dialogs.confirmAnswers.push_back(Answer::No);  // the changed ts0 is not kept
    u.choose(designer().templateBox(), QStringLiteral("people.ts1"));
    u.click(page()->printLogoBox());
    u.whileModal([&](QDialog* d) {
      EXPECT_EQ(d->windowTitle(), QStringLiteral("报表徽标"));
      u.click(test::buttonOf(d, QStringLiteral("清除图形")));
      QPushButton* ok = nullptr;  // the dialog's own, not a group's
      for (QPushButton* b : d->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("确认") && !qobject_cast<QGroupBox*>(b->parentWidget()))
          ok = b;
      u.click(ok);
    });
    u.click(page()->logoButton());
    EXPECT_TRUE(designer().modified());
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("关闭"));
  });
  EXPECT_FALSE(exists(QStringLiteral("peoplets1.bmp")));
  EXPECT_TRUE(exists(QStringLiteral("peoplets0.bmp")));
}

}  // namespace
}  // namespace torvanel
