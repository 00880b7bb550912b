#include <gtest/gtest.h>

#include "app/projects/project_definition.h"

namespace torvanel {
namespace {

// A table chosen through a folder has a database full of "/"; an alias has none. Either way the
// entry splits back into the database and table it was made of.
TEST(TableEntries, SplitAtTheLastSlash) {
  for (const TableRef& ref : {TableRef{"DEMO", "ORDERS.DBF"}, TableRef{"/home/u/数据/", "库存.DB"},
                              TableRef{"/", "T"}, TableRef{"", "T"}}) {
    const AuxiliaryTable aux{ref.database, ref.table, "", "", "", ""};
    const TableRef back = splitTableEntry(aux.entryText());
    EXPECT_EQ(back.database, ref.database) << aux.entryText().toStdString();
    EXPECT_EQ(back.table, ref.table);

    FieldReference field;
    ASSERT_TRUE(parseFieldReference("[" + aux.entryText() + "]QTY", field));
    EXPECT_EQ(field.database, ref.database);
    EXPECT_EQ(field.table, ref.table);
    EXPECT_EQ(field.field, "QTY");
  }
  const TableRef bare = splitTableEntry("T.DBF");
  EXPECT_EQ(bare.database, "");
  EXPECT_EQ(bare.table, "T.DBF");

  FieldReference field{"kept", "kept", "kept"};
  EXPECT_FALSE(parseFieldReference("QTY", field));
  EXPECT_FALSE(parseFieldReference("DB/T]QTY", field));
  EXPECT_EQ(field.table, "kept");
  // The field follows the last "]": a folder or table name may hold one.
  ASSERT_TRUE(parseFieldReference("[/a]b/T]1]F", field));
  EXPECT_EQ(field.database, "/a]b");
  EXPECT_EQ(field.table, "T]1");
  EXPECT_EQ(field.field, "F");
}

TEST(AuxiliaryTable, RelationTextSplitsAtItsFirstArrow) {
  AuxiliaryTable a;
  EXPECT_EQ(a.auxiliaryKey(), "");
  EXPECT_EQ(a.masterFields(), "");
  a.relationText = "CODE;NAME->CODE->X";
  EXPECT_EQ(a.auxiliaryKey(), "CODE;NAME");
  EXPECT_EQ(a.masterFields(), "CODE->X");
  a.relationText = "->CODE";
  EXPECT_EQ(a.auxiliaryKey(), "");
  EXPECT_EQ(a.masterFields(), "CODE");
  a.relationText = "CODE";  // no arrow: all key
  EXPECT_EQ(a.auxiliaryKey(), "CODE");
  EXPECT_EQ(a.masterFields(), "");
}

TEST(ProjectDefinition, ResetKeepsNameAndMasterOnly) {
  ProjectDefinition p;
  EXPECT_EQ(p.auxiliaries.size(), 1);
  ASSERT_EQ(p.pages.size(), 1);
  EXPECT_EQ(p.pages[0].caption, "第0页");
  EXPECT_FALSE(p.pages[0].hasFields());

  p.name = "n";
  p.master = " [DB]M.DBF ";
  p.auxiliaries = {{"DB", "A", "", "", "", ""}, {"DB", "B", "", "", "", ""}};
  p.formulas = {{"F", "1"}};
  p.pages = {DisplayPage{"x", {{"F", "F", ""}}}, DisplayPage{"y"}};
  EXPECT_TRUE(p.pages[0].hasFields());
  EXPECT_EQ(p.formulaOf("F")->formula, "1");
  EXPECT_EQ(p.formulaOf("f"), nullptr);
  EXPECT_EQ(p.masterRef().database, "DB");
  EXPECT_EQ(p.masterRef().table, "M.DBF");

  p.reset();
  ProjectDefinition fresh;
  fresh.name = "n";
  fresh.master = " [DB]M.DBF ";
  EXPECT_EQ(p, fresh);
  EXPECT_EQ(DisplayPage::defaultCaption(12), "第12页");
}

}  // namespace
}  // namespace torvanel
