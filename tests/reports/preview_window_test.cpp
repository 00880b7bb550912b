// The preview as a user drives it: its buttons and keys, the go-to box, the zoom box, and what
// the status bar and the paper then show.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTest>

#include "app/reports/page_view.h"
#include "app/reports/preview_window.h"
#include "tests/reports/report_forms.h"

namespace torvanel::test {
namespace {

class PreviewWindow : public ReportForms {
 protected:
  // The status bar's four texts.
  static QStringList status(QDialog* preview) {
    QStringList texts;
    for (QLabel* panel : preview->findChild<QStatusBar*>()->findChildren<QLabel*>())
      texts << panel->text();
    return texts;
  }
  static QString pageText(QDialog* preview) { return status(preview).value(1); }
  static PageView* paper(QDialog* preview) { return preview->findChild<PageView*>(); }
  // Whether 首页, 前页, 后页, 尾页 and 定位 can be clicked, as "11001".
  static QString navigation(QDialog* preview) {
    QString states;
    for (const char* caption : {"首页", "前页", "后页", "尾页", "定位"})
      states += button(preview, QString::fromUtf8(caption))->isEnabled() ? '1' : '0';
    return states;
  }
  void click(QDialog* preview, const char* caption) {
    wb.user.click(button(preview, QString::fromUtf8(caption)));
  }
  // Picks the zoom and waits, as a user looks, until the paper is drawn anew at that size.
  void chooseZoom(QDialog* preview, const QString& zoom) {
    wb.user.choose(preview->findChild<QComboBox*>(), zoom);
    waitForPicture(preview);
  }
  static void waitForPicture(QDialog* preview) {
    PageView* view = paper(preview);
    const QSize drawn = view->size() - QSize(5, 5);
    const bool capped = qint64(drawn.width()) * drawn.height() > PageView::kMaxPagePixels;
    EXPECT_TRUE(QTest::qWaitFor([&] { return capped || view->picture().size() == drawn; }, 5000))
        << "the paper was not drawn at its new size";
  }
  // At zoom 100 the paper shows exactly the sheet of `first`, composed by another report.
  void expectShows(QDialog* preview, const ReportTemplate& t, int first) {
    EXPECT_EQ(paper(preview)->picture(), expectedSheet(t, first)) << "page " << first;
  }

