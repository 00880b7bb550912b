// The structure check and creation agree: what the check passes is created, what it refuses is
// refused, and the check itself leaves the folder as it was.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/drivers.h"
#include "engine/engine_error.h"
#include "engine/table.h"
#include "tests/engine/restructure_fixture.h"
#include "tests/engine/table_fixture.h"
#include "tests/engine/temp_dir.h"

namespace tdb {
namespace {

namespace fs = std::filesystem;
using test::gbk;
using test::TempDir;

struct Case {
  const char* what;
  const char* table;  // the extension settles the format with ttDefault
  TableType type;
  FieldDefs fields;
  IndexDefs indexes;
  const char* refusal;  // a piece of the reason, nullptr when the structure is fine
};

FieldDef field(const std::string& name, FieldType type, int size = 0, int precision = 0) {
  return {name, type, size, precision, false};
}

FieldDefs fields(std::initializer_list<FieldDef> list) {
  FieldDefs defs;
  for (const FieldDef& d : list) defs.add(d);
  return defs;
}

IndexDefs indexes(std::initializer_list<IndexDef> list) {
  IndexDefs defs;
  for (const IndexDef& d : list) defs.add(d);
  return defs;
}

FieldDefs plain() {
  return fields({field("NAME", FieldType::ftString, 10), field("QTY", FieldType::ftInteger),
                 field("PRICE", FieldType::ftFloat, 10, 2)});
}

// Sixteen text fields of 255, and their names joined by ";".
FieldDefs sixteenWide() {
  FieldDefs defs;
  for (int i = 1; i <= 16; ++i) defs.add("F" + std::to_string(i), FieldType::ftString, 255);
  return defs;
}

std::string allSixteen() {
  std::string names;
  for (int i = 1; i <= 16; ++i) names += (i > 1 ? ";F" : "F") + std::to_string(i);
  return names;
}

std::vector<Case> cases() {
  const TableType dflt = TableType::ttDefault, fox = TableType::ttFoxPro;
  const std::string five = gbk("五个中文字"), six = gbk("六个中文字段");
  return {
      {"dBASE, every designer type it has", "T.DBF", dflt,
       fields({field("NAME", FieldType::ftString, 10), field("S", FieldType::ftSmallint),
               field("PRICE", FieldType::ftFloat, 10, 2), field("DAY", FieldType::ftDate),
               field("OK", FieldType::ftBoolean), field("NOTE", FieldType::ftMemo, 50),
               field("PIC", FieldType::ftBlob), field("G", FieldType::ftGraphic)}),
       indexes({{"BYNAME", "NAME", "", ixUnique | ixDescending},
                {"UP", "", "UPPER(NAME)+DTOS(DAY)", ixExpression}}),
       nullptr},
      {"dBASE, a name of ten bytes",
       "T.DBF",
       dflt,
       fields({field(five, FieldType::ftString, 4)}),
       {},
       nullptr},
      {"dBASE, six Chinese characters",
       "T.DBF",
       dflt,
       fields({field(six, FieldType::ftString, 4)}),
       {},
       "超过10个字节"},
      {"dBASE, eleven letters",
       "T.DBF",
       dflt,
       fields({field("ABCDEFGHIJK", FieldType::ftString, 4)}),
       {},
       "超过10个字节"},
      {"a name with a trailing blank",
       "T.DBF",
       dflt,
       fields({field("NAME ", FieldType::ftString, 4)}),
       {},
       "末尾有空格"},
      {"a name that is not GBK",
       "T.DB",
       dflt,
       fields({field("A\xFF\xFF", FieldType::ftString, 4)}),
       {},
       "不是GBK"},
      {"names that differ only in case",
       "T.TXT",
       dflt,
       fields({field("Name", FieldType::ftString, 4), field("NAME", FieldType::ftString, 4)}),
       {},
       "重复"},
      {"an empty name", "T.DB", dflt, fields({field("", FieldType::ftString, 4)}), {}, "没有名字"},
      {"a text field of width 0",
       "T.DBF",
       dflt,
       fields({field("A", FieldType::ftString, 0)}),
       {},
       "宽度0"},
      {"a text field wider than dBASE holds",
       "T.DBF",
       dflt,
       fields({field("A", FieldType::ftString, 255)}),
       {},
       "宽度255"},
      {"a number as wide as dBASE holds",
       "T.DBF",
       dflt,
       fields({field("A", FieldType::ftFloat, 32, 4)}),
       {},
       nullptr},
      {"a number wider than dBASE holds",
       "T.DBF",
       dflt,
       fields({field("A", FieldType::ftFloat, 33, 4)}),
       {},
       "宽度33"},
      {"no field without a type",
       "T.DBF",
       dflt,
       fields({field("A", FieldType::ftUnknown)}),
       {},
       "不能建立"},
      {"auto-increment in dBASE",
       "T.DBF",
       dflt,
       fields({field("ID", FieldType::ftAutoInc)}),
       {},
       "自动计数"},
      {"typed binary in dBASE",
       "T.DBF",
       dflt,
       fields({field("P", FieldType::ftTypedBinary)}),
       {},
       "Typedbinary"},
      {"typed binary in FoxPro",
       "T.DBF",
       fox,
       fields({field("P", FieldType::ftTypedBinary)}),
       {},
       nullptr},
      {"a blob in FoxPro", "T.DBF", fox, fields({field("B", FieldType::ftBlob)}), {}, "Blob"},
      {"a primary index in dBASE", "T.DBF", dflt, plain(), indexes({{"P", "NAME", "", ixPrimary}}),
       "主索引"},
      {"a caseless index in FoxPro", "T.DBF", fox, plain(),
       indexes({{"P", "NAME", "", ixCaseInsensitive}}), "忽略大小写"},
      {"an index name of eleven letters", "T.DBF", dflt, plain(),
       indexes({{"ABCDEFGHIJK", "NAME", "", 0}}), "超过10个字符"},
      {"an index name holding a NUL", "T.DBF", fox, plain(),
       indexes({{std::string("A\0B", 3), "NAME", "", 0}}), "NUL"},
      {"an unnamed dBASE index", "T.DBF", dflt, plain(), indexes({{"", "NAME", "", 0}}),
       "索引名不能为空"},
      {"an expression that does not parse", "T.DBF", dflt, plain(),
       indexes({{"X", "", "UPPER(NAME", ixExpression}}), "无法计算"},
      {"an index on a missing field", "T.DBF", fox, plain(), indexes({{"X", "CITY", "", 0}}),
       "不存在"},
      {"two indexes of one name", "T.DBF", dflt, plain(),
       indexes({{"ix", "NAME", "", 0}, {"IX", "QTY", "", 0}}), "重复"},
      {"a text key too long for an .mdx", "T.DBF", dflt,
       fields({field("LONG", FieldType::ftString, 101)}), indexes({{"L", "LONG", "", 0}}), "键长"},
      {"the same key in a .cdx", "T.DBF", fox, fields({field("LONG", FieldType::ftString, 101)}),
       indexes({{"L", "LONG", "", 0}}), nullptr},
      {"Paradox, keyed, with secondary indexes", "T.DB", dflt,
       fields({field("ID", FieldType::ftAutoInc), field("NAME", FieldType::ftString, 20),
               field("PRICE", FieldType::ftFloat), field("NOTE", FieldType::ftMemo, 50)}),
       indexes({{"", "ID", "", ixPrimary},
                {"ByName", "NAME", "", ixCaseInsensitive | ixDescending},
                {"", "PRICE", "", 0}}),
       nullptr},
      {"a primary key that is not the leading fields", "T.DB", dflt, plain(),
       indexes({{"", "QTY", "", ixPrimary}}), "最前面的字段"},
      {"a descending primary key", "T.DB", dflt, plain(),
       indexes({{"", "NAME", "", ixPrimary | ixDescending}}), "主索引不能降序"},
      {"an expression index in Paradox", "T.DB", dflt, plain(),
       indexes({{"X", "", "UPPER(NAME)", ixExpression}}), "表达式索引"},
      {"two Paradox indexes of one name", "T.DB", dflt, plain(),
       indexes({{"Two", "NAME;QTY", "", 0}, {"TWO", "QTY;NAME", "", 0}}), "重复"},
      {"a Paradox index name of 26 bytes", "T.DB", dflt, plain(),
       indexes({{std::string(26, 'X'), "NAME;QTY", "", 0}}), "25字节"},
      {"a Paradox field name of 26 bytes",
       "T.DB",
       dflt,
       fields({field(std::string(26, 'F'), FieldType::ftString, 4)}),
       {},
       "25个字节"},
      {"a Paradox text field of 256",
       "T.DB",
       dflt,
       fields({field("A", FieldType::ftString, 256)}),
       {},
       "256"},
      {"a Paradox index whose entries fill a block", "T.DB", dflt, sixteenWide(),
       indexes({{"ALL", allSixteen(), "", 0}}), "容纳不下"},
      {"a text table", "T.TXT", dflt, plain(), {}, nullptr},
      {"an index on a text table", "T.TXT", dflt, plain(), indexes({{"X", "NAME", "", 0}}),
       "文本表没有索引"},
      {"a memo in a text table",
       "T.TXT",
       dflt,
       fields({field("NOTE", FieldType::ftMemo, 10)}),
       {},
       "不能存入文本表"},
      {"auto-increment in a text table",
       "T.TXT",
       dflt,
       fields({field("ID", FieldType::ftAutoInc)}),
       {},
       "不能存入文本表"},
  };
}

TEST(StructureProblem, CreationTakesExactlyWhatTheCheckPasses) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path = dir.file(c.table);
    const std::string problem = drivers::structureProblem(path, c.type, c.fields, c.indexes);
    EXPECT_TRUE(fs::is_empty(dir.path())) << "the check wrote something";
    if (c.refusal) {
      EXPECT_NE(problem.find(c.refusal), std::string::npos) << problem;
      EXPECT_EQ(problem.find('\n'), std::string::npos) << problem;
    } else {
      EXPECT_EQ(problem, "");
    }
    std::string created;
    try {
      drivers::create(path, c.type, c.fields, c.indexes);
    } catch (const EngineError& e) {
      created = e.what();
    }
    EXPECT_EQ(created, problem) << "creation and the check disagree";
    if (!problem.empty()) {
      EXPECT_TRUE(fs::is_empty(dir.path())) << "a refused creation wrote something";
    }
  }
}

// A text table cannot number records, yet a copy into one keeps the numbers it is given.
TEST(StructureProblem, ACopyIntoATextTableKeepsAutoIncrementNumbers) {
  TempDir dir;
  Table keyed;
  test::makeNumbered(keyed, dir, "K.DB", {"a", "b"});
  Table copy;
  test::point(copy, dir, "K.TXT");
  copy.batchMove(keyed, BatchMode::batCopy);
  copy.first();
  EXPECT_EQ(copy.fieldByName("ID").dataType(), FieldType::ftInteger);
  copy.last();
  EXPECT_EQ(copy.fieldByName("ID").asString(), "2");
}

}  // namespace
}  // namespace tdb
