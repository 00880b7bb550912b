// Text tables through the Storage interface: files on disk as other programs see them.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/convert.h"
#include "engine/drivers.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/text/text_storage.h"
#include "tests/engine/temp_dir.h"

namespace tdb::text {
namespace {

using test::TempDir;

std::string gbk(const std::string& utf8) { return utf8ToGbk(utf8); }

std::string errorOpening(const std::string& path) {
  try {
    TextStorage::open(path, false);
  } catch (const EngineError& e) {
    return e.what();
  }
  return "(opened)";
}

// The values of record `recno`, as display text joined by '|'.
std::string row(TextStorage& s, uint32_t recno) {
  RecordBuffer buf;
  s.read(recno, buf);
  std::string out;
  for (int i = 0; i < s.fieldDefs().count(); ++i) {
    const Value v = s.get(buf, i);
    out += (i ? "|" : "") +
           (v.isNull() ? std::string("<null>") : displayText(v, s.fieldDefs()[i].type));
  }
  return out;
}

void appendRow(TextStorage& s, const std::vector<Value>& values) {
  RecordBuffer buf;
  s.blank(buf);
  for (size_t i = 0; i < values.size(); ++i)
    s.set(buf, static_cast<int>(i), toFieldValue(values[i], s.fieldDefs()[static_cast<int>(i)]));
  s.append(buf);
}

Value t(const std::string& utf8) { return Value::text(gbk(utf8)); }

TEST(TextStorage, CreatedTableHoldsEveryTypeAndReadsBack) {
  TempDir dir;
  const std::string path = dir.file("ALL.TXT");
  FieldDefs defs;
  defs.add(gbk("名称"), FieldType::ftString, 12);
  defs.add("SMALL", FieldType::ftSmallint);
  defs.add("LONG", FieldType::ftInteger);
  defs.add({"PRICE", FieldType::ftFloat, 10, 2});
  defs.add("OK", FieldType::ftBoolean);
  defs.add("DAY", FieldType::ftDate);
  defs.add("AT", FieldType::ftTime);
  defs.add("STAMP", FieldType::ftDateTime);
  TextStorage::create(path, defs);
  EXPECT_EQ(dir.read("ALL.TXT"), "");
  EXPECT_NE(dir.read("ALL.SCH").find("[ALL]\r\nFILETYPE = VARYING\r\n"), std::string::npos);

  auto s = TextStorage::open(path, true);
  ASSERT_EQ(s->fieldDefs().count(), 8);
  EXPECT_EQ(s->fieldDefs()[0].name, gbk("名称"));
  appendRow(*s, {t("张三,\"老\"三"), Value::integer(-123), Value::integer(2000000000),
                 Value::number(3.256), Value::boolean(true), t("2024-02-29"), t("13:05:09"),
                 t("1994-04-03 08:00:00")});
  appendRow(*s, {});  // all null
  EXPECT_EQ(dir.read("ALL.TXT"),
            gbk("\"张三,\"\"老\"\"三\"") +
                ",-123,2000000000,3.26,TRUE,02/29/2024,13:05:09,04/03/1994 08:00:00\r\n"
                "\"\",,,,,,,\r\n");
  s.reset();

  s = TextStorage::open(path, false);
  ASSERT_EQ(s->recordCount(), 2u);
  EXPECT_EQ(row(*s, 1), gbk("张三,\"老\"三") +
                            "|-123|2000000000|3.26|True|2024-02-29|13:05:09|1994-04-03 08:00:00");
  EXPECT_EQ(row(*s, 2), "<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>");
  RecordBuffer buf;
  s->read(1, buf);
  std::string_view view;
  ASSERT_TRUE(s->textView(buf, 0, view));
  EXPECT_EQ(view.substr(0, 8), gbk("张三,\"老"));
  EXPECT_FALSE(s->textView(buf, 1, view));
  EXPECT_EQ(s->productionIndex(), nullptr);
}

TEST(TextStorage, VaryingFilesWithOtherSeparatorsAndQuotes) {
  TempDir dir;
  // '|' is also the second byte of some Chinese characters: B0 7C is one character.
  dir.write("Q.SCH",
            "[Q]\r\nFILETYPE=VARYING\r\nDELIMITER='\r\nSEPARATOR=|\r\n"
            "Field1=A,CHAR,10,0,0\r\nField2=B,LONGINT,5,0,10\r\nField3=C,CHAR,6,0,15\r\n");
  dir.write("Q.TXT",
            "'it''s|x'|42|\xB0\x7C"
            "ab\n"
            "  plain  |  -7 |'' \r\n"
            "\r\n"
            "|'3'|\x1A");
  auto s = TextStorage::open(dir.file("Q.TXT"), false);
  ASSERT_EQ(s->recordCount(), 3u);
  EXPECT_EQ(row(*s, 1),
            "it's|x|42|\xB0\x7C"
            "ab");
  EXPECT_EQ(row(*s, 2), "  plain|-7|<null>");
  EXPECT_EQ(row(*s, 3), "<null>|3|<null>");

  // Rewritten in the schema's own terms.
  RecordBuffer buf;
  s->read(2, buf);
  s->set(buf, 2, t("a|b"));
  s->write(2, buf);
  EXPECT_EQ(dir.read("Q.TXT"),
            "'it''s|x'|42|'\xB0\x7C"
            "ab'\r\n'  plain'|-7|'a|b'\r\n''|3|''\r\n");

  // A value ending in half a Chinese character would swallow the '|' written after it.
  const std::string before = dir.read("Q.TXT");
  EXPECT_THROW(s->set(buf, 0, Value::text("ab\xB0")), EngineError);
  EXPECT_EQ(dir.read("Q.TXT"), before);
}

TEST(TextStorage, FixedWidthRoundTripAndTooWideRefusedBeforeWriting) {
  TempDir dir;
  dir.write("F.SCH",
            "[F]\nFILETYPE=FIXED\nCHARSET=OEM\n"
            "Field1=No,Float,9,2,0\nField2=Name,Char,8,0,10\nField3=Day,Date,8,0,19\n"
            "Field4=Ok,Bool,1,0,27\n");
  const std::string original = "  1221.50 " + gbk("潜水店") +
                               "   04/03/94T\r\n"
                               "       -3 Unisco   12/31/49F   \r\n"
                               "          x\n";  // short: read as padded with blanks
  dir.write("F.TXT", original);
  auto s = TextStorage::open(dir.file("F.TXT"), true);
  ASSERT_EQ(s->recordCount(), 3u);
  EXPECT_EQ(row(*s, 1), "1221.5|" + gbk("潜水店") + "|1994-04-03|True");
  EXPECT_EQ(row(*s, 2), "-3|Unisco|2049-12-31|False");
  EXPECT_EQ(row(*s, 3), "<null>|x|<null>|<null>");

  RecordBuffer buf;
  s->read(1, buf);
  const std::string before = buf.bytes;
  EXPECT_THROW(s->set(buf, 1, t("九个字节的名")), EngineError);         // 12 bytes into 8
  EXPECT_THROW(s->set(buf, 0, Value::number(1234567.5)), EngineError);  // "1234567.50"
  EXPECT_THROW(s->set(buf, 2, toFieldValue(t("1949-12-31"), s->fieldDefs()[2])),
               EngineError);  // no two-digit year for it
  EXPECT_EQ(buf.bytes, before);
  EXPECT_EQ(dir.read("F.TXT"), original);

  s->set(buf, 0, Value::number(7));
  s->set(buf, 2, toFieldValue(t("2001-02-03"), s->fieldDefs()[2]));
  s->write(1, buf);
  EXPECT_EQ(dir.read("F.TXT"), "     7.00 " + gbk("潜水店") +
                                   "   02/03/01T\r\n"
                                   "    -3.00 Unisco   12/31/49F\r\n" +
                                   std::string(10, ' ') + "x" + std::string(17, ' ') + "\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("F.TXT.tdb-new")));
}

TEST(TextStorage, HeaderLineTablesDetectTheirSeparator) {
  struct Case {
    const char* file;
    char separator;
  } cases[] = {
      {"ID,NAME,CITY\r\n1,\"Lee, Ann\",Paris\r\n22,Bob,\r\n", ','},
      {"ID\tNAME\tCITY\n1\tLee, Ann\tParis\n22\tBob\t\n", '\t'},
      {"ID;NAME;CITY\n1;Lee, Ann;Paris\n22;Bob;\n", ';'},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("H.TXT", c.file);
    auto s = TextStorage::open(dir.file("H.TXT"), false);
    EXPECT_FALSE(s->hasSchemaFile());
    EXPECT_EQ(s->schema().separator, c.separator);
    ASSERT_EQ(s->fieldDefs().count(), 3) << c.file;
    EXPECT_EQ(s->fieldDefs()[1].name, "NAME");
    EXPECT_EQ(s->fieldDefs()[0].type, FieldType::ftString);
    EXPECT_EQ(s->fieldDefs()[0].size, 2);
    EXPECT_EQ(s->fieldDefs()[1].size, 8);
    EXPECT_EQ(s->fieldDefs()[2].size, 5);
    ASSERT_EQ(s->recordCount(), 2u);
    EXPECT_EQ(row(*s, 1), "1|Lee, Ann|Paris");
    EXPECT_EQ(row(*s, 2), "22|Bob|<null>");
    appendRow(*s, {t("3"), t(c.separator == ',' ? "x,y" : "中文"), t("Rome")});
    s.reset();
    s = TextStorage::open(dir.file("H.TXT"), false);
    EXPECT_EQ(s->schema().separator, c.separator);
    EXPECT_EQ(row(*s, 3), c.separator == ',' ? "3|x,y|Rome" : "3|" + gbk("中文") + "|Rome");
    EXPECT_FALSE(std::filesystem::exists(dir.file("H.SCH")));
  }
  TempDir dir;
  dir.write("D.TXT", "A,A,\n1,2,3\n");
  auto s = TextStorage::open(dir.file("D.TXT"), false);
  EXPECT_EQ(s->fieldDefs()[1].name, "A_2");
  EXPECT_EQ(s->fieldDefs()[2].name, "FIELD3");
}

TEST(TextStorage, DeletedRecordsLeaveTheFileAtOnceAndPackRenumbers) {
  TempDir dir;
  dir.write("P.TXT", "N\r\na\r\nb\r\nc\r\n");
  auto s = TextStorage::open(dir.file("P.TXT"), true);
  s->setDeleted(2, true);
  EXPECT_TRUE(s->isDeleted(2));
  EXPECT_EQ(s->recordCount(), 3u);  // numbers stay put for the cursor
  EXPECT_EQ(dir.read("P.TXT"), "N\r\na\r\nc\r\n");
  s->setDeleted(2, false);
  EXPECT_EQ(dir.read("P.TXT"), "N\r\na\r\nb\r\nc\r\n");
  s->setDeleted(1, true);
  s->pack();
  EXPECT_EQ(s->recordCount(), 2u);
  EXPECT_EQ(row(*s, 1), "b");
  EXPECT_EQ(dir.read("P.TXT"), "N\r\nb\r\nc\r\n");
}

TEST(TextStorage, DamagedFilesNameFileLineAndField) {
  TempDir dir;
  const std::string sch = "[D]\nField1=Name,CHAR,4\nField2=Qty,LONGINT,5\nField3=Day,DATE,10\n";
  struct Case {
    const char* txt;
    const char* expected;
  } cases[] = {
      {"\"a\",1,01/02/2000\n\"b\",2\n", "已损坏: 第2行有2个字段,结构规定3个"},
      {"\"a\",1,01/02/2000\r\n\r\n\"b\",x1,01/02/2000\r\n",
       "第3行字段[Qty]的值'x1'不是有效的LONGINT"},
      {"\"a\",1,02/30/2000\n", "第1行字段[Day]的值'02/30/2000'不是有效的DATE"},
      {"\"a\",99999999999,01/02/2000\n", "第1行字段[Qty]"},
      {"\"abcde\",1,\n", "第1行字段[Name]的值超出宽度4"},
      {"\"a,1,\n", "第1行: 第1个字段的引号没有闭合"},
      {"\"a\"x,1,\n", "第1行: 第1个字段的引号后有多余的字符"},
  };
  for (const Case& c : cases) {
    dir.write("D.SCH", sch);
    dir.write("D.TXT", c.txt);
    const std::string e = errorOpening(dir.file("D.TXT"));
    EXPECT_NE(e.find("数据表[" + dir.file("D.TXT") + "]"), std::string::npos) << e;
    EXPECT_NE(e.find(c.expected), std::string::npos) << c.txt << " -> " << e;
  }
  dir.write("D.SCH", "[D]\nFILETYPE=FIXED\nField1=A,CHAR,2,0,0\n");
  dir.write("D.TXT", "ab\nabc\n");
  EXPECT_NE(errorOpening(dir.file("D.TXT")).find("第2行长3字节,超出结构规定的2字节"),
            std::string::npos);
  dir.write("D.SCH", "[D]\nField1=A,CHAR,2,0,0\nField3=B,CHAR,2,0,0\n");
  EXPECT_NE(errorOpening(dir.file("D.TXT")).find("D.SCH]第3行"), std::string::npos);
  std::filesystem::remove(dir.file("D.SCH"));
  dir.write("D.TXT", "");
  EXPECT_NE(errorOpening(dir.file("D.TXT")).find("也没有标题行"), std::string::npos);
  EXPECT_NE(errorOpening(dir.file("NONE.TXT")).find("不存在"), std::string::npos);
}

TEST(TextStorage, SharedWritersSeeEachOtherAndExclusiveOpensRefuse) {
  TempDir dir;
  const std::string path = dir.file("S.TXT");
  FieldDefs defs;
  defs.add("N", FieldType::ftInteger);
  TextStorage::create(path, defs);
  {
    auto ex = TextStorage::open(path, true);
    EXPECT_NE(errorOpening(path).find("已被独占打开"), std::string::npos);
    EXPECT_THROW(drivers::remove(path, TableType::ttASCII), EngineError);
    EXPECT_THROW(drivers::create(path, TableType::ttASCII, defs, {}), EngineError);
  }
  auto a = TextStorage::open(path, false);
  auto b = TextStorage::open(path, false);
  EXPECT_THROW(TextStorage::open(path, true), EngineError);
  appendRow(*a, {Value::integer(1)});
  EXPECT_EQ(b->recordCount(), 0u);
  b->refresh();
  EXPECT_EQ(b->recordCount(), 1u);
  appendRow(*a, {Value::integer(2)});
  appendRow(*b, {Value::integer(3)});  // b catches up first: a's record is kept
  EXPECT_EQ(b->recordCount(), 3u);
  EXPECT_EQ(dir.read("S.TXT"), "1\r\n2\r\n3\r\n");
  EXPECT_THROW(a->pack(), EngineError);  // needs an exclusive open

  // A record removed by another writer: the next write refuses rather than hit the wrong record.
  a->setDeleted(1, true);
  RecordBuffer buf;
  b->read(3, buf);
  EXPECT_THROW(b->write(3, buf), EngineError);
  a.reset();
  b.reset();
  drivers::remove(path, TableType::ttASCII);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(std::filesystem::exists(dir.file("S.SCH")));
  EXPECT_FALSE(std::filesystem::exists(path + ".tdb-lock"));
}

}  // namespace
}  // namespace tdb::text
