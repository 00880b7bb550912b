#include <gtest/gtest.h>

#include "app/common/file_error.h"
#include "app/projects/project_file.h"
#include "tests/projects/project_lines.h"
#include "tests/support/temp_folder.h"

namespace torvanel {
namespace {

using test::crlf;
using test::readProject;

const QString kAux = "====================辅助表项";
const QString kFormulas = "====================字段公式项";
const QString kEnd = "********************结束";

// A project that uses every member, with texts the line format must carry unchanged.
ProjectDefinition fullProject() {
  ProjectDefinition p;
  p.name = "进销存";
  p.master = "[DB]MASTER.DBF";
  p.auxiliaries = {{"DB", "GOODS.DBF", kLookupRelation, "CODE->NAME", kShown, "CODE|ix"},
                   {"/home/u/数据/", "PRICES.DB", kIndexRelation, "->", kNotShown, ""},
                   {"", "", "", "", "", ""},  // no table: not stored
                   {"DB", "RATES.TXT", "", "", "", ""}};
  p.formulas = {{"NAME", ""}, {"PRICE", "[DB/GOODS.DBF]PRICE×(1.5)|x"}, {"QTY", "(#s 件)"}};
  p.pages = {DisplayPage{"基本", {{"NAME", "名称", "[DB/GOODS.DBF]NAME"}, {"QTY", "数量", ""}}},
             DisplayPage{"第1页"}};
  return p;
}

TEST(ProjectFileName, FollowsTheMastersTextNotTheProjectName) {
  EXPECT_EQ(project_file::fileName("[C:\\DATA]STOCK.DBF"), "[CDATA]STOCK.tsm");
  EXPECT_EQ(project_file::fileName("[SALES]orders.db"), "[SALES]orders.tsm");
  EXPECT_EQ(project_file::fileName("[SALES]orders"), "[SALES]orders.tsm");
  // Only the extension's first occurrence goes, wherever it stands.
  EXPECT_EQ(project_file::fileName("[A.DB]B.DB"), "[A]B.DB.tsm");
  // A "." before a "\" or ":" starts no extension; every unsafe character goes.
  EXPECT_EQ(project_file::fileName("[C:\\V1.2\\x]T"), "[CV1.2x]T.tsm");
  EXPECT_EQ(project_file::fileName("[D]a*b?c\"d<e>f|g"), "[D]abcdefg.tsm");
  // A folder database: its "/" go, and a "." in the folder is no extension, so two folders that
  // differ after the "." keep files of their own.
  EXPECT_EQ(project_file::fileName("[/home/u/v1.2/]STOCK.DBF"), "[homeuv1.2]STOCK.tsm");
  EXPECT_NE(project_file::fileName("[/d/x.a/]S"), project_file::fileName("[/d/x.b/]S"));

  test::TempFolder dir;
  EXPECT_EQ(project_file::path(dir.path(), "[SALES]orders"), dir.file("[SALES]orders.tsm"));
}

TEST(ProjectFileWriter, EmptyProjectIsSixGbkCrLfLines) {
  ProjectDefinition p;
  p.master = "[DB]T.DBF";
  EXPECT_EQ(project_file::toBytes(p),
            QByteArray("====================\xB8\xA8\xD6\xFA\xB1\xED\xCF\xEE\r\n"
                       "====================\xD7\xD6\xB6\xCE\xB9\xAB\xCA\xBD\xCF\xEE\r\n"
                       "1\r\n"
                       "@0|\xB5\xDA"
                       "0\xD2\xB3\r\n"
                       "||\r\n"
                       "********************\xBD\xE1\xCA\xF8\r\n"));
}

TEST(ProjectFileWriter, LaysOutEverySectionLineForLine) {
  test::TempFolder dir;
  const ProjectDefinition p = fullProject();
  project_file::write(dir.path(), p);
  EXPECT_EQ(dir.read("[DB]MASTER.tsm"),
            crlf({"DB|GOODS.DBF|[查找]关系|CODE->NAME|√|CODE|ix",
                  "/home/u/数据/|PRICES.DB|[索引]关系|->|Ｘ|", "DB|RATES.TXT||||", kAux,
                  "PRICE|[DB/GOODS.DBF]PRICE×(1.5)|x", "QTY|(#s 件)", kFormulas, "2", "@0|基本",
                  "NAME|名称|[DB/GOODS.DBF]NAME", "QTY|数量|", "@1|第1页", "||", kEnd}));
}

TEST(ProjectFileReader, ReadsBackWhatWasWritten) {
  const ProjectDefinition written = fullProject();
  ProjectDefinition read = readProject(project_file::toBytes(written));
  ProjectDefinition expected = written;
  expected.name.clear();             // the list holds the name, not the file
  expected.auxiliaries.removeAt(2);  // the row without a table
  EXPECT_EQ(read, expected);

  // A formula of a field the master no longer has is gone; the others come back.
  read = readProject(project_file::toBytes(written), {"NAME", "QTY"});
  ASSERT_EQ(read.formulas.size(), 2);
  EXPECT_EQ(read.formulas[1].formula, "(#s 件)");
}

TEST(ProjectFileReader, CutsColumnsAtBarsAndCarriesTheRest) {
  const ProjectDefinition p =
      readProject(crlf({"DB|T|X",  // too few bars: the text waits for the last column
                        "DB|T|[查找]关系|A->B->C||I|J",  // the lookup index keeps its "|"
                        "DB|T||k1;k2->", kAux,           //
                        "PRICE|a|b|c",                   // the formula keeps its "|"
                        kFormulas, "1", "@0|页|面",      // the caption is the rest of the header
                        "NAME|名|称|[DB/T]F",  // a display name loses its tail to the prompt source
                        kEnd}));
  ASSERT_EQ(p.auxiliaries.size(), 3);
  EXPECT_EQ(p.auxiliaries[0], (AuxiliaryTable{"DB", "T", "", "", "", "X"}));
  const AuxiliaryTable& lookup = p.auxiliaries[1];
  EXPECT_EQ(lookup.lookupIndex, "I|J");
  EXPECT_EQ(lookup.auxiliaryKey(), "A");  // split at the first "->"
  EXPECT_EQ(lookup.masterFields(), "B->C");
  EXPECT_EQ(p.auxiliaries[2].relationText, "");  // the line ended before column 4
  EXPECT_EQ(p.auxiliaries[2].lookupIndex, "k1;k2->");
  EXPECT_EQ(p.formulas[1].formula, "a|b|c");
  EXPECT_EQ(p.pages[0].caption, "页|面");
  EXPECT_EQ(p.pages[0].rows[0], (PageColumn{"NAME", "名", "称|[DB/T]F"}));
}

TEST(ProjectFileReader, MatchesFormulasToFieldsExactly) {
  const ProjectDefinition p = readProject(crlf(
      {kAux, "price|1", "GONE|2", "QTY|3", "QTY|4", "|5", "PRICE", kFormulas, "1", "@0|x", kEnd}));
  EXPECT_EQ(p.formulas, (QList<FieldFormula>{{"NAME", ""}, {"PRICE", ""}, {"QTY", "4"}}));
}

TEST(ProjectFileReader, PlacesRowsByTheirPageHeaders) {
  const ProjectDefinition p = readProject(crlf({kAux, kFormulas, "3",  //
                                                "NAME|before|",        // before any header: page 0
                                                "@2|二", "QTY|q|", "@1|一", "PRICE|p|", "NAME|n|",
                                                "@1|again", "QTY|q2|",  // overwrites row 1 only
                                                kEnd, "NAME|after the end|"}));
  ASSERT_EQ(p.pages.size(), 3);
  EXPECT_EQ(p.pages[0].caption, "第0页");
  EXPECT_EQ(p.pages[0].rows, (QList<PageColumn>{{"NAME", "before", ""}}));
  EXPECT_EQ(p.pages[1].caption, "again");
  EXPECT_EQ(p.pages[1].rows, (QList<PageColumn>{{"QTY", "q2", ""}, {"NAME", "n", ""}}));
  EXPECT_EQ(p.pages[2].caption, "二");
  EXPECT_EQ(p.pages[2].rows, (QList<PageColumn>{{"QTY", "q", ""}}));

  // A header without "|" is all number and leaves the page without a caption.
  const ProjectDefinition bare = readProject(crlf({kAux, kFormulas, "2", "@1", "QTY|q|"}));
  EXPECT_EQ(bare.pages[1], (DisplayPage{"", {{"QTY", "q", ""}}}));
}

TEST(ProjectFileReader, KnowsSectionMarkersOnlyAtTheStartOfALine) {
  const QString equals(20, '=');
  const QString stars(20, '*');
  ProjectDefinition p = fullProject();
  p.auxiliaries[0].lookupIndex = "X" + equals;
  p.formulas[1].formula = "(1)" + equals + "(2)";
  p.pages[0].rows[0].displayName = "名" + stars;
  p.pages[0].rows[1].promptSource = stars;
  const ProjectDefinition read = readProject(project_file::toBytes(p));
  EXPECT_EQ(read.auxiliaries.size(), 3);
  EXPECT_EQ(read.formulas, p.formulas);
  EXPECT_EQ(read.pages, p.pages);  // the page after the starred rows is still there
}

TEST(ProjectFileReader, SectionsMayEndWithTheFile) {
  ProjectDefinition p = readProject(crlf({"DB|T||||"}));
  EXPECT_EQ(p.auxiliaries, (QList<AuxiliaryTable>{{"DB", "T", "", "", "", ""}}));
  EXPECT_EQ(p.pages.size(), 1);

  p = readProject(crlf({kAux, "QTY|1", kFormulas}));
  EXPECT_EQ(p.formulas[2].formula, "1");
  EXPECT_EQ(p.pages, ProjectDefinition().pages);

  p = readProject(crlf({kAux, kFormulas, "2", "@1|b", "QTY|q|"}));
  EXPECT_EQ(p.pages[1].rows[0].field, "QTY");
}

// A damaged count or header stops the read with an error; what came before stays.
TEST(ProjectFileReader, StopsAtAConversionErrorKeepingWhatWasRead) {
  const auto failure = [](const QStringList& pageLines, ProjectDefinition& p) {
    p.formulas = {{"QTY", ""}};
    QStringList lines = {"DB|T||||", kAux, "QTY|1", kFormulas};
    lines << pageLines;
    try {
      project_file::applyLines(lines, p);
    } catch (const FileError& e) {
      return e.text();
    }
    return QString("(no error)");
  };
  ProjectDefinition p;
  EXPECT_EQ(failure({"x", "@0|a"}, p), "第5行的页面数[x]不是有效的整数,读取到此为止");
  EXPECT_EQ(p.auxiliaries[0].table, "T");
  EXPECT_EQ(p.formulas[0].formula, "1");
  EXPECT_EQ(p.pages[0].caption, "第0页");

  p = {};
  EXPECT_EQ(failure({"2", "@1|b", "NAME|n|", "@x|c", "QTY|q|"}, p),
            "第8行的页面号[x]不是有效的整数,读取到此为止");
  EXPECT_EQ(p.pages[1].caption, "b");
  EXPECT_EQ(p.pages[1].rows[0].field, "NAME");
  EXPECT_EQ(p.pages[0].rows[0].field, "");

  // Counts no person designs are damage, not an allocation; a header must name a counted page.
  for (const char* count : {"1001", "-1001", "99999999999999999999", "", "1e3", "0x10"}) {
    p = {};
    EXPECT_NE(failure({count}, p), "(no error)") << count;
    EXPECT_EQ(p.pages.size(), 1);
  }
  p = {};
  EXPECT_EQ(failure({"1001"}, p), "第5行的页面数[1001]超出1000,读取到此为止");
  p = {};
  EXPECT_EQ(failure({"2", "@2|c"}, p), "第6行的页面号2超出页面数2,读取到此为止");
  p = {};
  EXPECT_NE(failure({"2", "@-1|c"}, p), "(no error)");
  // At the bound, and with blanks or a sign around the number, the count reads.
  p = {};
  EXPECT_EQ(failure({" +1000 ", "@999|last"}, p), "(no error)");
  EXPECT_EQ(p.pages.size(), 1000);
  EXPECT_EQ(p.pages[999].caption, "last");
  p = {};
  EXPECT_EQ(failure({"-5"}, p), "(no error)");  // no page is added, one stays
  EXPECT_EQ(p.pages.size(), 1);
}

TEST(ProjectFileReader, ReportsWhichFileIsDamaged) {
  test::TempFolder dir;
  dir.write("[DB]MASTER.tsm", crlf({kAux, kFormulas, "many"}));
  ProjectDefinition p;
  p.master = "[DB]MASTER.DBF";
  try {
    project_file::read(dir.path(), p);
    FAIL();
  } catch (const FileError& e) {
    EXPECT_TRUE(e.text().contains("[DB]MASTER.tsm")) << e.what();
    EXPECT_TRUE(e.text().contains("many")) << e.what();
  }
  p.master = "[DB]OTHER.DBF";
  EXPECT_FALSE(project_file::read(dir.path(), p));
}

// What a hand-edited or damaged file reads as is written back so that it reads the same again.
TEST(ProjectFileReader, OddBytesReachAFixedPointAfterOneRound) {
  const QByteArray odd[] = {
      QByteArray("DB|T\rX||||\r\n", 12) + crlf({kAux, kFormulas, "1", "@0|a\rb", "NAME|n\r|"}),
      QByteArray("A\0B", 3) + "|T||||\n====================\n\n",  // NUL, LF only, no count
      QByteArray("\x81|\xFF\xFE||||\r\n=====") + "\x81",           // invalid GBK
      crlf({kAux, kFormulas, "2", "@1|", "|", "", "@0|", "NAME", kEnd}).chopped(2) + "\r",
  };
  for (const QByteArray& bytes : odd) {
    const QByteArray once = project_file::toBytes(readProject(bytes));
    EXPECT_EQ(project_file::toBytes(readProject(once)), once) << bytes.toHex().toStdString();
  }
}

}  // namespace
}  // namespace torvanel
