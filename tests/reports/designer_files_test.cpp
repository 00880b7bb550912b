// The report manager's template files as a user meets them: opened from the menu over a table
// window, templates listed, made, saved, saved as, opened, deleted and chosen, with the questions
// that keep a changed template from being lost; the files read back from disk.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>

#include "app/reports/designer_head_tail_tab.h"
#include "app/reports/designer_page_tab.h"
#include "app/reports/head_tail_text_box.h"
#include "app/reports/report_manager.h"
#include "tests/reports/designer_user.h"

namespace torvanel {
namespace {

const QString kSaveQuestion = QStringLiteral("confirm: 确认 | 保存设置吗？");

// A template of people.dbf whose main title reads `title`.
ReportTemplate titled(const QString& title) {
  ReportTemplate t = defaultTemplate();
  t.sections[kMainTitle].text = title;
  return t;
}

struct DesignerFilesTest : test::DesignerTest {
  QStringList boxEntries() const {
    QStringList out;
    for (int i = 0; i < designer().templateBox()->count(); ++i)
      out << designer().templateBox()->itemText(i);
    return out;
  }
  QString shownName() const { return designer().templateBox()->currentText(); }
  QLineEdit* title() const { return designer().pageTab()->sectionBox(kMainTitle); }
  QString savedTitle(const QString& name) const {
    const QStringList lines = fileLines(name);
    return lines.value(test::templateLine(QStringLiteral("mainTitle"), 0));
  }
  int questions() const { return int(w.dialogs.shown.count(kSaveQuestion)); }
};

TEST_F(DesignerFilesTest, OpensOverTheActiveWindowWithTheTablesTemplatesInOrder) {
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("报表管理")));  // no window: nothing to report on
  arrange(QStringLiteral("people.ts2"), titled(QStringLiteral("第二")));
  arrange(QStringLiteral("people.ts0"), titled(QStringLiteral("第零")));
  arrange(QStringLiteral("other.ts1"), titled(QStringLiteral("别的表")));
  design([&] {
    EXPECT_TRUE(designer().windowTitle().startsWith(QStringLiteral("报表管理:[")));
    EXPECT_TRUE(designer().windowTitle().endsWith(QStringLiteral("]people.dbf")));
    EXPECT_EQ(boxEntries(),
              QStringList({QStringLiteral("people.ts0"), QStringLiteral("people.ts2")}));
    EXPECT_EQ(shownName(), QStringLiteral("people.ts0"));
    EXPECT_EQ(title()->text(), QStringLiteral("第零"));
    EXPECT_FALSE(designer().modified());
    command(QStringLiteral("关闭"));
  });
  EXPECT_FALSE(designer().isVisible());
  EXPECT_EQ(w.dialogs.shown, QStringList());  // nothing changed, nothing asked
}

TEST_F(DesignerFilesTest, NewTakesTheFirstFreeNameAndWritesOnlyAtSave) {
  arrange(QStringLiteral("people.ts0"), titled(QStringLiteral("第零")));
  arrange(QStringLiteral("people.ts2"), titled(QStringLiteral("第二")));
  design([&] {
    command(QStringLiteral("新建"));
    EXPECT_EQ(shownName(), QStringLiteral("people.ts1"));
    EXPECT_EQ(title()->text(), QString());  // the defaults
    EXPECT_TRUE(designer().modified());
    EXPECT_FALSE(exists(QStringLiteral("people.ts1")));
    typeOver(title(), QStringLiteral("月报表"));
    command(QStringLiteral("保存"));
    EXPECT_FALSE(designer().modified());
    command(QStringLiteral("关闭"));
  });
  EXPECT_EQ(savedTitle(QStringLiteral("people.ts1")), QStringLiteral("月报表"));
  EXPECT_TRUE(bytes(QStringLiteral("people.ts1")).contains("\r\n\xD4\xC2\xB1\xA8\xB1\xED\r\n"))
      << "the title in GBK on a line of its own";
  EXPECT_EQ(savedTitle(QStringLiteral("people.ts0")), QStringLiteral("第零"));
  EXPECT_EQ(questions(), 0);
}

TEST_F(DesignerFilesTest, ClosingAfterTypingAsksAndSavesOnlyOnYes) {
  design([&] {
    typeOver(title(), QStringLiteral("不要"));
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("关闭"));
  });
  EXPECT_EQ(questions(), 1);
  EXPECT_FALSE(exists(QStringLiteral("people.ts0")));

  design([&] {
    // Typing into any text box counts as a change, the head text's box too.
    showTab(QStringLiteral("表头、表尾设计"));
    typeOver(designer().headTailTab()->box(kHeadText), QStringLiteral("第一行"));
    u.press(Qt::Key_Return);
    u.type(QStringLiteral("第二行"));
    w.dialogs.confirmAnswers.push_back(Answer::Yes);
    command(QStringLiteral("关闭"));
  });
  EXPECT_EQ(questions(), 2);
  const QStringList lines = fileLines(QStringLiteral("people.ts0"));
  const int head = test::templateLine(QStringLiteral("headCount"), 0);
  EXPECT_EQ(lines.mid(head, 3),
            QStringList({QStringLiteral("2"), QStringLiteral("第一行"), QStringLiteral("第二行")}));
}

