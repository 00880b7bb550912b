// `torvanel --report`, run as a script runs it: the built program, copied into a program folder of
// its own with an alias file, on real tables and template files, with no display. Its PDFs are
// read back with poppler's tools.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <set>

#include "app/common/gbk_string.h"
#include "app/reports/report_template.h"
#include "app/reports/template_file.h"
#include "tests/engine/table_fixture.h"
#include "tests/reports/pdf_reader.h"

namespace torvanel {
namespace {

using test::pageText;
using test::readPdf;

struct ProgramRun {
  int status = -1;
  QString err;
};

class ReportCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = QString::fromStdString(tmp.path());
    QDir(dir_).mkpath(QStringLiteral("程序"));
    QDir(dir_).mkpath(QStringLiteral("资料"));
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(TORVANEL_PROGRAM), path(QStringLiteral("程序/torvanel"))));
    tmp.write("程序/tdbalias.cfg", toGbk(QStringLiteral("销售=../资料\r\n")).toStdString());
    tdb::test::makeSample(tmp, "资料/客户 名单.dbf", 120);
    ReportTemplate t = defaultTemplate();
    t.sections[kMainTitle].text = QStringLiteral("销售名单报表");
    t.sections[kPageHeader].text = QStringLiteral("第[PageNum]/[PageCou]张");
    writeTemplateFile(path(QStringLiteral("客户.ts0")), t);
    t.landscape = true;
    t.tablesAcross = 2;
    writeTemplateFile(path(QStringLiteral("横向.ts1")), t);
  }

  QString path(const QString& name) const { return dir_ + name; }

  // The program run in the test's folder, with no display of any kind.
  ProgramRun report(const QStringList& arguments) const {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir_);
    process.start(path(QStringLiteral("程序/torvanel")),
                  QStringList{QStringLiteral("--report")} + arguments);
    ProgramRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
      ADD_FAILURE() << "the program did not finish";
      return run;
    }
    run.status = process.exitCode();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
  }

  QStringList filesIn(const QString& folder) const {
    return QDir(path(folder)).entryList(QDir::Files, QDir::Name);
  }

  tdb::test::TempDir tmp;
  QString dir_;
};

TEST_F(ReportCommand, PathTableToPdfAndPictures) {
  const ProgramRun run =
      report({QStringLiteral("资料/客户 名单.dbf"), QStringLiteral("--template"),
              QStringLiteral("客户.ts0"), QStringLiteral("--pdf"), QStringLiteral("报表 一.pdf"),
              QStringLiteral("--png"), QStringLiteral("图片")});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

  const test::PdfFacts pdf = readPdf(path(QStringLiteral("报表 一.pdf")));
  ASSERT_EQ(pdf.pageSizes.size(), 3u);  // 120 records, about 40 ruled rows to an A4 page
  for (const QSizeF& size : pdf.pageSizes) {
    EXPECT_NEAR(size.width(), 595.3, 0.6);
    EXPECT_NEAR(size.height(), 841.9, 0.6);
  }
  const QString first = pageText(pdf, 1);
  EXPECT_TRUE(first.contains(QStringLiteral("销售名单报表"))) << first.toStdString();
  EXPECT_TRUE(first.contains(QStringLiteral("第1/3张"))) << first.toStdString();
  EXPECT_TRUE(first.contains(QStringLiteral("├───┼─────┼"))) << first.toStdString();
  EXPECT_TRUE(first.contains(QStringLiteral("└───┴─────┴"))) << first.toStdString();
  EXPECT_TRUE(first.contains(QStringLiteral("R1 "))) << first.toStdString();
  EXPECT_FALSE(first.contains(QStringLiteral("R120"))) << first.toStdString();
  EXPECT_TRUE(pageText(pdf, 3).contains(QStringLiteral("R120")));
  EXPECT_TRUE(pageText(pdf, 3).contains(QStringLiteral("第3/3张")));

  EXPECT_EQ(filesIn(QStringLiteral("图片")),
            (QStringList{QStringLiteral("第1页.png"), QStringLiteral("第2页.png"),
                         QStringLiteral("第3页.png")}));
  const QImage picture(path(QStringLiteral("图片/第1页.png")));
  EXPECT_EQ(picture.size(), QSize(qRound(210 * 96 / 25.4), qRound(297 * 96 / 25.4)));
}

