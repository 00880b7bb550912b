// How a command line names a table, shared by the workbench and tdb.

#include <gtest/gtest.h>

#include <QDir>

#include "app/common/table_argument.h"
#include "tests/support/temp_folder.h"

namespace torvanel {
namespace {

TEST(TableArgument, AliasesFilesAndArgumentsThatNameNoTable) {
  auto split = [](const std::string& argument) {
    const TableArgument t = splitTableArgument(argument);
    return std::string(t.alias ? "alias " : "file ") + t.database + "|" + t.table;
  };
  EXPECT_EQ(split("DEMO:ORDERS.DBF"), "alias DEMO|ORDERS.DBF");
  EXPECT_EQ(split("销售:客户 名单.dbf"), "alias 销售|客户 名单.dbf");
  EXPECT_EQ(split("A:sub/t.dbf"), "alias A|sub/t.dbf");
  EXPECT_EQ(split("t.dbf"), "file |t.dbf");
  EXPECT_EQ(split("/srv/数据/客户 名单.dbf"), "file /srv/数据/|客户 名单.dbf");
  EXPECT_EQ(split("./a:b.dbf"), "file ./|a:b.dbf");  // a slash before the colon: a path
  EXPECT_EQ(split(":t.dbf"), "file |:t.dbf");        // no alias name

  // A file of exactly that name is a file, colon or not.
  test::TempFolder dir;
  const QString old = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  dir.write(QStringLiteral("a:b.dbf"), "");
  EXPECT_EQ(split("a:b.dbf"), "file |a:b.dbf");
  EXPECT_EQ(split("a:c.dbf"), "alias a|c.dbf");
  QDir::setCurrent(old);

  for (const char* nothing : {"", "DEMO:", "some/folder/"})
    EXPECT_THROW(splitTableArgument(nothing), TableArgumentError) << nothing;
}

}  // namespace
}  // namespace torvanel
