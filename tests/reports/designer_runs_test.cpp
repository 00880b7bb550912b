// 预览, 空表 and 打印 from the report manager: the preview opens on the right page with the
// template's name and the group range, a table without records opens nothing, and printing to
// the PDF entry writes the calculated pages of the group range.

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>

#include "app/reports/designer_group_panel.h"
#include "app/reports/page_progress_panel.h"
#include "app/reports/preview_window.h"
#include "app/reports/report_manager.h"
#include "app/reports/report_run.h"
#include "tests/reports/designer_user.h"
#include "tests/reports/pdf_reader.h"

namespace torvanel {
namespace {

// A small sheet on which a page holds only a few rows, so that five records take several pages.
ReportTemplate smallSheet() {
  ReportTemplate t = defaultTemplate();
  t.paperType = 8;
  t.paperWidth = 120;
  t.paperHeight = 30;
  t.topMargin = t.bottomMargin = t.leftMargin = t.rightMargin = 5;
  return t;
}

struct DesignerRunsTest : test::DesignerTest {
  QStringList status(QDialog* preview) const {
    QStringList out;
    for (QLabel* l : preview->findChild<QStatusBar*>()->findChildren<QLabel*>()) out << l->text();
    return out;
  }
  template <typename T = QAbstractButton>
  T* buttonIn(QWidget* window, const QString& text) const {
    for (T* b : window->findChildren<T*>())
      if (b->text() == text && b->isVisible()) return b;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
  }
  // Prints from 打印 to the print dialog's PDF entry into `pdf`.
  void printToPdf(const QString& pdf) {
    u.whileModal([&](QDialog* d) {
      EXPECT_EQ(d->windowTitle(), QStringLiteral("打印"));
      EXPECT_FALSE(buttonIn<QRadioButton>(d, QStringLiteral("打印当前页"))->isEnabled());
      u.clickItem(d->findChild<QListWidget*>(), QStringLiteral("PDF文件"));
      w.dialogs.fileAnswers.push_back(pdf);
      u.click(buttonIn(d, QStringLiteral("打印")));
    });
    command(QStringLiteral("打印"));
  }
};

TEST_F(DesignerRunsTest, PreviewOpensOnTheFirstPageAndTheEmptyLayoutOnPageZero) {
  arrange(QStringLiteral("people.ts0"), smallSheet());
  design([&] {
    u.whileModal([&](QDialog* d) {
      EXPECT_EQ(d->windowTitle(), QStringLiteral("预览"));
      const QStringList texts = status(d);
      ASSERT_GE(texts.size(), 2);
      EXPECT_EQ(texts[0], QStringLiteral("摸板:people.ts0"));
      EXPECT_TRUE(texts[1].startsWith(QStringLiteral("页数:1/"))) << texts[1].toStdString();
      EXPECT_NE(texts[1], QStringLiteral("页数:1/1")) << "five records take several pages";
      u.press(Qt::Key_End);
      u.click(buttonIn(d, QStringLiteral("关闭")));
    });
    command(QStringLiteral("预览"));
    EXPECT_FALSE(designer().progressPanel()->isVisible());
    EXPECT_GT(designer().preview()->currentPage(), 1) << "the page the user left it on";

    u.whileModal([&](QDialog* d) {
      EXPECT_EQ(d->windowTitle(), QStringLiteral("空表预览"));
      EXPECT_EQ(status(d).value(1), QStringLiteral("空表预览"));
      u.click(buttonIn(d, QStringLiteral("关闭")));
    });
    command(QStringLiteral("空表"));
    EXPECT_EQ(designer().preview()->currentPage(), 0);

    u.whileModal([&](QDialog*) {
      EXPECT_EQ(designer().preview()->currentPage(), 1) << "a new preview starts at page 1";
      u.press(Qt::Key_Escape);
    });
    command(QStringLiteral("预览"));
    command(QStringLiteral("关闭"));
  });
  EXPECT_EQ(designer().preview(), nullptr) << "the forms go with the designer";
}

TEST_F(DesignerRunsTest, ATableWithoutRecordsOpensNothing) {
  w.makeTable("empty.dbf", {{"NAME", tdb::FieldType::ftString, 8}});
  w.open("empty.dbf");
  design([&] {
    command(QStringLiteral("预览"));
    command(QStringLiteral("打印"));
    w.dialogs.confirmAnswers.push_back(Answer::No);
    command(QStringLiteral("关闭"));
  });
  EXPECT_EQ(w.dialogs.messages, QStringList({kNoPagesMessage, kNoPagesMessage}));
}

TEST_F(DesignerRunsTest, PrintingWritesThePagesOfTheGroupRange) {
  ReportTemplate t = smallSheet();
  t.grouping = true;
  t.groupField = QStringLiteral("CITY");
  arrange(QStringLiteral("people.ts0"), t);
  const QString all = QString::fromStdString(w.data.path()) + QStringLiteral("/全部.pdf");
  const QString shanghai = QString::fromStdString(w.data.path()) + QStringLiteral("/上海.pdf");
  design([&] {
    printToPdf(all);
    u.click(designer().command(QStringLiteral("分组")));
    u.replaceText(designer().groupPanel()->findChild<QLineEdit*>(QStringLiteral("rangeStart")),
                  QStringLiteral("上海"));
    u.replaceText(designer().groupPanel()->findChild<QLineEdit*>(QStringLiteral("rangeEnd")),
                  QStringLiteral("上海"));
    u.button(QStringLiteral("确认"));
    printToPdf(shanghai);
    command(QStringLiteral("关闭"));
  });
  // Groups are runs of equal cities in table order: 北京, 上海, 北京, 上海, 广州.
  const test::PdfFacts every = test::readPdf(all);
  EXPECT_EQ(every.pageSizes.size(), 5u) << "a page for each group";
  const test::PdfFacts range = test::readPdf(shanghai);
  ASSERT_EQ(range.pageSizes.size(), 1u) << "from the first 上海 to the end of that group";
  EXPECT_TRUE(range.text.contains(QStringLiteral("李")));
  EXPECT_FALSE(range.text.contains(QStringLiteral("赵")));
  EXPECT_FALSE(range.text.contains(QStringLiteral("王")));
}

}  // namespace
}  // namespace torvanel
