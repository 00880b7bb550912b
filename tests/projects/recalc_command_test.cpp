// `torvanel --recalc`, run as a nightly job runs it: the built program copied into a program
// folder of its own, with an alias file, a project list and a project file written by the
// project's own writer, on real tables, with no display.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include "app/common/gbk_string.h"
#include "app/projects/project_list_file.h"
#include "app/projects/project_store.h"
#include "engine/convert.h"
#include "tests/engine/folder_snapshot.h"
#include "tests/projects/formula_tables.h"

namespace torvanel {
namespace {

using tdb::FieldType;
using tdb::Value;
using test::field;
using test::text;

struct ProgramRun {
  int status = -1;
  QString out, err;
};

class RecalcCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    root = QString::fromStdString(tables.dir.path());
    QDir(root).mkpath("程序");
    QDir(root).mkpath("资料");
    ASSERT_TRUE(QFile::copy(TORVANEL_PROGRAM, root + "程序/torvanel"));
    tables.dir.write("程序/tdbalias.cfg", toGbk("销售=../资料\r\n").toStdString());
    makeTable("订单.DBF",
              {field("客户", FieldType::ftString, 10), field("单价", FieldType::ftFloat, 10, 2),
               field("数量", FieldType::ftInteger), field("金额", FieldType::ftFloat, 12, 2),
               field("地区", FieldType::ftString, 10)},
              {{{"客户", text("Wang")}, {"单价", Value::number(2.25)}, {"数量", Value::integer(3)}},
               {{"客户", text("li")}, {"单价", Value::number(0.125)}, {"数量", Value::integer(1)}},
               {{"客户", text("zhao")}, {"单价", Value::number(1)}, {"数量", Value::integer(4)}}});
    makeTable("客户.DBF",
              {field("客户", FieldType::ftString, 10), field("地区", FieldType::ftString, 10)},
              {{{"客户", text("LI")}, {"地区", text("华北")}},
               {{"客户", text("wang")}, {"地区", text("华东")}}});
    project.name = "夜间计算";
    project.master = "[销售]订单.DBF";
    project.auxiliaries = {{"销售", "客户.DBF", kLookupRelation, "客户->客户", "", ""}};
    project.formulas = {{"金额", "单价×数量"}, {"地区", "[销售/客户.DBF]地区"}};
  }

  void makeTable(const QString& name, const std::vector<tdb::FieldDef>& fields,
                 const std::vector<test::FieldValues>& rows) {
    test::createTable(QFile::encodeName(root + "资料/").toStdString(), name, fields, rows);
  }

  void saveProject() {
    ProjectList list;
    savefile(project, list, root + "程序/");
  }

  // The program run in its folder with no display of any kind.
  ProgramRun recalc(const QStringList& arguments) const {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(v);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(root);
    process.start(root + "程序/torvanel", arguments);
    ProgramRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
      ADD_FAILURE() << "the program did not finish";
      return run;
    }
    run.status = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
  }

  // Field `name` of every record of the master, as a cursor of its own reads the file.
  QStringList column(const QString& name) const {
    tdb::Table t;
    t.setDatabaseName(QFile::encodeName(root + "资料/").toStdString());
    t.setTableName(QFile::encodeName("订单.DBF").toStdString());
    t.open();
    QStringList out;
    for (t.first(); !t.eof(); t.next())
      out << fromGbk(
          tdb::displayText(test::valueOf(t, name), t.fieldByName(gbkText(name)).dataType()));
    return out;
  }

  tdb::test::FolderSnapshot dataFolder() const {
    return tdb::test::FolderSnapshot(QFile::encodeName(root + "资料").toStdString());
  }

  test::FormulaTables tables;  // its folder holds the program's folder and the data folder
  QString root;
  ProjectDefinition project;
};

