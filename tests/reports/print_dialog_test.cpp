// The print dialog as a user drives it: the printer list, the three ranges, the page boxes and
// the copies, printing into a PDF file through the "PDF文件" entry and through real print queues
// of a print scheduler the test runs itself. What arrives is read back with poppler's tools.

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>

#include "app/reports/print_dialog.h"
#include "tests/reports/pdf_reader.h"
#include "tests/reports/report_forms.h"
#include "tests/support/private_cups.h"

namespace torvanel::test {
namespace {

// The rows "R<from>".."R<to>" and no other row name appear in `text` (the bands side by side
// interleave their lines).
void expectRows(const QString& text, int from, int to) {
  std::vector<int> found;
  static const QRegularExpression row(QStringLiteral("\\bR(\\d+)\\b"));
  for (auto m = row.globalMatch(text); m.hasNext();) found.push_back(m.next().captured(1).toInt());
  std::sort(found.begin(), found.end());
  std::vector<int> expected;
  for (int i = from; i <= to; ++i) expected.push_back(i);
  EXPECT_EQ(found, expected) << text.toStdString();
}

// Where on the first page pdftotext finds the word ending in `text`, in points from the top left.
QRectF wordBox(const QString& pdf, const QString& text) {
  QProcess tool;
  tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  tool.waitForFinished(30000);
  static const QRegularExpression word(QStringLiteral(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
  for (auto m = word.globalMatch(QString::fromUtf8(tool.readAllStandardOutput())); m.hasNext();) {
    const auto w = m.next();
    if (w.captured(5).endsWith(text))
      return QRectF(QPointF(w.captured(1).toDouble(), w.captured(2).toDouble()),
                    QPointF(w.captured(3).toDouble(), w.captured(4).toDouble()));
  }
  ADD_FAILURE() << "no word " << text.toStdString() << " in " << pdf.toStdString();
  return {};
}

class PrintDialog : public ReportForms {
 protected:
  static QListWidget* printers(QDialog* d) { return d->findChild<QListWidget*>(); }
  static QStringList printerNames(QDialog* d) {
    QStringList names;
    for (int i = 0; i < printers(d)->count(); ++i) names << printers(d)->item(i)->text();
    return names;
  }
  static QString chosenPrinter(QDialog* d) {
    return printers(d)->currentItem() ? printers(d)->currentItem()->text() : QString();
  }
  // The page boxes and the copies box, in that order.
  static QList<QSpinBox*> numbers(QDialog* d) { return d->findChildren<QSpinBox*>(); }
  // Each range option that can be chosen, "*" after the chosen one.
  static QString offered(QDialog* d) {
    QString out;
    for (QRadioButton* option : d->findChildren<QRadioButton*>())
      if (option->isEnabled()) out += option->text() + (option->isChecked() ? "* " : " ");
    return out.trimmed();
  }
  static QString message(QDialog* d) {
    for (QLabel* label : d->findChildren<QLabel*>())
      if (label->frameShape() == QFrame::Panel) return label->text();
    return {};
  }
  void click(QDialog* d, const QString& text) { wb.user.click(button(d, text)); }
  void choosePages(QDialog* d, int from, int to) {
    click(d, QStringLiteral("页数："));
    wb.user.replaceText(numbers(d)[0], QString::number(from));
    wb.user.replaceText(numbers(d)[1], QString::number(to));
  }

  TForm5 dialog{&wb.main};
  TempFolder out;
};

TEST_F(PrintDialog, PdfEntryWritesTheChosenRangeOneSheetAPage) {
  makeTable(15);  // three pages of five rows
  auto run = calculated(smallSheet(2));
  const QString file = out.file(QStringLiteral("报表 输出.pdf"));
  wb.dialogs.fileAnswers.push_back(file);
  wb.user.whileModal([&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("打印"));
    EXPECT_EQ(printerNames(d), QStringList({QStringLiteral("PDF文件")}))
        << "no print queue here: the PDF file is the only printer";
    EXPECT_EQ(chosenPrinter(d), QStringLiteral("PDF文件"));
    EXPECT_EQ(message(d), QStringLiteral("请选择打印机及打印范围--"));
    EXPECT_EQ(offered(d), QStringLiteral("全部打印* 页数：")) << "the designer's own printing";
    EXPECT_FALSE(numbers(d)[0]->isEnabled());
    EXPECT_EQ(numbers(d)[0]->value(), 1);
    EXPECT_EQ(numbers(d)[1]->value(), 3);
    EXPECT_FALSE(numbers(d)[2]->isEnabled()) << "a PDF file is written once: no copies";
    click(d, QStringLiteral("打印"));
  });
  EXPECT_EQ(dialog.printReport(*run, PrintRangeMode::NoCurrentPage), 2);
  EXPECT_EQ(wb.dialogs.shown.join('\n').toStdString(), "save: | PDF文件");
  const PdfFacts pdf = readPdf(file);
  ASSERT_EQ(pdf.pageSizes.size(), 2u) << "pages 1 and 2 on the first sheet, page 3 alone";
  expectRows(pageText(pdf, 1), 1, 10);
  expectRows(pageText(pdf, 2), 11, 15);
  // The sheet's paper: 200 x 60 mm.
  EXPECT_NEAR(pdf.pageSizes[0].width(), 200 / 25.4 * 72, 1);
  EXPECT_NEAR(pdf.pageSizes[0].height(), 60 / 25.4 * 72, 1);
}

TEST_F(PrintDialog, PagesRangeStartsItsSheetsAtItsFirstPage) {
  makeTable(30);  // six pages
  auto run = calculated(smallSheet(2));
  const QString file = out.file(QStringLiteral("pages.pdf"));
  wb.user.whileModal([&](QDialog* d) {
    EXPECT_EQ(offered(d), QStringLiteral("全部打印* 页数： 打印当前页"));
    choosePages(d, 5, 2);
    EXPECT_TRUE(numbers(d)[0]->isEnabled());
    click(d, QStringLiteral("打印"));
    EXPECT_TRUE(d->isVisible()) << "a range that ends before it starts prints nothing";
    EXPECT_EQ(message(d), QStringLiteral("起始页大于终止页,请重新选择打印范围"));
    EXPECT_TRUE(wb.dialogs.shown.isEmpty()) << "no file is asked for";

    wb.dialogs.fileAnswers.push_back(std::nullopt);
    choosePages(d, 2, 5);
    click(d, QStringLiteral("打印"));
    EXPECT_TRUE(d->isVisible()) << "cancelling the file name goes back to the dialog";
    EXPECT_TRUE(button(d, QStringLiteral("打印"))->isEnabled());

    wb.dialogs.fileAnswers.push_back(file);
    click(d, QStringLiteral("打印"));
  });
  EXPECT_EQ(dialog.printReport(*run, PrintRangeMode::AllRanges, 3), 2);
  const PdfFacts pdf = readPdf(file);
  ASSERT_EQ(pdf.pageSizes.size(), 2u);
  expectRows(pageText(pdf, 1), 6, 15);   // pages 2 and 3
  expectRows(pageText(pdf, 2), 16, 25);  // pages 4 and 5
}

TEST_F(PrintDialog, CurrentPagePrintsThatPageAloneOnItsSheet) {
  makeTable(30);
  auto run = calculated(smallSheet(2));
  const QString file = out.file(QStringLiteral("current.pdf"));
  wb.dialogs.fileAnswers.push_back(file);
  wb.user.whileModal([&](QDialog* d) {
    click(d, QStringLiteral("打印当前页"));
    EXPECT_FALSE(numbers(d)[0]->isEnabled());
    click(d, QStringLiteral("打印"));
  });
  EXPECT_EQ(dialog.printReport(*run, PrintRangeMode::AllRanges, 4), 1);
  const PdfFacts pdf = readPdf(file);
  ASSERT_EQ(pdf.pageSizes.size(), 1u);
  expectRows(pageText(pdf, 1), 16, 20);
}

TEST_F(PrintDialog, CancelClosesWithoutPrinting) {
  makeTable(5);
  auto run = calculated(smallSheet());
  wb.user.whileModal([&](QDialog* d) { click(d, QStringLiteral("取消")); });
  EXPECT_EQ(dialog.printReport(*run, PrintRangeMode::AllRanges, 1), 0);
  EXPECT_TRUE(wb.dialogs.shown.isEmpty());
}

// ---------------------------------------------------------------- through real print queues

class PrintQueues : public PrintDialog {
 protected:
  void SetUp() override {
    if (!cups.available()) GTEST_SKIP() << cups.unavailableReason().toStdString();
    ASSERT_TRUE(cups.addQueue(QStringLiteral("front"), true));
    ASSERT_TRUE(cups.addQueue(QStringLiteral("office")));
  }
  PrivateCups cups;
};

TEST_F(PrintQueues, EverySheetIsAJobOfItsOwnOnTheChosenQueue) {
  makeTable(15);
  auto run = calculated(smallSheet(2));
  wb.user.whileModal([&](QDialog* d) {
    EXPECT_EQ(printerNames(d), QStringList({QStringLiteral("front"), QStringLiteral("office"),
                                            QStringLiteral("PDF文件")}));
    EXPECT_EQ(chosenPrinter(d), QStringLiteral("front")) << "the default queue is chosen";
    wb.user.clickItem(printers(d), QStringLiteral("office"));
    EXPECT_TRUE(numbers(d)[2]->isEnabled()) << "copies are for paper";
    wb.user.replaceText(numbers(d)[2], QStringLiteral("2"));
    click(d, QStringLiteral("打印"));
  });
  EXPECT_EQ(dialog.printReport(*run, PrintRangeMode::AllRanges, 1), 2);
  const QStringList jobs = cups.waitForJobs(QStringLiteral("office"), 2);
  ASSERT_EQ(jobs.size(), 2);
  EXPECT_TRUE(cups.jobFiles(QStringLiteral("front")).isEmpty());
  const PdfFacts first = readPdf(jobs[0]);
  const PdfFacts second = readPdf(jobs[1]);
  ASSERT_EQ(first.pageSizes.size(), 1u);
  ASSERT_EQ(second.pageSizes.size(), 1u);
  expectRows(first.text, 1, 10);
  expectRows(second.text, 11, 15);
  // Each job's one page, printed twice.
  const QStringList log = cups.pageLog();
  ASSERT_EQ(log.size(), 2);
  for (const QString& line : log)
    EXPECT_TRUE(line.contains(QStringLiteral(" total 2 "))) << line.toStdString();
}

TEST_F(PrintQueues, QueueThatRefusesTheJobIsToldNotPrinted) {
  ASSERT_TRUE(cups.addQueue(QStringLiteral("closed"), false, false));
  makeTable(15);
  auto run = calculated(smallSheet(2));
  wb.user.whileModal([&](QDialog* d) {
    wb.user.clickItem(printers(d), QStringLiteral("closed"));
    click(d, QStringLiteral("打印"));
  });
  EXPECT_EQ(dialog.printReport(*run, PrintRangeMode::AllRanges, 1), 0);
  ASSERT_EQ(wb.dialogs.messages.size(), 1) << "the failure is told";
  EXPECT_TRUE(wb.dialogs.messages[0].contains(QStringLiteral("closed")))
      << wb.dialogs.messages[0].toStdString();
  EXPECT_TRUE(cups.jobFiles(QStringLiteral("closed")).isEmpty());
}

TEST_F(PrintQueues, CancelInTheRunStopsBeforeTheNextSheet) {
  makeTable(15);
  auto run = calculated(smallSheet());
  wb.user.whileModal([&](QDialog* d) {
    // The user's click on "取消" arrives while the run is under way.
    QMetaObject::invokeMethod(
        d, [&] { wb.user.click(button(d, QStringLiteral("取消"))); }, Qt::QueuedConnection);
    click(d, QStringLiteral("打印"));
  });
  EXPECT_EQ(dialog.printReport(*run, PrintRangeMode::AllRanges, 1), 0);
  EXPECT_TRUE(wb.dialogs.messages.isEmpty());
  EXPECT_TRUE(cups.waitForJobs(QStringLiteral("front"), 0).isEmpty());
}

TEST_F(PrintQueues, LandscapeSheetArrivesTurned) {
  makeTable(5);
  ReportTemplate t = smallSheet();
  t.paperType = 0;  // A4
  t.paperWidth = 210;
  t.paperHeight = 297;
  t.landscape = true;
  auto run = calculated(t);
  wb.user.whileModal([&](QDialog* d) { click(d, QStringLiteral("打印")); });
  EXPECT_EQ(dialog.printReport(*run, PrintRangeMode::NoCurrentPage), 1);
  const QStringList jobs = cups.waitForJobs(QStringLiteral("front"), 1);
  ASSERT_EQ(jobs.size(), 1);
  const PdfFacts pdf = readPdf(jobs[0]);
  ASSERT_EQ(pdf.pageSizes.size(), 1u);
  // The printer is given portrait A4 and the sheet turned onto it: the rows, one under the other
  // on the sheet, run across the paper.
  EXPECT_NEAR(pdf.pageSizes[0].width(), 595, 1);
  EXPECT_NEAR(pdf.pageSizes[0].height(), 842, 1);
  expectRows(pdf.text, 1, 5);
  const QRectF first = wordBox(jobs[0], QStringLiteral("R1"));
  const QRectF fifth = wordBox(jobs[0], QStringLiteral("R5"));
  EXPECT_GT(fifth.left() - first.left(), 50);
  EXPECT_NEAR(fifth.top(), first.top(), 1);
}

}  // namespace
}  // namespace torvanel::test