  TForm4 preview{&wb.main};
};

TEST_F(PreviewWindow, ThreeTablesAcrossStepThroughSevenPagesBySheets) {
  makeTable(35);  // five rows a page: 7 pages
  const ReportTemplate t = smallSheet(3);
  auto run = calculated(t);
  wb.user.whileModal([&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("预览"));
    chooseZoom(d, QStringLiteral("100"));
    EXPECT_EQ(status(d), QStringList({QStringLiteral("摸板:sales.ts0"),
                                      QStringLiteral("页数:1-3/7"), QString(), QString()}));
    EXPECT_EQ(navigation(d), QStringLiteral("00111"));
    expectShows(d, t, 1);
    click(d, "后页");
    EXPECT_EQ(pageText(d), QStringLiteral("页数:4-6/7"));
    EXPECT_EQ(navigation(d), QStringLiteral("11111"));
    expectShows(d, t, 4);
    click(d, "后页");
    EXPECT_EQ(pageText(d), QStringLiteral("页数:7-7/7"));
    EXPECT_EQ(navigation(d), QStringLiteral("11001")) << "the last sheet: nothing follows";
    expectShows(d, t, 7);
    click(d, "前页");
    EXPECT_EQ(pageText(d), QStringLiteral("页数:4-6/7"));
    click(d, "前页");
    click(d, "尾页");
    EXPECT_EQ(pageText(d), QStringLiteral("页数:7-7/7"));
    click(d, "首页");
    EXPECT_EQ(pageText(d), QStringLiteral("页数:1-3/7"));
    click(d, "关闭");
  });
  preview.previewReport(*run, QStringLiteral("sales.ts0"), kOpenRange, kOpenRange);
  EXPECT_EQ(preview.currentPage(), 1) << "the page is kept for the next opening";
}

TEST_F(PreviewWindow, KeysTurnThePagesAndLastShowsTheLastPageAlone) {
  makeTable(20);  // 4 pages
  const ReportTemplate t = smallSheet(2);
  auto run = calculated(t);
  wb.user.whileModal([&](QDialog* d) {
    chooseZoom(d, QStringLiteral("100"));
    wb.user.click(paper(d));  // the keys go to the paper, not to the zoom box
    wb.user.press(Qt::Key_End);
    EXPECT_EQ(pageText(d), QStringLiteral("页数:4-4/4"));
    expectShows(d, t, 4);
    wb.user.press(Qt::Key_PageUp);
    EXPECT_EQ(pageText(d), QStringLiteral("页数:2-3/4"));
    wb.user.press(Qt::Key_PageUp);
    EXPECT_EQ(pageText(d), QStringLiteral("页数:1-2/4"));
    wb.user.press(Qt::Key_PageUp);
    EXPECT_EQ(pageText(d), QStringLiteral("页数:1-2/4")) << "no page before the first";
    wb.user.press(Qt::Key_PageDown);
    EXPECT_EQ(pageText(d), QStringLiteral("页数:3-4/4"));
    expectShows(d, t, 3);
    wb.user.press(Qt::Key_Home);
    EXPECT_EQ(pageText(d), QStringLiteral("页数:1-2/4"));
    wb.user.press(Qt::Key_Escape);
  });
  preview.previewReport(*run, QStringLiteral("sales.ts0"), kOpenRange, kOpenRange);
}

TEST_F(PreviewWindow, GoToCorrectsAPageTheReportDoesNotHave) {
  makeTable(35);
  const ReportTemplate t = smallSheet();
  auto run = calculated(t);
  wb.user.whileModal([&](QDialog* d) {
    chooseZoom(d, QStringLiteral("100"));
    QLineEdit* number = nullptr;  // the go-to box: the one text box outside the zoom box
    for (QLineEdit* box : d->findChildren<QLineEdit*>())
      if (!qobject_cast<QComboBox*>(box->parent())) number = box;
    ASSERT_NE(number, nullptr);
    click(d, "定位");
    ASSERT_TRUE(number->isVisible());
    EXPECT_EQ(number->text(), QStringLiteral("1")) << "the box holds the current page";
    wb.user.replaceText(number, QStringLiteral("5"));
    click(d, "&Yes");
    EXPECT_FALSE(number->isVisible());
    EXPECT_EQ(pageText(d), QStringLiteral("页数:5/7"));
    expectShows(d, t, 5);

    const struct {
      const char* typed;
      const char* shown;
    } corrections[] = {{"8", "页数:1/7"}, {"-3", "页数:1/7"}, {"", "页数:1/7"},
                       {"x", "页数:1/7"}, {"7", "页数:7/7"},  {"0", "页数:1/7"}};
    for (const auto& c : corrections) {
      click(d, "定位");
      EXPECT_EQ(number->text(), pageText(d).section(':', 1).section('/', 0, 0));
      wb.user.replaceText(number, QString::fromUtf8(c.typed));
      wb.user.press(Qt::Key_Return);
      EXPECT_EQ(pageText(d), QString::fromUtf8(c.shown)) << "typed " << c.typed;
    }
    click(d, "定位");
    wb.user.replaceText(number, QStringLiteral("4"));
    click(d, "&Cancel");
    EXPECT_FALSE(number->isVisible());
    EXPECT_EQ(pageText(d), QStringLiteral("页数:1/7")) << "cancel goes nowhere";
    click(d, "关闭");
  });
  preview.previewReport(*run, QStringLiteral("sales.ts0"), kOpenRange, kOpenRange);
}

TEST_F(PreviewWindow, OnePageReportCannotBeNavigated) {
  makeTable(3);
  auto run = calculated(smallSheet());
  wb.user.whileModal([&](QDialog* d) {
    EXPECT_EQ(navigation(d), QStringLiteral("00000"));
    EXPECT_EQ(pageText(d), QStringLiteral("页数:1/1"));
    click(d, "关闭");
  });
  preview.previewReport(*run, QStringLiteral("sales.ts0"), kOpenRange, kOpenRange);
}

TEST_F(PreviewWindow, ZoomRescalesThePaperAndAnUnknownZoomFitsThePage) {
  makeTable(12);
  const ReportTemplate t = smallSheet();
  auto run = calculated(t);
  const QSize sheet = expectedSheet(t, 1).size();
  wb.user.whileModal([&](QDialog* d) {
    auto* zoom = d->findChild<QComboBox*>();
    EXPECT_TRUE(zoom->currentText().startsWith(QStringLiteral("比例:")))
        << "a first opening fits the page: " << zoom->currentText().toStdString();
    chooseZoom(d, QStringLiteral("50"));
    EXPECT_EQ(paper(d)->size(),
              QSize(qRound(sheet.width() * 0.5) + 5, qRound(sheet.height() * 0.5) + 5));
    EXPECT_EQ(paper(d)->picture().size(), paper(d)->size() - QSize(5, 5));
    chooseZoom(d, QStringLiteral("200"));
    EXPECT_EQ(paper(d)->picture().size(), sheet * 2);
    click(d, "后页");
    EXPECT_EQ(zoom->currentText(), QStringLiteral("200")) << "turning keeps the zoom";
    EXPECT_EQ(paper(d)->picture().size(), sheet * 2);

    wb.user.replaceText(zoom, QStringLiteral("250"));
    wb.user.press(Qt::Key_Return);
    waitForPicture(d);
    const QString fitting = zoom->currentText();
    ASSERT_TRUE(fitting.startsWith(QStringLiteral("比例:"))) << fitting.toStdString();
    const int percent = fitting.mid(3).toInt();
    EXPECT_GE(percent, 10);
    EXPECT_LE(percent, 100);
    const int view = d->findChild<QScrollArea*>()->height();
    EXPECT_TRUE(percent == 100 || paper(d)->height() - 5 <= view - 50 + 1)
        << "the fitting zoom shows the whole page: " << percent << "% in " << view;
    EXPECT_EQ(pageText(d), QStringLiteral("页数:2/3"));
    click(d, "关闭");
  });
  preview.previewReport(*run, QStringLiteral("sales.ts0"), kOpenRange, kOpenRange);
  wb.user.whileModal([&](QDialog* d) {
    EXPECT_TRUE(d->findChild<QComboBox*>()->currentText().startsWith(QStringLiteral("比例:")))
        << "the zoom box keeps its text between openings";
    click(d, "关闭");
  });
  preview.previewReport(*run, QStringLiteral("sales.ts0"), kOpenRange, kOpenRange);
}

TEST_F(PreviewWindow, HugePaperIsDrawnWithinTheCap) {
  makeTable(3);
  ReportTemplate t = smallSheet();
  t.paperWidth = 2000;  // about 7,560 by 7,560 pixels at 96 dpi, four times that at 200
  t.paperHeight = 2000;
  auto run = calculated(t);
  wb.user.whileModal([&](QDialog* d) {
    const int fitting = d->findChild<QComboBox*>()->currentText().mid(3).toInt();
    EXPECT_EQ(fitting, 10) << "the fitting zoom stops at 10";
    chooseZoom(d, QStringLiteral("200"));
    const QImage& picture = paper(d)->picture();
    EXPECT_LE(qint64(picture.width()) * picture.height(), PageView::kMaxPagePixels);
    EXPECT_GT(picture.width(), 1000);
    EXPECT_EQ(paper(d)->size(), paper(d)->sheetSize() * 2 + QSize(5, 5))
        << "the paper keeps its size on screen";
    click(d, "关闭");
  });
  preview.previewReport(*run, QStringLiteral("sales.ts0"), kOpenRange, kOpenRange);
}

TEST_F(PreviewWindow, EmptyLayoutShowsTheTemplateWithoutNavigation) {
  makeTable(12, 6);
  ReportTemplate t = smallSheet(3);
  t.grouping = true;
  t.groupField = QStringLiteral("GRP");
  ReportRun run(t, table, 96);
  wb.user.whileModal([&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("空表预览"));
    chooseZoom(d, QStringLiteral("100"));
    EXPECT_EQ(status(d), QStringList({QStringLiteral("摸板:sales.ts0"), QStringLiteral("空表预览"),
                                      QString(), QString()}));
    EXPECT_EQ(navigation(d), QStringLiteral("00000"));
    expectShows(d, t, 0);
    // Printing from here offers the one sheet of the layout only.
    wb.user.whileModal([&](QDialog* print) {
      EXPECT_EQ(print->windowTitle(), QStringLiteral("打印"));
      QString offered;
      for (QRadioButton* option : print->findChildren<QRadioButton*>())
        offered += option->isEnabled() ? option->text() + (option->isChecked() ? "*" : "") + " "
                                       : QString();
      EXPECT_EQ(offered, QStringLiteral("打印当前页* "));
      wb.user.click(button(print, QStringLiteral("取消")));
    });
    click(d, "打印");
    click(d, "关闭");
  });
  preview.previewEmptyLayout(run, QStringLiteral("sales.ts0"));
  EXPECT_EQ(preview.currentPage(), 0);
}