TEST_F(DesignerFilesTest, ReplacingAChangedTemplateAsksFirst) {
  arrange(QStringLiteral("people.ts0"), titled(QStringLiteral("第零")));
  arrange(QStringLiteral("people.ts1"), titled(QStringLiteral("第一")));
  design([&] {
    typeOver(title(), QStringLiteral("改过"));
    w.dialogs.confirmAnswers.push_back(Answer::Yes);
    u.choose(designer().templateBox(), QStringLiteral("people.ts1"));
    EXPECT_EQ(questions(), 1);
    EXPECT_EQ(savedTitle(QStringLiteral("people.ts0")), QStringLiteral("改过"));
    EXPECT_EQ(title()->text(), QStringLiteral("第一"));

    // Answered No, the change is dropped; the names typed after it ask nothing more.
    typeOver(title(), QStringLiteral("丢掉"));
    w.dialogs.confirmAnswers.push_back(Answer::No);
    typeName(QStringLiteral("草稿"));
    EXPECT_EQ(questions(), 2);
    EXPECT_EQ(title()->text(), QString());

    typeOver(title(), QStringLiteral("也丢掉"));
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("新建"));
    EXPECT_EQ(questions(), 3);
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("关闭"));  // the new template is modified: asked once more
  });
  EXPECT_EQ(questions(), 4);
  EXPECT_EQ(savedTitle(QStringLiteral("people.ts1")), QStringLiteral("第一"));
  EXPECT_FALSE(exists(QStringLiteral("草稿")));
}

TEST_F(DesignerFilesTest, SaveWithNoEntryChosenAsksBeforeReplacingAnotherTemplate) {
  arrange(QStringLiteral("people.ts0"), titled(QStringLiteral("旧的")));
  const QByteArray before = bytes(QStringLiteral("people.ts0"));
  design([&] {
    typeName(QStringLiteral("新的名字"));  // no such file: the defaults, and no entry chosen
    typeOver(title(), QStringLiteral("新的"));
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("保存"));
    EXPECT_EQ(bytes(QStringLiteral("people.ts0")), before);
    EXPECT_TRUE(designer().modified());
    w.dialogs.confirmAnswers.push_back(Answer::Yes);
    command(QStringLiteral("保存"));
    EXPECT_EQ(shownName(), QStringLiteral("people.ts0"));
    command(QStringLiteral("关闭"));
  });
  EXPECT_EQ(w.dialogs.shown.count(QStringLiteral("confirm: 确认 | people.ts0文件已存在，覆盖吗？")),
            2);
  EXPECT_EQ(savedTitle(QStringLiteral("people.ts0")), QStringLiteral("新的"));
  EXPECT_FALSE(exists(QStringLiteral("新的名字")));
}

TEST_F(DesignerFilesTest, TextGbkCannotHoldIsRefusedNamingItsSection) {
  design([&] {
    showTab(QStringLiteral("表头、表尾设计"));
    typeOver(designer().headTailTab()->box(kTailText), QStringLiteral("合计😀"));
    command(QStringLiteral("保存"));
    ASSERT_EQ(w.dialogs.messages.size(), 1);
    EXPECT_TRUE(w.dialogs.messages[0].startsWith(QStringLiteral("表尾")))
        << w.dialogs.messages[0].toStdString();
    EXPECT_FALSE(exists(QStringLiteral("people.ts0")));
    // Yes to the closing question cannot save: the designer stays open with the text.
    w.dialogs.confirmAnswers.push_back(Answer::Yes);
    command(QStringLiteral("关闭"));
    EXPECT_TRUE(designer().isVisible());
    EXPECT_EQ(w.dialogs.messages.size(), 2);
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("关闭"));
  });
  EXPECT_FALSE(exists(QStringLiteral("people.ts0")));
}

