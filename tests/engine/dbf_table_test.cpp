// The cursor over real dBASE and FoxPro files: structure, values, files on disk.

#include <gtest/gtest.h>

#include <cstring>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

using test::gbk;
using test::point;
using test::TempDir;

uint32_t le32(const std::string& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

TEST(DbfTable, EveryCreatableTypeRoundTrips) {
  for (TableType type : {TableType::ttDBase, TableType::ttFoxPro}) {
    TempDir dir;
    Table t;
    point(t, dir, "all.dbf", type);
    t.fieldDefs().add("NAME", FieldType::ftString, 12);
    t.fieldDefs().add("SMALL", FieldType::ftSmallint);
    t.fieldDefs().add("REAL", FieldType::ftFloat);
    t.fieldDefs().add("DAY", FieldType::ftDate);
    t.fieldDefs().add("OK", FieldType::ftBoolean);
    t.fieldDefs().add("NOTE", FieldType::ftMemo);
    t.fieldDefs().add("PIC", FieldType::ftGraphic);
    t.fieldDefs().add(gbk("数量"), FieldType::ftInteger);
    if (type == TableType::ttDBase)
      t.fieldDefs().add("BIN", FieldType::ftBlob);
    else
      t.fieldDefs().add("BIN", FieldType::ftTypedBinary);
    t.createTable();
    t.open();
    const std::string binary("\x00\x01\x1A\xFFpicture", 11);
    t.append();
    t.fieldByName("NAME").setAsString(gbk("张三丰abc"));
    t.fieldByName("SMALL").setValue(Value::integer(-123));
    t.fieldByName("REAL").setAsString("3.25");
    t.fieldByName("DAY").setAsString("2024-02-29");
    t.fieldByName("OK").setAsString("T");
    t.fieldByName("NOTE").setAsString(gbk("备注：很长的一段文字") + std::string(3000, 'x'));
    t.fieldByName("PIC").setValue(Value::bytes(binary));
    t.fieldByName(gbk("数量")).setValue(Value::integer(42));
    t.fieldByName("BIN").setValue(Value::bytes(binary));
    t.post();
    t.append();  // an all-blank record
    t.post();
    t.close();

    t.open();
    EXPECT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t.fieldByName("NAME").asString(), gbk("张三丰abc"));
    EXPECT_EQ(t.fieldByName("NAME").dataType(), FieldType::ftString);
    EXPECT_EQ(t.fieldByName("SMALL").value(), Value::integer(-123));
    EXPECT_EQ(t.fieldByName("SMALL").dataType(), FieldType::ftSmallint);
    EXPECT_EQ(t.fieldByName("REAL").asNumber(), 3.25);
    EXPECT_EQ(t.fieldByName("REAL").dataType(), FieldType::ftFloat);
    EXPECT_EQ(t.fieldByName("DAY").asString(), "2024-02-29");
    EXPECT_EQ(t.fieldByName("OK").value(), Value::boolean(true));
    EXPECT_EQ(t.fieldByName("NOTE").asString(),
              gbk("备注：很长的一段文字") + std::string(3000, 'x'));
    EXPECT_EQ(t.fieldByName("PIC").value(), Value::bytes(binary));
    EXPECT_EQ(t.fieldByName("PIC").dataType(), FieldType::ftGraphic);
    EXPECT_EQ(t.fieldByName(gbk("数量")).asNumber(), 42);
    EXPECT_EQ(t.fieldByName("BIN").value(), Value::bytes(binary));
    EXPECT_EQ(t.fieldByName("BIN").dataType(),
              type == TableType::ttDBase ? FieldType::ftBlob : FieldType::ftTypedBinary);
    t.next();
    for (int i = 0; i < t.fieldCount(); ++i) EXPECT_TRUE(t.field(i).isNull()) << i;
  }
}

