#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/common/file_error.h"
#include "app/common/table_names.h"
#include "app/projects/project_file.h"
#include "app/projects/project_store.h"
#include "engine/engine_error.h"
#include "engine/table.h"
#include "tests/projects/project_lines.h"
#include "tests/support/temp_folder.h"

namespace torvanel {
namespace {

using test::crlf;
using test::TempFolder;

// A program folder with a master table NAME, PRICE, QTY in it.
class ProjectStore : public ::testing::Test {
 protected:
  void SetUp() override {
    tdb::Table t;
    t.setDatabaseName(engineDatabaseName(dir.path()));
    t.setTableName("MASTER.DBF");
    t.fieldDefs().add("NAME", tdb::FieldType::ftString, 10);
    t.fieldDefs().add("PRICE", tdb::FieldType::ftFloat, 8);
    t.fieldDefs().add("QTY", tdb::FieldType::ftSmallint);
    t.createTable();
    project.name = "进销存";
    project.master = master;
  }

  QString projectFile() const { return project_file::path(dir.path(), master); }
  QByteArray listBytes() const { return dir.read("datatools.tsm"); }

  TempFolder dir;
  const QString master = "[" + dir.path() + "]MASTER.DBF";
  ProjectDefinition project;
  ProjectList list;
};

TEST_F(ProjectStore, SetvalueStartsFromTheMastersFields) {
  project.auxiliaries[0].table = "EDITED";
  setvalue(project, dir.path());
  EXPECT_EQ(project.name, "进销存");
  EXPECT_EQ(project.master, master);
  EXPECT_EQ(project.formulas, (QList<FieldFormula>{{"NAME", ""}, {"PRICE", ""}, {"QTY", ""}}));
  EXPECT_EQ(project.auxiliaries, QList<AuxiliaryTable>{AuxiliaryTable{}});
  EXPECT_EQ(project.pages, ProjectDefinition().pages);

  project.master = " ";  // no master: only the reset
  project.auxiliaries[0].table = "EDITED";
  setvalue(project, dir.path());
  ProjectDefinition reset;
  reset.name = project.name;
  reset.master = project.master;
  EXPECT_EQ(project, reset);
}

TEST_F(ProjectStore, SetvalueLoadsTheMastersProjectFile) {
  project.master = "[" + dir.path() + "]MISSING.DBF";
  project.auxiliaries[0].table = "EDITED";
  // Without the master's fields nothing is read, not even an existing project file.
  dir.write(project_file::fileName(project.master), crlf({"DB|T||||"}));
  EXPECT_THROW(setvalue(project, dir.path()), tdb::EngineError);
  EXPECT_EQ(project.auxiliaries, QList<AuxiliaryTable>{AuxiliaryTable{}});
  EXPECT_TRUE(project.formulas.isEmpty());

  project.master = master;
  dir.write(project_file::fileName(master),
            crlf({"DB|T||||", "==================== ", "QTY|PRICE×(2)", "====================", "1",
                  "@0|主页", "QTY|数量|[DB/T]Q", "********************"}));
  setvalue(project, dir.path());
  EXPECT_EQ(project.auxiliaries[0].table, "T");
  EXPECT_EQ(project.formulas[2].formula, "PRICE×(2)");
  EXPECT_EQ(project.pages[0].rows, (QList<PageColumn>{{"QTY", "数量", "[DB/T]Q"}}));

  // A damaged file reports itself; what it held before the damage stays.
  dir.write(project_file::fileName(master),
            crlf({"DB|U||||", "====================", "====================", "?"}));
  EXPECT_THROW(setvalue(project, dir.path()), FileError);
  EXPECT_EQ(project.auxiliaries[0].table, "U");
}

TEST_F(ProjectStore, SavefileWritesTheListFirstThenTheProject) {
  dir.write("datatools.tsm", "a---[D]A\r\n\r\n");
  // "新建项目" before any list was loaded: the stored lines are kept.
  project.formulas = {{"NAME", ""}, {"PRICE", "(1)"}, {"QTY", ""}};
  savefile(project, list, dir.path());
  EXPECT_EQ(listBytes(), crlf({"a---[D]A", "", "进销存---" + master}));
  EXPECT_EQ(list.lines.size(), 3);
  ProjectDefinition read = project;
  setvalue(read, dir.path());
  EXPECT_EQ(read, project);

  // Modify replaces the selected line; a new name keeps the file, a new master makes another.
  list.selected = 0;
  list.mode = DesignerMode::Modify;
  project.name = "改名";
  savefile(project, list, dir.path());
  EXPECT_EQ(listBytes(), crlf({"改名---" + master, "", "进销存---" + master}));
  EXPECT_EQ(QDir(dir.path()).entryList({"*.tsm"}).size(), 2);
  project.master = "[DEMO]X.DBF";
  savefile(project, list, dir.path());
  EXPECT_TRUE(QFile::exists(dir.file("[DEMO]X.tsm")));
  EXPECT_EQ(QDir(dir.path()).entryList({"*.tsm"}).size(), 3);
}

TEST_F(ProjectStore, SavefileWithoutMasterSavesNothing) {
  project.master = "  ";
  savefile(project, list, dir.path());
  EXPECT_FALSE(list.loaded);
  EXPECT_TRUE(QDir(dir.path()).entryList({"*.tsm"}).isEmpty());
}

TEST_F(ProjectStore, AFailedListWriteChangesNothing) {
  list.load(dir.path());
  ASSERT_TRUE(QDir(dir.path()).mkdir("datatools.tsm"));  // in the way of the rename
  EXPECT_THROW(savefile(project, list, dir.path()), FileError);
  EXPECT_TRUE(list.lines.isEmpty());
  EXPECT_EQ(list.mode, DesignerMode::New);
  EXPECT_FALSE(QFile::exists(projectFile()));  // nothing after the failing step
}

TEST_F(ProjectStore, ARetryAfterAFailedProjectWriteAddsTheLineOnce) {
  list.load(dir.path());
  ASSERT_TRUE(QDir().mkdir(projectFile()));
  EXPECT_THROW(savefile(project, list, dir.path()), FileError);
  EXPECT_EQ(listBytes(), crlf({"进销存---" + master}));
  ASSERT_TRUE(QDir().rmdir(projectFile()));
  savefile(project, list, dir.path());
  EXPECT_EQ(listBytes(), crlf({"进销存---" + master}));
  EXPECT_EQ(list.lines.size(), 1);
  EXPECT_TRUE(QFile::exists(projectFile()));
}

TEST_F(ProjectStore, SavefileCleansLineBreaksAndRefusesUnwritableText) {
  project.name = "进销\r\n存";
  project.pages[0].caption = "主\n页";
  savefile(project, list, dir.path());
  EXPECT_EQ(listBytes(), crlf({"进销存---" + master}));
  EXPECT_TRUE(dir.read(project_file::fileName(master)).contains(crlf({"@0|主页"})));

  const QByteArray before = dir.read(project_file::fileName(master));
  project.pages[0].rows[0] = {"NAME", "名|称", ""};
  try {
    savefile(project, list, dir.path());
    FAIL();
  } catch (const FileError& e) {
    EXPECT_EQ(e.text(), "页面[主页]第1行的显示名称含有\"|\",不能保存!");
  }
  EXPECT_EQ(listBytes(), crlf({"进销存---" + master}));
  EXPECT_EQ(dir.read(project_file::fileName(master)), before);
}

}  // namespace
}  // namespace torvanel
