#include <gtest/gtest.h>

#include "app/projects/project_file.h"
#include "app/projects/project_text_check.h"
#include "tests/projects/project_lines.h"

namespace torvanel {
namespace {

ProjectDefinition sample() {
  ProjectDefinition p;
  p.name = "进销存";
  p.master = "[DB]M.DBF";
  p.auxiliaries = {{"DB", "G.DBF", kLookupRelation, "A->B", kShown, "A|B"}, {}};
  p.formulas = {{"A", "[DB/G.DBF]A|x"}, {"B", ""}};
  p.pages = {DisplayPage{"页|一", {{"A", "名称", "[DB/G.DBF]A|y"}}}};
  return p;
}

// The check's message for the sample project after `change`.
template <typename Change>
QString problem(Change change) {
  ProjectDefinition p = sample();
  change(p);
  return projectTextProblem(p);
}

TEST(ProjectTextCheck, LineBreaksAreRemovedEverywhere) {
  ProjectDefinition p = sample();
  EXPECT_FALSE(removeLineBreaks(p));
  p.name = "进\r\n销存";
  p.auxiliaries[0].lookupIndex = "A\n";
  p.formulas[0].formula = "(1)\r＋B";
  p.pages[0].caption = "\n页";
  p.pages[0].rows[0].promptSource = "[DB/G.DBF]\rA";
  EXPECT_TRUE(removeLineBreaks(p));
  EXPECT_EQ(p.name, "进销存");
  EXPECT_EQ(p.auxiliaries[0].lookupIndex, "A");
  EXPECT_EQ(p.formulas[0].formula, "(1)＋B");
  EXPECT_EQ(p.pages[0].caption, "页");
  EXPECT_EQ(p.pages[0].rows[0].promptSource, "[DB/G.DBF]A");
  // Cleaned, the project reads back as it was written.
  EXPECT_EQ(test::readProject(project_file::toBytes(p), {"A", "B"}).pages, p.pages);
}

// Text in the last column of a line, or in the list's master part, may hold anything; text the
// reader would cut or misread is refused with a message that says where it is.
TEST(ProjectTextCheck, RefusesTextTheFilesWouldMisread) {
  EXPECT_EQ(projectTextProblem(sample()), "");

  EXPECT_EQ(problem([](ProjectDefinition& p) { p.name = "a---b"; }),
            "项目名称含有\"---\",不能保存!");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.name = "销售-"; }),  // "销售----[DB]M.DBF"
            "项目名称以\"-\"结尾,不能保存!");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.name = "-a--b-c"; }), "");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.master = "[DB]a---b"; }), "");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.pages[0].rows[0].displayName = "名|称"; }),
            "页面[页|一]第1行的显示名称含有\"|\",不能保存!");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.auxiliaries[0].database = "/a|b/"; }),
            "辅助数据表第1行的链接别名含有\"|\",不能保存!");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.auxiliaries[0].relationText = "A|C->B"; }),
            "辅助数据表第1行的关系字段含有\"|\",不能保存!");
  // A row without a table is not written, so its text does not matter.
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.auxiliaries[1].database = "a|b"; }), "");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.formulas[0].field = "A|B"; }),
            "字段名称[A|B]含有\"|\",不能保存!");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.formulas[1].field = "B|C"; }), "");  // no formula
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.pages[0].rows[0].field = "@A"; }),
            "页面[页|一]第1行的字段名称以\"@\"开头,不能保存!");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.pages.resize(1001); }),
            "页面数超出1000,不能保存!");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.pages.resize(1000); }), "");
}

TEST(ProjectTextCheck, RefusesCharactersGbkCannotHold) {
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.name = "进销存😀"; }),
            "项目名称含有GBK不能保存的字符[😀],不能保存!");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.formulas[1].formula = "(#s ☃)"; }),
            "字段[B]的公式含有GBK不能保存的字符[☃],不能保存!");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.pages[0].rows[0].promptSource = "[D/한]A"; }),
            "页面[页|一]第1行的提示字段含有GBK不能保存的字符[한],不能保存!");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.master = "[/home/ß/]T"; }),
            "主数据表含有GBK不能保存的字符[ß],不能保存!");
  EXPECT_EQ(problem([](ProjectDefinition& p) { p.formulas[1].formula = "ü＋·—×÷"; }), "");
}

}  // namespace
}  // namespace torvanel