TEST(DbfTable, HeaderBytesFollowThePublishedLayout) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 3);
  const std::string b = dir.read("s.dbf");
  EXPECT_EQ(static_cast<uint8_t>(b[0]), 0x83);  // dBASE III+ with memo
  EXPECT_EQ(le32(b, 4), 3u);
  const uint16_t headerLength = static_cast<uint8_t>(b[8]) | static_cast<uint8_t>(b[9]) << 8;
  const uint16_t recordLength = static_cast<uint8_t>(b[10]) | static_cast<uint8_t>(b[11]) << 8;
  EXPECT_EQ(headerLength, 32 + 6 * 32 + 1);
  EXPECT_EQ(recordLength, 1 + 10 + 8 + 4 + 8 + 1 + 10);
  EXPECT_EQ(static_cast<uint8_t>(b[29]), 0x7A);  // GBK mark
  EXPECT_EQ(b.substr(32, 11), std::string("NAME\0\0\0\0\0\0\0", 11));
  EXPECT_EQ(b[43], 'C');
  EXPECT_EQ(static_cast<uint8_t>(b[48]), 10);
  EXPECT_EQ(b[32 + 32 + 11], 'N');
  EXPECT_EQ(static_cast<uint8_t>(b[32 + 32 + 17]), 2);  // PRICE decimals
  EXPECT_EQ(b[headerLength - 1], '\x0D');
  EXPECT_EQ(b.size(), size_t{headerLength} + 3u * recordLength + 1);
  EXPECT_EQ(b.back(), '\x1A');
  // The first record, field by field.
  EXPECT_EQ(b.substr(headerLength, recordLength),
            std::string(" R1        ") + "    1.50" + "   1" + "20240101" + "T" + "          ");
  // The third record's memo points at block 1 of the .DBT.
  EXPECT_EQ(b.substr(headerLength + 2 * recordLength + 32, 10), "         1");
  const std::string memo = dir.read("s.dbt");
  EXPECT_EQ(memo.substr(512, 8), "memo 3\x1A\x1A");
}

TEST(DbfTable, FoxProTablesUseFptAndTheirOwnVersion) {
  TempDir dir;
  test::makeSample(dir, "f.dbf", 3, TableType::ttFoxPro);
  const std::string b = dir.read("f.dbf");
  EXPECT_EQ(static_cast<uint8_t>(b[0]), 0xF5);
  const std::string memo = dir.read("f.fpt");
  EXPECT_EQ(memo[6], 0);
  EXPECT_EQ(memo[7], 64);  // block size, big-endian
  Table t;
  point(t, dir, "f.dbf", TableType::ttFoxPro);
  t.open();
  EXPECT_EQ(t.driverTypeName(), "FOXPRO");
  t.last();
  EXPECT_EQ(t.fieldByName("NOTE").asString(), "memo 3");
}