TEST_F(ReportCommand, RangeOfAnAliasTableGivesTheSamePagesAsTheWholeReport) {
  ASSERT_EQ(report({QStringLiteral("销售:客户 名单.dbf"), QStringLiteral("--template"),
                    path(QStringLiteral("客户.ts0")), QStringLiteral("--pdf"),
                    QStringLiteral("全部.pdf")})
                .status,
            0);
  const ProgramRun run =
      report({QStringLiteral("销售:客户 名单.dbf"), QStringLiteral("--template"),
              QStringLiteral("客户.ts0"), QStringLiteral("--range"), QStringLiteral("2,3"),
              QStringLiteral("--pdf"), QStringLiteral("部分.pdf")});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const test::PdfFacts whole = readPdf(path(QStringLiteral("全部.pdf")));
  const test::PdfFacts part = readPdf(path(QStringLiteral("部分.pdf")));
  ASSERT_EQ(part.pageSizes.size(), 2u);
  EXPECT_EQ(pageText(part, 1), pageText(whole, 2));
  EXPECT_EQ(pageText(part, 2), pageText(whole, 3));

  // Two tables across on turned paper: pages 2 and 3 share one sheet.
  const ProgramRun across =
      report({QStringLiteral("销售:客户 名单.dbf"), QStringLiteral("--template"),
              QStringLiteral("横向.ts1"), QStringLiteral("--range=2,3"),
              QStringLiteral("--pdf=横向.pdf")});
  ASSERT_EQ(across.status, 0) << across.err.toStdString();
  const test::PdfFacts turned = readPdf(path(QStringLiteral("横向.pdf")));
  ASSERT_EQ(turned.pageSizes.size(), 1u);
  EXPECT_NEAR(turned.pageSizes[0].width(), 841.9, 0.6);
  EXPECT_NEAR(turned.pageSizes[0].height(), 595.3, 0.6);
  const QString sheet = pageText(turned, 1);
  EXPECT_TRUE(sheet.contains(QStringLiteral("第2/"))) << sheet.toStdString();
  // The sheet holds the records of pages 2 and 3, whatever the rows of a turned page: a run of
  // 2 × rows records starting after the first page's.
  std::set<int> records;
  static const QRegularExpression name(QStringLiteral(R"(\bR(\d+)\b)"));
  for (auto m = name.globalMatch(sheet); m.hasNext();) records.insert(m.next().captured(1).toInt());
  ASSERT_FALSE(records.empty());
  const int rows = static_cast<int>(records.size()) / 2;
  EXPECT_EQ(*records.begin(), rows + 1);
  EXPECT_EQ(*records.rbegin(), 3 * rows);
  EXPECT_EQ(records.size() % 2, 0u);

  // Pages 1 to 3 two across: the second sheet holds page 3 alone.
  ASSERT_EQ(report({QStringLiteral("销售:客户 名单.dbf"), QStringLiteral("--template"),
                    QStringLiteral("横向.ts1"), QStringLiteral("--range=1,3"),
                    QStringLiteral("--pdf=横向二.pdf")})
                .status,
            0);
  const test::PdfFacts two = readPdf(path(QStringLiteral("横向二.pdf")));
  ASSERT_EQ(two.pageSizes.size(), 2u);
  EXPECT_TRUE(pageText(two, 2).contains(QStringLiteral("第3/"))) << pageText(two, 2).toStdString();
}

// The report lists a table as its window would: in the order of its first index.
TEST_F(ReportCommand, TableIsInTheOrderOfItsFirstIndex) {
  tdb::test::makeSample(tmp, "资料/有序.dbf", 12);
  tdb::test::addIndex(tmp, "资料/有序.dbf", {"NAME", "NAME", "", 0});
  ASSERT_EQ(
      report({QStringLiteral("资料/有序.dbf"), QStringLiteral("--template"),
              QStringLiteral("客户.ts0"), QStringLiteral("--pdf"), QStringLiteral("有序.pdf")})
          .status,
      0);
  const QString text = readPdf(path(QStringLiteral("有序.pdf"))).text;
  const QStringList names = {QStringLiteral("R1 "), QStringLiteral("R10 "), QStringLiteral("R11 "),
                             QStringLiteral("R12 "), QStringLiteral("R2 ")};
  for (int i = 1; i < names.size(); ++i)
    EXPECT_LT(text.indexOf(names[i - 1]), text.indexOf(names[i])) << text.toStdString();
}