TEST_F(RecalcCommand, RecalculatesTheListedProjectWithItsLookups) {
  saveProject();
  const ProgramRun run = recalc({"--recalc", "夜间计算"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains("已计算3/3条记录")) << run.out.toStdString();
  EXPECT_TRUE(run.out.contains("项目[夜间计算]: 3条记录已计算")) << run.out.toStdString();
  EXPECT_EQ(column("金额"), (QStringList{"6.75", "0.12", "4"}));
  EXPECT_EQ(column("地区"), (QStringList{"华东", "华北", ""}));

  // The same with "=", and with the settings' scale: no decimal places.
  tables.dir.write("程序/setfile.tsm", "false\r\nfalse\r\ndbase\r\n1\r\n");
  EXPECT_EQ(recalc({"--recalc=夜间计算"}).status, 0);
  EXPECT_EQ(column("金额"), (QStringList{"7", "", "4"}));
}

TEST_F(RecalcCommand, ATableInAnIndexRelationFollowsTheMaster) {
  makeTable("明细.DBF",
            {field("CUST", FieldType::ftString, 10), field("QTY", FieldType::ftInteger)},
            {{{"CUST", text("zhao")}, {"QTY", Value::integer(5)}},
             {{"CUST", text("Wang")}, {"QTY", Value::integer(7)}}});
  {
    tdb::Table t;
    t.setDatabaseName(QFile::encodeName(root + "资料/").toStdString());
    t.setTableName(QFile::encodeName("明细.DBF").toStdString());
    t.setExclusive(true);
    t.open();
    t.addIndex({"CUST", "CUST", "", 0});
  }
  project.auxiliaries << AuxiliaryTable{"销售", "明细.DBF", kIndexRelation, "CUST->客户", "", ""};
  project.formulas = {{"数量", "[销售/明细.DBF]QTY"}};
  saveProject();
  const ProgramRun run = recalc({"--recalc", "夜间计算"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(column("数量"), (QStringList{"7", "", "5"}));  // li has no detail record
}

TEST_F(RecalcCommand, AWrongCommandLineIsStatusTwo) {
  saveProject();
  const auto before = dataFolder();
  for (const QStringList& args :
       {QStringList{"--recalc"}, QStringList{"--recalc="}, QStringList{"--recalc", "夜间计算", "x"},
        QStringList{"x", "--recalc", "夜间计算"}}) {
    const ProgramRun run = recalc(args);
    EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(run.err.contains("用法: torvanel --recalc 项目名称")) << run.err.toStdString();
  }
  EXPECT_TRUE(dataFolder() == before);
}

TEST_F(RecalcCommand, FailuresBeforeTheFirstStoreLeaveTheTablesUnchanged) {
  const auto before = dataFolder();
  ProgramRun run = recalc({"--recalc", "夜间计算"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains("datatools.tsm不存在")) << run.err.toStdString();

  saveProject();
  run = recalc({"--recalc", "日间计算"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains("项目列表中没有项目[日间计算]")) << run.err.toStdString();

  project.auxiliaries = {{"销售", "没有.DBF", kLookupRelation, "客户->客户", "", ""}};
  saveProject();
  run = recalc({"--recalc", "夜间计算"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains("辅助数据表[销售]没有.DBF为非法数据表!")) << run.err.toStdString();

  project.auxiliaries = {{"销售", "客户.DBF", "", "", "", "没有"}};
  saveProject();
  run = recalc({"--recalc", "夜间计算"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains("辅助数据表[销售]客户.DBF的索引没有错误")) << run.err.toStdString();
  EXPECT_TRUE(dataFolder() == before);
}

TEST_F(RecalcCommand, ALookupErrorStopsTheRunAfterTheRecordInHand) {
  project.auxiliaries = {{"销售", "客户.DBF", kLookupRelation, "客户->没有", "", ""}};
  saveProject();
  const ProgramRun run = recalc({"--recalc", "夜间计算"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains("[销售]客户.DBF查找关系数据类型错误!计算停止(已计算1条记录)"))
      << run.err.toStdString();
  EXPECT_EQ(column("金额"), (QStringList{"", "", ""}));  // stored as it was, without a pass
}

}  // namespace
}  // namespace torvanel