TEST(DbfTable, StructuresTheFormatCannotHoldAreRefused) {
  TempDir dir;
  auto attempt = [&](TableType type, FieldType field, int size = 0) {
    Table t;
    point(t, dir, "x.dbf", type);
    t.fieldDefs().add("F", field, size);
    t.createTable();
  };
  EXPECT_THROW(attempt(TableType::ttFoxPro, FieldType::ftBlob), EngineError);
  EXPECT_THROW(attempt(TableType::ttDBase, FieldType::ftTypedBinary), EngineError);
  EXPECT_THROW(attempt(TableType::ttDBase, FieldType::ftAutoInc), EngineError);
  EXPECT_THROW(attempt(TableType::ttFoxPro, FieldType::ftAutoInc), EngineError);
  EXPECT_THROW(attempt(TableType::ttDBase, FieldType::ftString, 300), EngineError);
  EXPECT_THROW(attempt(TableType::ttDBase, FieldType::ftString, 0), EngineError);
  try {
    Table t;
    point(t, dir, "x.dbf", TableType::ttDBase);
    t.fieldDefs().add("LONGFIELDNAME", FieldType::ftString, 5);
    t.createTable();
    FAIL();
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("LONGFIELDNAME"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.dbf")));
}

TEST(DbfTable, ValuesThatDoNotFitAreRefusedAndTheRecordStays) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 1);
  Table t;
  point(t, dir, "s.dbf");
  t.open();
  t.edit();
  EXPECT_THROW(t.fieldByName("PRICE").setValue(Value::number(123456789)), EngineError);
  EXPECT_THROW(t.fieldByName("PRICE").setAsString("abc"), EngineError);
  EXPECT_THROW(t.fieldByName("DAY").setAsString("2023-02-29"), EngineError);
  EXPECT_THROW(t.fieldByName("OK").setAsString("maybe"), EngineError);
  EXPECT_THROW(t.fieldByName("DAY").setValue(Value::dateTime(1e300)), EngineError);  // no date
  EXPECT_THROW(t.fieldByName("DAY").setValue(Value::number(-1e7)), EngineError);
  EXPECT_EQ(t.fieldByName("PRICE").asNumber(), 1.5);
  t.fieldByName("NAME").setAsString(gbk("一二三四五六"));  // 12 bytes into 10: cut whole characters
  EXPECT_EQ(t.fieldByName("NAME").asString(), gbk("一二三四五"));
  t.fieldByName("PRICE").setValue(Value::number(2.345));
  t.post();
  EXPECT_EQ(t.fieldByName("PRICE").asString(), "2.35");
  EXPECT_THROW(t.fieldByName("NAME").setAsString("x"), EngineError);  // not editing
}

TEST(DbfTable, HeaderCountDateAndEndMarkAfterEveryPost) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 0);
  Table t;
  point(t, dir, "s.dbf");
  t.open();
  for (int i = 1; i <= 3; ++i) {
    t.append();
    t.fieldByName("NAME").setAsString("N" + std::to_string(i));
    t.post();
    const std::string b = dir.read("s.dbf");
    EXPECT_EQ(le32(b, 4), static_cast<uint32_t>(i));
    EXPECT_EQ(b.back(), '\x1A');
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(static_cast<uint8_t>(b[1]), local.tm_year % 256);
    EXPECT_EQ(static_cast<uint8_t>(b[2]), local.tm_mon + 1);
  }
}

TEST(DbfTable, DamagedFilesFailToOpenNamingTheFileAndStayUntouched) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 5);
  const std::string good = dir.read("s.dbf");
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string badVersion = good;
  badVersion[0] = 0x07;
  std::string badHeaderLength = good;
  badHeaderLength[8] = '\xFF', badHeaderLength[9] = '\x7F';
  std::string noTerminator = good;
  noTerminator[32 + 6 * 32] = 'X';
  std::string fieldPastRecord = good;
  fieldPastRecord[32 + 16] = 100;  // NAME wider than the record
  for (const Case& c : {Case{"truncated", good.substr(0, 20)}, Case{"version", badVersion},
                        Case{"header length", badHeaderLength}, Case{"terminator", noTerminator},
                        Case{"field", fieldPastRecord}, Case{"empty", ""}}) {
    dir.write("bad.dbf", c.bytes);
    dir.write("bad.dbt", dir.read("s.dbt"));
    Table t;
    point(t, dir, "bad.dbf");
    try {
      t.open();
      ADD_FAILURE() << c.what << ": opened";
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find("bad.dbf"), std::string::npos) << c.what;
    }
    EXPECT_EQ(dir.read("bad.dbf"), c.bytes) << c.what;
  }
  // A missing memo file is named too.
  dir.write("nomemo.dbf", good);
  Table t;
  point(t, dir, "nomemo.dbf");
  try {
    t.open();
    FAIL();
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("nomemo.dbt"), std::string::npos) << e.what();
  }
}

