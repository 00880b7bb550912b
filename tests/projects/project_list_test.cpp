#include <gtest/gtest.h>

#include <QDir>

#include "app/common/file_error.h"
#include "app/projects/project_list_file.h"
#include "tests/support/temp_folder.h"

namespace torvanel {
namespace {

using test::TempFolder;

TEST(ProjectListFile, KeepsEveryLineEmptyOnesIncluded) {
  TempFolder dir;
  EXPECT_FALSE(project_list_file::exists(dir.path()));
  EXPECT_TRUE(project_list_file::read(dir.path()).isEmpty());

  const QByteArray bytes = "\xBD\xF8---[DB]A.DBF\r\n\r\nb---[/d/]B.DB\r\n\r\n";  // 进---…
  dir.write("datatools.tsm", bytes);
  const QStringList lines = project_list_file::read(dir.path());
  EXPECT_EQ(lines, (QStringList{"进---[DB]A.DBF", "", "b---[/d/]B.DB", ""}));
  project_list_file::write(dir.path(), lines);
  EXPECT_EQ(dir.read("datatools.tsm"), bytes);
}

TEST(ProjectListFile, AnEmptiedListDeletesTheFile) {
  TempFolder dir;
  project_list_file::write(dir.path(), {});  // nothing to delete is no error
  project_list_file::write(dir.path(), {""});
  EXPECT_EQ(dir.read("datatools.tsm"), "\r\n");  // one empty line is still a list
  project_list_file::write(dir.path(), {});
  EXPECT_FALSE(project_list_file::exists(dir.path()));
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(ProjectListFile, LinesSplitAtTheirFirstSeparator) {
  ProjectListEntry e;
  ASSERT_TRUE(splitListLine("a---b---[DB]T", e));
  EXPECT_EQ(e.name, "a");
  EXPECT_EQ(e.master, "b---[DB]T");
  ASSERT_TRUE(splitListLine("---", e));
  EXPECT_EQ(e.name, "");
  EXPECT_EQ(e.master, "");
  EXPECT_FALSE(splitListLine("", e));
  EXPECT_FALSE(splitListLine("[DB]T--", e));
  EXPECT_EQ(listLine("名", "[DB]T"), "名---[DB]T");
}

TEST(ProjectList, LoadsSelectsRemovesAndWritesBack) {
  TempFolder dir;
  ProjectList list;
  list.load(dir.path());  // no file: an empty list
  EXPECT_TRUE(list.loaded);
  EXPECT_EQ(list.selected, -1);
  EXPECT_EQ(list.selectedLine(), nullptr);
  list.removeSelected();  // nothing selected: nothing happens

  dir.write("datatools.tsm", "a---[D]A\r\nb---[D]B\r\nc---[D]C\r\n");
  list.load(dir.path());
  ASSERT_NE(list.selectedLine(), nullptr);
  EXPECT_EQ(*list.selectedLine(), "a---[D]A");
  list.selected = 2;
  list.removeSelected();  // the last line: the new last one is selected
  EXPECT_EQ(list.lines, (QStringList{"a---[D]A", "b---[D]B"}));
  EXPECT_EQ(list.selected, 1);
  list.selected = 0;
  list.removeSelected();  // the next line moves up into the selection
  EXPECT_EQ(*list.selectedLine(), "b---[D]B");
  EXPECT_EQ(dir.read("datatools.tsm"), "a---[D]A\r\nb---[D]B\r\nc---[D]C\r\n");  // memory only
  list.save(dir.path());
  EXPECT_EQ(dir.read("datatools.tsm"), "b---[D]B\r\n");
  list.removeSelected();
  list.save(dir.path());
  EXPECT_FALSE(project_list_file::exists(dir.path()));
}

TEST(ProjectList, AnUnreadableFileLeavesTheListAsItWas) {
  TempFolder dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("datatools.tsm"));  // exists, cannot be read as a file
  ProjectList list;
  list.lines = {"x---[D]X"};
  list.selected = 0;
  EXPECT_THROW(list.load(dir.path()), FileError);
  EXPECT_EQ(list.lines, QStringList{"x---[D]X"});
  EXPECT_FALSE(list.loaded);
}

}  // namespace
}  // namespace torvanel