TEST_F(PreviewWindow, GroupedReportNamesTheRangeAndTheCurrentGroup) {
  makeTable(13, 7);  // group A: 7 rows, 2 pages; group B: 6 rows, 2 pages
  ReportTemplate t = smallSheet();
  t.grouping = true;
  t.groupField = QStringLiteral("GRP");
  ReportRun run(t, table, 96);
  ASSERT_TRUE(run.calculate(kOpenRange, QStringLiteral("B")));
  wb.user.whileModal([&](QDialog* d) {
    EXPECT_EQ(status(d).mid(1), QStringList({QStringLiteral("页数:1/4"),
                                             QStringLiteral("分组字段:GRP 起始:无 结束:B"),
                                             QStringLiteral("当前组:1/2/A")}));
    click(d, "后页");
    EXPECT_EQ(status(d).value(3), QStringLiteral("当前组:2/2/A"));
    click(d, "后页");
    EXPECT_EQ(status(d).value(3), QStringLiteral("当前组:1/2/B"));
    // From a calculated report all three ranges can be printed.
    wb.user.whileModal([&](QDialog* print) {
      int enabled = 0;
      for (QRadioButton* option : print->findChildren<QRadioButton*>())
        enabled += option->isEnabled();
      EXPECT_EQ(enabled, 3);
      wb.user.click(button(print, QStringLiteral("取消")));
    });
    click(d, "打印");
    click(d, "关闭");
  });
  preview.previewReport(run, QStringLiteral("sales.ts0"), kOpenRange, QStringLiteral("B"));
}

}  // namespace
}  // namespace torvanel::test
