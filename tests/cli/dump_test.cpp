// tdb info and tdb dump on tables the engine makes: the structure, both output forms read back
// field by field, the filter, and output that is large or cannot be written.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/gbk_codec.h"
#include "tests/cli/run_tdb.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

using test::gbk;
using test::lines;
using test::point;
using test::runTdb;
using test::TempDir;

const std::string kAwkwardNote = "line1\nline2, \"quoted\"\tand \\ back\r";

// A Chinese field name, text that needs quoting or escaping, a binary memo, a blank record and a
// deleted one (which no dump shows).
void makeAwkward(const TempDir& dir) {
  Table t;
  point(t, dir, "odd.dbf");
  t.fieldDefs().add(gbk("名称"), FieldType::ftString, 12);
  t.fieldDefs().add({"AMOUNT", FieldType::ftFloat, 6, 1, false});
  t.fieldDefs().add("NOTE", FieldType::ftMemo);
  t.fieldDefs().add("DATA", FieldType::ftBlob);
  t.createTable();
  t.open();
  auto add = [&](const std::string& name, Value amount, Value note, Value data) {
    t.append();
    t.field(0).setAsString(gbk(name));
    t.field(1).setValue(amount);
    t.field(2).setValue(note);
    t.field(3).setValue(data);
    t.post();
  };
  add("北京", Value::number(1.5), Value::text(kAwkwardNote), Value::bytes({'\0', '\xff', 'A'}));
  add("", Value(), Value(), Value());
  add("a,b", Value::number(-2), Value::text(gbk("普通")), Value());
  add("gone", Value::number(9), Value(), Value());
  t.deleteRecord();
}

// RFC 4180, strictly: records end with CR LF, so a bare LF outside quotes stays in the field.
std::vector<std::vector<std::string>> parseCsv(const std::string& s) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (quoted) {
      if (c != '"')
        field += c;
      else if (i + 1 < s.size() && s[i + 1] == '"')
        field += s[++i];
      else
        quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
      ++i;
    } else {
      field += c;
    }
  }
  EXPECT_TRUE(field.empty() && row.empty() && !quoted) << "unterminated last record";
  return rows;
}

TEST(CliInfo, ShowsFileDriverVisibleCountAndFields) {
  TempDir dir;
  makeAwkward(dir);
  const auto run = runTdb({"info", dir.file("odd.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lines(run.out),
            (std::vector<std::string>{"file: " + dir.file("odd.dbf"), "driver: DBASE", "records: 3",
                                      "fields: 4", "名称\tftString\t12\t0", "AMOUNT\tftFloat\t6\t1",
                                      "NOTE\tftMemo\t10\t0", "DATA\tftBlob\t10\t0", "index: none",
                                      "tags: 0"}));
}

TEST(CliDump, CsvQuotesOnlyWhereNeededAndReadsBack) {
  TempDir dir;
  makeAwkward(dir);
  const auto run = runTdb({"dump", "--csv", dir.file("odd.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, run.out.find("\r\n") + 2), "名称,AMOUNT,NOTE,DATA\r\n");
  EXPECT_NE(run.out.find("\r\n北京,1.5,\""), std::string::npos);  // plain text stays bare
  EXPECT_EQ(parseCsv(run.out), (std::vector<std::vector<std::string>>{
                                   {"名称", "AMOUNT", "NOTE", "DATA"},
                                   {"北京", "1.5", kAwkwardNote, "00ff41"},
                                   {"", "", "", ""},
                                   {"a,b", "-2", "普通", ""},
                               }));

  // A record of one empty field must not become a blank line, which readers skip.
  Table single;
  point(single, dir, "one.dbf");
  single.fieldDefs().add("ONLY", FieldType::ftString, 4);
  single.createTable();
  single.open();
  single.append();
  single.post();
  const auto one = runTdb({"dump", "--csv", dir.file("one.dbf")});
  EXPECT_EQ(one.out, "ONLY\r\n\"\"\r\n");

  // Long text is searched a word of eight bytes at a time: what needs quotes is found anywhere.
  const std::vector<std::string> texts = {"abcdefgh,ijk", "abcdefghij\"klmnopq",
                                          "0123456789abcdefghij", "abcdefghijklmnopqrstuvw\nxyz",
                                          "abcdefg\r"};
  Table wide;
  point(wide, dir, "wide.dbf");
  wide.fieldDefs().add("TEXT", FieldType::ftString, 30);
  wide.createTable();
  for (const std::string& text : texts)
    test::addRecord(dir, "wide.dbf", {{"TEXT", Value::text(text)}});
  const auto run2 = runTdb({"dump", "--csv", dir.file("wide.dbf")});
  EXPECT_EQ(run2.out,
            "TEXT\r\n\"abcdefgh,ijk\"\r\n\"abcdefghij\"\"klmnopq\"\r\n0123456789abcdefghij\r\n"
            "\"abcdefghijklmnopqrstuvw\nxyz\"\r\n\"abcdefg\r\"\r\n");
}

TEST(CliDump, PlainFormKeepsEveryRecordOnOneLine) {
  TempDir dir;
  makeAwkward(dir);
  const auto run = runTdb({"dump", dir.file("odd.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lines(run.out), (std::vector<std::string>{
                                "北京\t1.5\tline1\\nline2, \"quoted\"\\tand \\\\ back\\r\t00ff41",
                                "\t\t\t",
                                "a,b\t-2\t普通\t",
                            }));
}

TEST(CliDump, FilterIsUtf8TextInTheEngineLanguage) {
  TempDir dir;
  makeAwkward(dir);
  auto run = runTdb({"dump", dir.file("odd.dbf"), "--filter", "名称='北*'"});
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(lines(run.out).size(), 1u);
  EXPECT_EQ(lines(run.out)[0].substr(0, 7), "北京\t");

  // A filter that does not parse fails before anything is written.
  run = runTdb({"dump", "--csv", dir.file("odd.dbf"), "--filter", "(AMOUNT>"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.out.empty());
  EXPECT_EQ(run.err.rfind("tdb: ", 0), 0u) << run.err;
}

TEST(CliDump, LongOutputArrivesWholeAndAFailedWriteIsAnError) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 3000);
  {
    Table t;  // a memo bigger than the output buffer
    point(t, dir, "s.dbf");
    t.open();
    t.edit();
    t.fieldByName("NOTE").setAsString(std::string(3 << 20, 'x'));
    t.post();
  }
  const auto run = runTdb({"dump", dir.file("s.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto got = lines(run.out);
  ASSERT_EQ(got.size(), 3000u);
  EXPECT_EQ(got[0], "R1\t1.5\t1\t2024-01-01\tTrue\t" + std::string(3 << 20, 'x'));
  EXPECT_EQ(got[2999], "R3000\t4500\t3000\t2024-01-04\tFalse\tmemo 3000");

  const auto full = runTdb({"dump", "--csv", dir.file("s.dbf")}, "", "/dev/full");
  EXPECT_EQ(full.status, 1);
  EXPECT_NE(full.err.find("tdb: cannot write the output"), std::string::npos) << full.err;
}

}  // namespace
}  // namespace tdb
