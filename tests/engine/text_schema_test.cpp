// The text table's schema file: lenient reading, strict checking, writing it back.

#include <gtest/gtest.h>

#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/text/schema_file.h"

namespace tdb::text {
namespace {

std::string errorOf(const std::string& sch) {
  try {
    parseSchema(sch, "/t/A.SCH");
  } catch (const EngineError& e) {
    return e.what();
  }
  return "(accepted)";
}

TEST(TextSchema, ReadsThePublishedLayoutInAnyCaseAndSpacing) {
  const std::string sch =
      "[CUSTOMER]\r\n"
      "Filetype=VARYING\r\n"
      "Delimiter=\"\r\n"
      "  separator  =  ,\r\n"
      "CharSet=ascii\r\n"
      "; a comment\r\n"
      "\r\n"
      "Field1=Customer No,Float,20,04,00\r\n"
      "FIELD2 = Name , char , 30 , 00 , 20\r\n"
      "field3=Phone,Char,15,00,145\r\n"
      "Field4=First Contact,Date,11,00,160\r\n"
      "Field5=Ok,bool,5\r\n"
      "Field6=N,Number,12,2,0\r\n"
      "Field7=S,ShortInt,6,0,0\r\n"
      "Field8=L,LONGINT,11,0,0\r\n"
      "Field9=T,Time,8,0,0\r\n"
      "Field10=TS,Timestamp,19,0,0\r\n"
      "Field11=a,b,CHAR,3,0,0\r\n"
      "SomethingElse = ignored\r\n";
  const Schema s = parseSchema(sch, "/t/CUSTOMER.SCH");
  EXPECT_EQ(s.tableName, "CUSTOMER");
  EXPECT_EQ(s.fileType, FileType::Varying);
  EXPECT_EQ(s.delimiter, '"');
  EXPECT_EQ(s.separator, ',');
  EXPECT_EQ(s.charset, "ascii");
  ASSERT_EQ(s.fields.size(), 11u);
  EXPECT_EQ(s.fields[0].name, "Customer No");
  EXPECT_EQ(s.fields[0].type, FieldType::ftFloat);
  EXPECT_EQ(s.fields[0].decimals, 4);
  EXPECT_EQ(s.fields[1].name, "Name");
  EXPECT_EQ(s.fields[1].width, 30);
  EXPECT_EQ(s.fields[1].offset, 20);
  EXPECT_EQ(s.fields[3].type, FieldType::ftDate);
  EXPECT_EQ(s.fields[4].type, FieldType::ftBoolean);
  EXPECT_EQ(s.fields[5].type, FieldType::ftFloat);
  EXPECT_EQ(s.fields[5].typeName, "NUMBER");
  EXPECT_EQ(s.fields[6].type, FieldType::ftSmallint);
  EXPECT_EQ(s.fields[7].type, FieldType::ftInteger);
  EXPECT_EQ(s.fields[8].type, FieldType::ftTime);
  EXPECT_EQ(s.fields[9].type, FieldType::ftDateTime);
  EXPECT_EQ(s.fields[10].name, "a,b");  // a name may hold commas

  const FieldDefs defs = fieldDefsOf(s);
  EXPECT_EQ(defs[1].type, FieldType::ftString);
  EXPECT_EQ(defs[1].size, 30);
  EXPECT_EQ(defs[0].precision, 4);
}

TEST(TextSchema, SeparatorsSpelledOrLiteral) {
  EXPECT_EQ(parseSchema("[A]\nSEPARATOR = TAB\nField1=X,CHAR,1\n", "a").separator, '\t');
  EXPECT_EQ(parseSchema("[A]\nSEPARATOR =\t\nField1=X,CHAR,1\n", "a").separator, '\t');
  EXPECT_EQ(parseSchema("[A]\nSEPARATOR = \nField1=X,CHAR,1\n", "a").separator, ' ');
  EXPECT_EQ(parseSchema("[A]\nDELIMITER =\nField1=X,CHAR,1\n", "a").delimiter, '\0');
  const Schema d = parseSchema("[A]\nDATEFORMAT = dd.mm.yyyy\nField1=X,DATE,10\n", "a");
  EXPECT_EQ(d.dateFormat.order, DateFormat::Order::DMY);
  EXPECT_EQ(d.dateFormat.separator, '.');
}

TEST(TextSchema, RefusesWhatItCannotFollowNamingFileAndLine) {
  struct Case {
    const char* sch;
    const char* expected;
  } cases[] = {
      {"FILETYPE=VARYING\nField1=X,CHAR,1\n", "第1行"},
      {"[A]\nField1=X,CHAR,1\nField3=Y,CHAR,1\n", "第3行: 字段编号应为2"},
      {"[A]\nField2=X,CHAR,1\n", "第2行: 字段编号应为1"},
      {"[A]\nField1=X,CHAR,1\nField1=Y,CHAR,1\n", "第3行: 字段1重复"},
      {"[A]\nField1=X,MONEY,4,0,0\n", "第2行: 字段类型'MONEY'无效"},
      {"[A]\nField1=X,CHAR,0,0,0\n", "第2行: 宽度不能为0"},
      {"[A]\nField1=X,CHAR,-3,0,0\n", "宽度'-3'无效"},
      {"[A]\nField1=X,FLOAT,4,4,0\n", "小数位4不小于宽度"},
      {"[A]\nFILETYPE=CSV\nField1=X,CHAR,1\n", "第2行: 文件类型'CSV'无效"},
      {"[A]\nSEPARATOR=\"\nField1=X,CHAR,1\n", "第2行: 分隔符不能与引号字符相同"},
      {"[A]\nSEPARATOR=ab\nField1=X,CHAR,1\n", "应为一个字符"},
      {"[A]\nFILETYPE=FIXED\nField1=X,CHAR,5,0,0\nField2=Y,CHAR,5,0,4\n",
       "第4行: 字段'Y'(偏移4)与字段'X'重叠"},
      {"[A]\nField1=X,CHAR,1\nField2=x,CHAR,1\n", "第3行: 字段名'x'重复"},
      {"[A]\nCHARSET=ANSI\n", "没有字段定义"},
      {"[A]\n[B]\nField1=X,CHAR,1\n", "第2行: 只能有一个"},
      {"[A]\nhello\n", "第2行"},
  };
  for (const Case& c : cases) {
    const std::string e = errorOf(c.sch);
    EXPECT_NE(e.find("文本表结构文件[/t/A.SCH]"), std::string::npos) << c.sch << " -> " << e;
    EXPECT_NE(e.find(c.expected), std::string::npos) << c.sch << " -> " << e;
  }
}

TEST(TextSchema, WritesWhatItReads) {
  Schema s;
  s.tableName = utf8ToGbk("客户");
  s.fileType = FileType::Fixed;
  s.charset = "ANSI";
  s.delimiter = '\'';
  s.separator = '\t';
  s.dateFormat = {DateFormat::Order::YMD, '-'};
  s.fields = {{utf8ToGbk("姓名"), FieldType::ftString, "CHAR", 10, 0, 0},
              {"AMOUNT", FieldType::ftFloat, "NUMBER", 12, 2, 12},
              {"DAY", FieldType::ftDate, "DATE", 10, 0, 30}};
  const std::string bytes = formatSchema(s);
  EXPECT_NE(bytes.find("\r\nField2 = AMOUNT,NUMBER,12,2,12\r\n"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("\n\n"), std::string::npos);
  EXPECT_EQ(parseSchema(bytes, "x"), s);
  EXPECT_EQ(s.lineLength(), 40);

  s.separator = ' ';
  s.delimiter = '\0';
  EXPECT_EQ(parseSchema(formatSchema(s), "x"), s);
}

TEST(TextSchema, DesignRefusesWhatATextFileCannotHold) {
  for (FieldType t : {FieldType::ftMemo, FieldType::ftBlob, FieldType::ftGraphic,
                      FieldType::ftBytes, FieldType::ftTypedBinary, FieldType::ftFmtMemo}) {
    FieldDefs defs;
    defs.add("A", FieldType::ftString, 5);
    defs.add("B", t);
    try {
      designSchema("T", defs, "/t/T.TXT");
      ADD_FAILURE() << fieldTypeName(t);
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find("数据表[/t/T.TXT]: 字段[B]的类型"), std::string::npos)
          << e.what();
    }
  }
  FieldDefs dup;
  dup.add("A", FieldType::ftString, 5);
  dup.add("a", FieldType::ftInteger);
  EXPECT_THROW(designSchema("T", dup, "t"), EngineError);

  FieldDefs all;
  all.add("S", FieldType::ftString, 7);
  all.add("M", FieldType::ftCurrency);
  all.add("L", FieldType::ftLargeint);
  all.add("W", FieldType::ftWord);
  const Schema s = designSchema("T", all, "t");
  EXPECT_EQ(s.fields[1].type, FieldType::ftFloat);
  EXPECT_EQ(s.fields[1].decimals, 4);
  EXPECT_EQ(s.fields[2].typeName, "NUMBER");
  EXPECT_EQ(s.fields[3].type, FieldType::ftInteger);
  EXPECT_EQ(s.fields[1].offset, 7);
}

}  // namespace
}  // namespace tdb::text