TEST_F(DesignerFilesTest, SaveAsAsksBeforeReplacingAndChangesNothingElse) {
  arrange(QStringLiteral("people.ts0"), titled(QStringLiteral("第零")));
  const QString elsewhere = QString::fromStdString(w.data.path()) + QStringLiteral("/别处.ts3");
  arrange(elsewhere, titled(QStringLiteral("别处")));
  const QByteArray before = bytes(elsewhere);
  design([&] {
    typeOver(title(), QStringLiteral("另存的"));
    w.dialogs.fileAnswers.push_back(elsewhere);
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("另存"));
    EXPECT_EQ(bytes(elsewhere), before);
    w.dialogs.fileAnswers.push_back(elsewhere);
    w.dialogs.confirmAnswers.push_back(Answer::Yes);
    command(QStringLiteral("另存"));
    EXPECT_EQ(shownName(), QStringLiteral("people.ts0"));
    EXPECT_TRUE(designer().modified());
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("关闭"));
  });
  EXPECT_TRUE(w.dialogs.shown.contains(QStringLiteral("confirm: 确认 | ") + elsewhere +
                                       QStringLiteral("文件已存在，覆盖吗？")));
  EXPECT_EQ(savedTitle(elsewhere), QStringLiteral("另存的"));
  EXPECT_EQ(savedTitle(QStringLiteral("people.ts0")), QStringLiteral("第零"));
}

TEST_F(DesignerFilesTest, DeleteRemovesTheFileAndLoadsTheFirstLeft) {
  arrange(QStringLiteral("people.ts0"), titled(QStringLiteral("第零")));
  arrange(QStringLiteral("people.ts1"), titled(QStringLiteral("第一")));
  w.program.write(QStringLiteral("peoplets0.bmp"), "BM");
  design([&] {
    typeOver(title(), QStringLiteral("随它删掉"));  // the changes go with the template
    command(QStringLiteral("删除"));
    EXPECT_FALSE(exists(QStringLiteral("people.ts0")));
    EXPECT_EQ(boxEntries(), QStringList({QStringLiteral("people.ts1")}));
    EXPECT_EQ(title()->text(), QStringLiteral("第一"));
    // A template typed under a new name is not the one deleted: it is not dropped unasked.
    typeName(QStringLiteral("草稿"));
    typeOver(title(), QStringLiteral("草稿的标题"));
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("删除"));
    EXPECT_EQ(w.dialogs.shown.count(kSaveQuestion), 1);
    EXPECT_EQ(title()->text(), QStringLiteral("第一")) << "nothing chosen: nothing deleted";
    command(QStringLiteral("删除"));
    EXPECT_EQ(boxEntries(), QStringList());
    EXPECT_EQ(title()->text(), QString());
    EXPECT_TRUE(designer().modified());  // the defaults
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("关闭"));
  });
  EXPECT_FALSE(exists(QStringLiteral("people.ts1")));
  EXPECT_TRUE(exists(QStringLiteral("peoplets0.bmp")));  // the logo stays
  EXPECT_EQ(w.dialogs.shown.count(kSaveQuestion), 2);    // and at closing
}

TEST_F(DesignerFilesTest, OpenedAndTypedNamesJoinTheList) {
  const QString elsewhere = QString::fromStdString(w.data.path()) + QStringLiteral("/季报.ts7");
  arrange(elsewhere, titled(QStringLiteral("季报")));
  arrange(QStringLiteral("other.ts4"), titled(QStringLiteral("别的表")));
  design([&] {
    w.dialogs.fileAnswers.push_back(elsewhere);
    command(QStringLiteral("打开"));
    EXPECT_EQ(shownName(), elsewhere);
    EXPECT_EQ(title()->text(), QStringLiteral("季报"));
    EXPECT_FALSE(designer().modified());
    typeName(QStringLiteral("other.ts4"));
    EXPECT_EQ(boxEntries(), QStringList({elsewhere, QStringLiteral("other.ts4")}));
    EXPECT_EQ(title()->text(), QStringLiteral("别的表"));
    typeName(QString());  // an empty box: the defaults
    EXPECT_EQ(title()->text(), QString());
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("关闭"));
  });
}

TEST_F(DesignerFilesTest, ADamagedTemplateIsReportedAndTheShownOneStays) {
  arrange(QStringLiteral("people.ts0"), titled(QStringLiteral("好的")));
  w.program.write(QStringLiteral("people.ts1"), "0\r\n210\r\nabc\r\n");
  design([&] {
    u.choose(designer().templateBox(), QStringLiteral("people.ts1"));
    ASSERT_EQ(w.dialogs.messages.size(), 1);
    EXPECT_TRUE(w.dialogs.messages[0].contains(QStringLiteral("people.ts1")));
    EXPECT_EQ(title()->text(), QStringLiteral("好的"));
    EXPECT_EQ(shownName(), QStringLiteral("people.ts0")) << "保存 must not go to the damaged file";
    command(QStringLiteral("关闭"));
  });
  EXPECT_EQ(bytes(QStringLiteral("people.ts1")), QByteArray("0\r\n210\r\nabc\r\n"));
}

}  // namespace
}  // namespace torvanel
