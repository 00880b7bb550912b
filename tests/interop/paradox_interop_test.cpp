// Paradox tables written by pxlib (through px_write.c) and read by the engine: every field name,
// type and value must come out as the independent writer put it in.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/paradox/px_codec.h"
#include "engine/paradox/px_primary_index.h"
#include "engine/paradox/px_table.h"
#include "engine/table.h"
#include "tests/engine/temp_dir.h"

namespace tdb {
namespace {

using test::TempDir;

const std::string kGbkName = "\xC3\xFB\xB3\xC6";  // 名称
const std::string kGbkText = "\xD6\xD0\xCE\xC4";  // 中文

// Runs px_write over `spec` and returns whether it succeeded.
bool writeWithPxlib(const TempDir& dir, const std::string& spec, int codePage = 936) {
  dir.write("spec.txt", spec);
  const std::string command = std::string(PX_WRITE) + " " + dir.file("t.db") + " " +
                              dir.file("t.mb") + " " + std::to_string(codePage) + " < " +
                              dir.file("spec.txt") + " 2> " + dir.file("stderr.txt");
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << dir.read("stderr.txt");
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string hexOf(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
  return out;
}

// The engine's text form of a value: display text, "hex:" for bytes, "<null>".
std::string shown(const Value& v, FieldType type) {
  if (v.isNull()) return "<null>";
  if (v.kind() == Value::Kind::Bytes) return "hex:" + hexOf(v.textValue());
  return displayText(v, type);
}

TEST(ParadoxInterop, ReadsEveryTypePxlibWrites) {
  TempDir dir;
  std::string longMemo;  // beyond 2048 bytes: a blob block of its own
  for (int i = 0; i < 1500; ++i) longMemo += kGbkText;
  std::string mediumMemo;  // suballocated
  for (int i = 0; i < 60; ++i) mediumMemo += "memo " + std::to_string(i) + " ";
  std::string blob;
  for (int i = 0; i < 40; ++i) blob += "0a1b2c3d";
  const std::string spec =
      kGbkName +
      ":A:20 WHEN:D:0 QTY:S:0 NUM:I:0 PRICE:$:0 RATE:N:0 OK:L:0 NOTE:M:15 BIN:B:12 "
      "FMT:F:11 TM:T:0 TS:@:0 ID:+:0 AMT:#:2 RAW:Y:4\n" +
      kGbkText + "abc\t2024-02-29\t-123\t100000\t12.5\t-3.25\tT\t" + longMemo + "\t" + blob +
      "\tshort\t13:45:10\t2001-09-09 01:46:40\t1\t-1234.56\tdeadbeef\n"
      "\\N\t\\N\t\\N\t\\N\t\\N\t\\N\tF\t\\N\t\\N\t\\N\t\\N\t\\N\t2\t\\N\t\\N\n"
      "x\t0001-01-01\t32767\t-2147483647\t0\t1e100\tF\t" +
      mediumMemo +
      "\tff\tline1\\nline2\t00:00:00\t1899-12-30 00:00:00\t3\t0\t00ff\n"
      "tiny\t9999-12-31\t-32767\t2147483647\t-0.01\t0.1\tT\tin record\t0102\t\\N\t23:59:59\t"
      "9999-12-31 23:59:59\t4\t99999999.99\t01020304\n";
  ASSERT_TRUE(writeWithPxlib(dir, spec));

  px::ParadoxTable table(dir.file("t.db"));
  EXPECT_EQ(table.header().codePage, 936u);
  EXPECT_EQ(table.header().tableName, "pxinterop");
  EXPECT_FALSE(table.header().keyed());
  const std::vector<std::pair<std::string, FieldType>> fields = {
      {kGbkName, FieldType::ftString},  {"WHEN", FieldType::ftDate},
      {"QTY", FieldType::ftSmallint},   {"NUM", FieldType::ftInteger},
      {"PRICE", FieldType::ftCurrency}, {"RATE", FieldType::ftFloat},
      {"OK", FieldType::ftBoolean},     {"NOTE", FieldType::ftMemo},
      {"BIN", FieldType::ftBlob},       {"FMT", FieldType::ftFmtMemo},
      {"TM", FieldType::ftTime},        {"TS", FieldType::ftDateTime},
      {"ID", FieldType::ftAutoInc},     {"AMT", FieldType::ftBCD},
      {"RAW", FieldType::ftBytes}};
  ASSERT_EQ(table.fieldDefs().count(), static_cast<int>(fields.size()));
  for (size_t i = 0; i < fields.size(); ++i) {
    EXPECT_EQ(table.fieldDefs()[static_cast<int>(i)].name, fields[i].first);
    EXPECT_EQ(table.fieldDefs()[static_cast<int>(i)].type, fields[i].second) << fields[i].first;
  }
  EXPECT_EQ(table.fieldDefs()[0].size, 20);

  const std::vector<std::vector<std::string>> expected = {
      {kGbkText + "abc", "2024-02-29", "-123", "100000", "12.5", "-3.25", "True", longMemo,
       "hex:" + blob, "short", "13:45:10", "2001-09-09 01:46:40", "1", "-1234.56", "hex:deadbeef"},
      {"<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "False", "<null>", "<null>",
       "<null>", "<null>", "<null>", "2", "<null>", "<null>"},
      {"x", "0001-01-01", "32767", "-2147483647", "0", "1E+100", "False", mediumMemo, "hex:ff",
       "line1\nline2", "00:00:00", "1899-12-30 00:00:00", "3", "0", "hex:00ff0000"},
      {"tiny", "9999-12-31", "-32767", "2147483647", "-0.01", "0.1", "True", "in record",
       "hex:0102", "<null>", "23:59:59", "9999-12-31 23:59:59", "4", "99999999.99",
       "hex:01020304"}};
  ASSERT_EQ(table.recordCount(), expected.size());
  for (uint32_t r = 1; r <= table.recordCount(); ++r) {
    const std::string record = table.readRecord(r);
    for (int f = 0; f < table.fieldDefs().count(); ++f) {
      const std::string got = shown(table.value(record, f), table.fieldDefs()[f].type);
      EXPECT_EQ(got, expected[r - 1][static_cast<size_t>(f)])
          << "record " << r << " field " << table.fieldDefs()[f].name;
    }
  }
}

// Enough records and memos for several data blocks and several suballocated blob blocks.
TEST(ParadoxInterop, ReadsManyRecordsAcrossBlocks) {
  TempDir dir;
  std::string spec = "N:I:0 NAME:A:30 NOTE:M:20\n";
  auto memoOf = [](int i) {
    std::string m = "record " + std::to_string(i) + ":";
    m.append(static_cast<size_t>(i % 7 == 0 ? 2500 : 20 + i % 300),
             static_cast<char>('a' + i % 26));
    return m;
  };
  const int count = 700;
  for (int i = 1; i <= count; ++i)
    spec += std::to_string(i) + "\t" + kGbkText + std::to_string(i) + "\t" + memoOf(i) + "\n";
  ASSERT_TRUE(writeWithPxlib(dir, spec));

  px::ParadoxTable table(dir.file("t.db"));
  ASSERT_EQ(table.recordCount(), static_cast<uint32_t>(count));
  EXPECT_GT(table.chain().blocks().size(), 5u);
  for (uint32_t r = 1; r <= table.recordCount(); ++r) {
    const std::string record = table.readRecord(r);
    ASSERT_EQ(table.value(record, 0), Value::integer(r));
    ASSERT_EQ(table.value(record, 1), Value::text(kGbkText + std::to_string(r)));
    ASSERT_EQ(table.value(record, 2), Value::text(memoOf(static_cast<int>(r)))) << r;
  }

  // The same table through the cursor, as the workbench meets it, changed in place.
  Table t;
  t.setDatabaseName(dir.path());
  t.setTableName("t.db");
  EXPECT_EQ(t.driverTypeName(), "PARADOX");
  t.open();
  EXPECT_EQ(t.recordCount(), count);
  EXPECT_EQ(t.indexDefs().count(), 0);  // pxlib wrote it without a primary key
  t.setFilter("N > 690");
  t.setFiltered(true);
  long seen = 0;
  for (t.first(); !t.eof(); t.next(), ++seen)
    EXPECT_EQ(t.fieldByName("NOTE").asString(), memoOf(static_cast<int>(t.recNo())));
  EXPECT_EQ(seen, 10);
  t.setFiltered(false);
  ASSERT_TRUE(t.locate("NAME", Value::text(kGbkText + "350")));
  EXPECT_EQ(t.recNo(), 350);
  t.edit();
  t.fieldByName("NOTE").setValue(Value::text(memoOf(2000)));
  t.post();
  t.deleteRecord();
  EXPECT_EQ(t.recNo(), 350);  // the next record moved up into the place
  EXPECT_EQ(t.fieldByName("N").value(), Value::integer(351));
  t.close();
  t.open();
  EXPECT_EQ(t.recordCount(), count - 1);
  ASSERT_TRUE(t.locate("N", Value::integer(349)));
  t.next();
  EXPECT_EQ(t.fieldByName("N").value(), Value::integer(351));
  t.close();
}

// What pxlib reads from `table` (and its .MB), line by line; empty when px_read failed.
std::vector<std::string> readWithPxlib(const TempDir& dir, const std::string& table,
                                       const std::string& blobs = "") {
  const std::string command = std::string(PX_READ) + " " + dir.file(table) +
                              (blobs.empty() ? "" : " " + dir.file(blobs)) + " > " +
                              dir.file("out.txt") + " 2> " + dir.file("stderr.txt");
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << dir.read("stderr.txt");
  std::vector<std::string> lines;
  const std::string out = dir.read("out.txt");
  for (size_t at = 0; at < out.size();) {
    const size_t end = out.find('\n', at);
    lines.push_back(out.substr(at, end - at));
    at = end == std::string::npos ? out.size() : end + 1;
  }
  return lines;
}

TEST(ParadoxInterop, PxlibReadsEveryTypeTheEngineWrites) {
  TempDir dir;
  Table t;
  t.setDatabaseName(dir.path());
  t.setTableName("mine.db");
  t.fieldDefs().add(kGbkName, FieldType::ftString, 10);
  t.fieldDefs().add("WHEN", FieldType::ftDate);
  t.fieldDefs().add("QTY", FieldType::ftSmallint);
  t.fieldDefs().add("NUM", FieldType::ftInteger);
  t.fieldDefs().add("PRICE", FieldType::ftCurrency);
  t.fieldDefs().add("RATE", FieldType::ftFloat);
  t.fieldDefs().add("OK", FieldType::ftBoolean);
  t.fieldDefs().add("NOTE", FieldType::ftMemo, 5);
  t.fieldDefs().add("BIN", FieldType::ftBlob, 2);
  t.fieldDefs().add("TM", FieldType::ftTime);
  t.fieldDefs().add("TS", FieldType::ftDateTime);
  t.fieldDefs().add("ID", FieldType::ftAutoInc);
  t.fieldDefs().add({"AMT", FieldType::ftBCD, 2, 2, false});
  t.fieldDefs().add("RAW", FieldType::ftBytes, 2);
  t.indexDefs().add({"", kGbkName, "", ixPrimary});
  t.createTable();
  t.open();
  std::string longMemo;
  for (int i = 0; i < 1500; ++i) longMemo += kGbkText;
  const double day = encodeDate(2024, 2, 29);
  auto row = [&](const std::string& key, const std::string& note, const std::string& bin) {
    t.append();
    t.fieldByName(kGbkName).setAsString(key);
    t.fieldByName("WHEN").setValue(Value::dateTime(day));
    t.fieldByName("QTY").setValue(Value::integer(-123));
    t.fieldByName("NUM").setValue(Value::integer(100000));
    t.fieldByName("PRICE").setValue(Value::number(12.5));
    t.fieldByName("RATE").setValue(Value::number(-3.25));
    t.fieldByName("OK").setValue(Value::boolean(true));
    t.fieldByName("NOTE").setValue(Value::text(note));
    t.fieldByName("BIN").setValue(Value::bytes(bin));
    t.fieldByName("TM").setValue(Value::dateTime((13 * 3600 + 45 * 60 + 10) / 86400.0));
    t.fieldByName("TS").setValue(Value::dateTime(day + 0.75));
    t.fieldByName("AMT").setValue(Value::number(-1234.56));
    t.fieldByName("RAW").setValue(Value::bytes("\xde\xad"));
    t.post();
  };
  row(kGbkText + "b", longMemo, std::string(300, '\x01'));
  row(kGbkText + "a", "in", "\x02");
  t.append();  // every field null but the key (and the number the table gives)
  t.fieldByName(kGbkName).setAsString("z");
  t.post();
  t.close();

  // pxlib 0.6.9 crashes opening any blob file whose size is a whole number of 4 KiB chunks,
  // its own included, so it reads the table without one: blobs kept in the record come out,
  // the others empty.
  const std::vector<std::string> lines = readWithPxlib(dir, "mine.db");
  ASSERT_EQ(lines.size(), 5u);
  const std::string fields =
      kGbkName +
      ":A:10 WHEN:D:4 QTY:S:2 NUM:I:4 PRICE:$:8 RATE:N:8 OK:L:1 NOTE:M:15 BIN:B:12 TM:T:4 "
      "TS:@:8 ID:+:4 AMT:#:2 RAW:Y:2";
  EXPECT_EQ(lines[0], fields);
  EXPECT_EQ(lines[1], "records=3 keys=1 codepage=936");
  // Key order is byte order: "z" before the GBK text, "a" before "b" whatever the posts' order.
  const std::string values = "\t2024-02-29\t-123\t100000\t12.5\t-3.25\tT\t";
  EXPECT_EQ(lines[3], kGbkText + "a" + values + "in\t02\t13:45:10\t2024-02-29 18:00:00\t2\t" +
                          "-1234.56\tdead");
  EXPECT_EQ(lines[4],
            kGbkText + "b" + values + "\t\t13:45:10\t2024-02-29 18:00:00\t1\t" + "-1234.56\tdead");

  // Nulls are zero bytes, as pxlib writes them: pxlib reads the engine's null record exactly as
  // its own (it decodes zero dates, numbers and times rather than calling them null).
  ASSERT_TRUE(writeWithPxlib(
      dir, kGbkName + ":A:10 WHEN:D:0 QTY:S:0 NUM:I:0 PRICE:$:0 RATE:N:0 OK:L:0 "
                      "NOTE:M:15 BIN:B:12 TM:T:0 TS:@:0 ID:+:0 AMT:#:2 RAW:Y:2\n"
                      "z\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t3\t\\N\t\\N\n"));
  const std::vector<std::string> theirs = readWithPxlib(dir, "t.db");
  ASSERT_EQ(theirs.size(), 3u);
  EXPECT_EQ(lines[2], theirs[2]);
}

// A keyed table's primary index as the engine writes it, read by pxlib beside the table: pxlib
// must find every data block with its count and first key, and read the records through it. A
// handful of records take one index level; two hundred, with 1 KB blocks, take two.
TEST(ParadoxInterop, PxlibReadsThePrimaryIndexTheEngineWrites) {
  for (const int count : {5, 200}) {
    SCOPED_TRACE(count);
    TempDir dir;
    px::Header h;
    h.fileType = 0;
    h.keyFieldCount = 2;
    h.maxTableSize = 1;
    h.codePage = 936;
    h.tableName = "keyed";
    auto field = [&](const std::string& name, uint8_t type, uint32_t size) {
      px::Field f;
      f.name = name;
      f.type = type;
      f.size = size;
      h.fields.push_back(f);
      h.recordSize += size;
    };
    field(kGbkName, px::kAlpha, 100);
    field("N", px::kLong, 4);
    field("V", px::kLong, 4);
    auto name = [](int i) { return kGbkText + std::to_string(1000 + i); };
    px::ParadoxTable::create(dir.file("keyed.db"), h);
    {
      px::ParadoxTable t(dir.file("keyed.db"), true);
      for (int i = 0; i < count; ++i) {
        std::string record(t.header().recordSize, '\0');
        px::encodeField(t.header().fields[0], record.data(), Value::text(name(i)));
        px::encodeField(t.header().fields[1], record.data() + 100, Value::integer(i));
        px::encodeField(t.header().fields[2], record.data() + 104, Value::integer(-i));
        t.insert(t.recordCount() + 1, record);
      }
    }
    px::ParadoxTable t(dir.file("keyed.db"));
    std::vector<px::BlockKey> blocks;
    for (size_t i = 0; i < t.chain().blocks().size(); ++i) {
      const px::DataBlock& b = t.chain().blocks()[i];
      blocks.push_back(
          {t.readRecord(t.chain().firstRecordOf(i)).substr(0, 104), b.number, b.records});
    }
    px::writePrimaryIndex(dir.file("keyed.px"), t.header(), blocks);

    const std::string command = std::string(PX_INDEX_READ) + " " + dir.file("keyed.db") + " " +
                                dir.file("keyed.px") + " > " + dir.file("out.txt") + " 2> " +
                                dir.file("stderr.txt");
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << dir.read("stderr.txt");
    std::vector<std::string> lines;
    const std::string out = dir.read("out.txt");
    for (size_t at = 0, end; at < out.size(); at = end + 1) {
      end = out.find('\n', at);
      lines.push_back(out.substr(at, end - at));
    }
    ASSERT_EQ(lines.size(), 1 + blocks.size() + 1 + count);
    EXPECT_EQ(lines[0], count == 5 ? "levels=1 root=1" : "levels=2 root=1");
    int first = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
      EXPECT_EQ(lines[1 + i], std::to_string(blocks[i].block) + " " +
                                  std::to_string(blocks[i].records) + " " + name(first));
      first += static_cast<int>(blocks[i].records);
    }
    EXPECT_EQ(lines[1 + blocks.size()], "records=" + std::to_string(count));
    for (int i = 0; i < count; ++i) EXPECT_EQ(lines[2 + blocks.size() + i], name(i));
  }
}

// The same through the cursor: inserts in random key order split blocks, deletes empty some, and
// the close writes the index pxlib then reads the table through.
TEST(ParadoxInterop, PxlibReadsATableTheCursorReshuffled) {
  TempDir dir;
  Table t;
  t.setDatabaseName(dir.path());
  t.setTableName("keyed.db");
  t.fieldDefs().add("N", FieldType::ftInteger);
  t.fieldDefs().add(kGbkName, FieldType::ftString, 200);
  t.indexDefs().add({"", "N", "", ixPrimary});
  t.createTable();
  t.open();
  std::vector<int> keys;
  for (int i = 0; i < 3000; ++i) keys.push_back((i * 7919) % 3000);  // every key once, shuffled
  for (int k : keys) {
    t.append();
    t.fieldByName("N").setValue(Value::integer(k));
    t.fieldByName(kGbkName).setAsString(kGbkText + std::to_string(k));
    t.post();
  }
  std::vector<int> left;
  for (int k = 0; k < 3000; ++k) {
    if (k % 3 == 0 || (k >= 1000 && k < 2000)) {
      ASSERT_TRUE(t.locate("N", Value::integer(k)));
      t.deleteRecord();
    } else {
      left.push_back(k);
    }
  }
  t.close();

  const std::string command = std::string(PX_INDEX_READ) + " " + dir.file("keyed.db") + " " +
                              dir.file("keyed.px") + " > " + dir.file("out.txt") + " 2> " +
                              dir.file("stderr.txt");
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << dir.read("stderr.txt");
  const std::string out = dir.read("out.txt");
  std::vector<std::string> lines;
  for (size_t at = 0, end; at < out.size(); at = end + 1) {
    end = out.find('\n', at);
    lines.push_back(out.substr(at, end - at));
  }
  px::ParadoxTable file(dir.file("keyed.db"));
  const size_t blocks = file.chain().blocks().size();
  ASSERT_EQ(lines.size(), 1 + blocks + 1 + left.size());
  uint32_t first = 1;
  for (size_t i = 0; i < blocks; ++i) {
    const px::DataBlock& b = file.chain().blocks()[i];
    EXPECT_EQ(lines[1 + i], std::to_string(b.number) + " " + std::to_string(b.records) + " " +
                                std::to_string(left[first - 1]));
    first += b.records;
  }
  EXPECT_EQ(lines[1 + blocks], "records=" + std::to_string(left.size()));
  for (size_t i = 0; i < left.size(); ++i)
    ASSERT_EQ(lines[2 + blocks + i], std::to_string(left[i])) << i;
}

}  // namespace
}  // namespace tdb