// Each failure is one Chinese message and a status other than 0, and writes nothing: no file
// under the output's name, an earlier one left as it was.
TEST_F(ReportCommand, FailuresAreSaidAndWriteNothing) {
  tmp.write("旧.pdf", "earlier report");
  const QStringList table = {QStringLiteral("资料/客户 名单.dbf"), QStringLiteral("--template"),
                             QStringLiteral("客户.ts0")};
  struct Case {
    QStringList arguments;
    int status;
    QString said;
  };
  const std::vector<Case> cases = {
      {table + QStringList{QStringLiteral("--range"), QStringLiteral("3,1"),
                           QStringLiteral("--pdf"), QStringLiteral("旧.pdf")},
       2, QStringLiteral("页码范围[3,1]不对")},
      {table + QStringList{QStringLiteral("--range"), QStringLiteral("0,2"),
                           QStringLiteral("--pdf"), QStringLiteral("旧.pdf")},
       2, QStringLiteral("页码范围[0,2]不对")},
      {table + QStringList{QStringLiteral("--range"), QStringLiteral("二,三"),
                           QStringLiteral("--pdf"), QStringLiteral("旧.pdf")},
       2, QStringLiteral("页码范围")},
      {table + QStringList{QStringLiteral("--range"), QStringLiteral("2,9"),
                           QStringLiteral("--pdf"), QStringLiteral("旧.pdf")},
       1, QStringLiteral("报表共3页")},
      {table + QStringList{QStringLiteral("--pfd"), QStringLiteral("旧.pdf")}, 2,
       QStringLiteral("不认识的参数: --pfd")},
      {table, 2, QStringLiteral("没有指定输出")},
      {table + QStringList{QStringLiteral("--pdf")}, 2, QStringLiteral("参数--pdf缺少值")},
      {{QStringLiteral("资料/没有.dbf"), QStringLiteral("--template"), QStringLiteral("客户.ts0"),
        QStringLiteral("--pdf"), QStringLiteral("旧.pdf")},
       1,
       QStringLiteral("不能打开")},
      {{QStringLiteral("资料/客户 名单.dbf"), QStringLiteral("--template"),
        QStringLiteral("没有.ts0"), QStringLiteral("--pdf"), QStringLiteral("旧.pdf")},
       1,
       QStringLiteral("没有.ts0")},
      {table + QStringList{QStringLiteral("--pdf"), QStringLiteral("没有/新.pdf")}, 1,
       QStringLiteral("没有/新.pdf]无法写入")},
      {table + QStringList{QStringLiteral("--pdf"), QStringLiteral("资料")}, 1,
       QStringLiteral("无法写入")},
      {table + QStringList{QStringLiteral("--png"), QStringLiteral("旧.pdf")}, 1,
       QStringLiteral("旧.pdf]无法建立")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
    const ProgramRun run = report(c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_TRUE(run.err.contains(c.said)) << run.err.toStdString();
    EXPECT_EQ(tmp.read("旧.pdf"), "earlier report");
  }
  EXPECT_EQ(QDir(dir_).entryList(QDir::Files),
            (QStringList{QStringLiteral("客户.ts0"), QStringLiteral("旧.pdf"),
                         QStringLiteral("横向.ts1")}));
  EXPECT_FALSE(QFile::exists(path(QStringLiteral("没有"))));
}

TEST_F(ReportCommand, TableWithoutRecordsHasNoReport) {
  tdb::test::makeSample(tmp, "资料/空.dbf", 0);
  const ProgramRun run =
      report({QStringLiteral("资料/空.dbf"), QStringLiteral("--template"),
              QStringLiteral("客户.ts0"), QStringLiteral("--pdf"), QStringLiteral("空.pdf")});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("数据库没有满足条件记录或纸张太小，不能制表！")))
      << run.err.toStdString();
  EXPECT_FALSE(QFile::exists(path(QStringLiteral("空.pdf"))));
}

}  // namespace
}  // namespace torvanel