TEST(DbfTable, TableTypeRule) {
  TempDir dir;
  Table t;
  point(t, dir, "a.dbf");
  EXPECT_EQ(t.driverTypeName(), "DBASE");
  t.setTableType(TableType::ttFoxPro);
  EXPECT_EQ(t.driverTypeName(), "FOXPRO");
  Table p;
  point(p, dir, "a.db");
  EXPECT_THROW(p.open(), EngineError);
  Table a;
  point(a, dir, "a.txt");
  EXPECT_THROW(a.open(), EngineError);
  Table x;
  point(x, dir, "plain");  // no extension: a .DBF file
  EXPECT_EQ(x.path(), dir.path() + "plain.DBF");
}

TEST(DbfTable, CreateReplacesAndDeleteRemovesEveryFile) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 4);
  Table t;
  point(t, dir, "s.dbf");
  t.fieldDefs().clear();
  t.fieldDefs().add("ONLY", FieldType::ftString, 3);
  t.createTable();  // no memo now: the old .DBT goes
  EXPECT_FALSE(std::filesystem::exists(dir.file("s.dbt")));
  t.open();
  EXPECT_EQ(t.recordCount(), 0);
  EXPECT_EQ(t.fieldCount(), 1);
  EXPECT_THROW(t.deleteTable(), EngineError);  // open
  Table other;
  point(other, dir, "s.dbf");
  EXPECT_THROW(other.deleteTable(), EngineError);  // somebody holds it
  EXPECT_THROW(other.createTable(), EngineError);
  t.close();
  EXPECT_TRUE(t.exists());
  t.deleteTable();
  EXPECT_FALSE(t.exists());
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace tdb

namespace tdb {
namespace {

// A dBASE 7 table written byte by byte: 68-byte header, 48-byte field descriptors, big-endian
// integers with the sign bit flipped, doubles stored so that their bytes sort like their values.
TEST(DbfTable, ReadsAndWritesDBaseSevenTables) {
  test::TempDir dir;
  std::string b(68 + 4 * 48 + 1, '\0');
  b[0] = 0x04;
  b[4] = 1;                                   // one record
  b[8] = static_cast<char>(b.size() & 0xFF);  // header length
  b[9] = static_cast<char>(b.size() >> 8);
  const uint32_t recordLength = 1 + 5 + 4 + 8 + 4;
  b[10] = static_cast<char>(recordLength);
  auto field = [&](int i, const char* name, char type, int length) {
    const size_t at = 68 + 48 * i;
    std::memcpy(&b[at], name, std::strlen(name));
    b[at + 32] = type;
    b[at + 33] = static_cast<char>(length);
  };
  field(0, "NAME", 'C', 5);
  field(1, "COUNT", 'I', 4);
  field(2, "RATIO", 'O', 8);
  field(3, "ID", '+', 4);
  b.back() = '\x0D';
  std::string record = " Li   ";
  record += std::string("\x7F\xFF\xFF\xFE", 4);      // -2
  record += std::string("\xC0\x04\0\0\0\0\0\0", 8);  // 2.5 with its sign bit set
  record += std::string("\x80\0\0\x07", 4);          // 7
  dir.write("seven.dbf", b + record + '\x1A');

  Table t;
  test::point(t, dir, "seven.dbf");
  t.open();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "Li");
  EXPECT_EQ(t.fieldByName("COUNT").value(), Value::integer(-2));
  EXPECT_EQ(t.fieldByName("RATIO").asNumber(), 2.5);
  EXPECT_EQ(t.fieldByName("ID").dataType(), FieldType::ftAutoInc);
  EXPECT_EQ(t.fieldByName("ID").value(), Value::integer(7));
  t.edit();
  t.fieldByName("COUNT").setValue(Value::integer(5));
  t.fieldByName("RATIO").setValue(Value::number(-2.5));
  t.post();
  const std::string after = dir.read("seven.dbf");
  EXPECT_EQ(after.substr(b.size() + 6, 12),
            std::string("\x80\0\0\x05\x3F\xFB\xFF\xFF\xFF\xFF\xFF\xFF", 12));
  t.close();
  t.open();
  EXPECT_EQ(t.fieldByName("RATIO").asNumber(), -2.5);
}

}  // namespace
}  // namespace tdb
