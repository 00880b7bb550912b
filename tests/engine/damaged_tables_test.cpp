// Damaged tables: what can be read is read, and every failure says exactly what is wrong where.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/byte_order.h"
#include "engine/engine_error.h"
#include "engine/table.h"
#include "tests/engine/table_fixture.h"

namespace tdb::test {
namespace {

namespace fs = std::filesystem;

// The sample table's layout (table_fixture.h): the NOTE field's place in a record.
constexpr size_t kSampleHeader = 32 + 6 * 32 + 1;
constexpr size_t kSampleRecord = 1 + 10 + 8 + 4 + 8 + 1 + 10;
constexpr size_t kNoteOffset = 1 + 10 + 8 + 4 + 8 + 1;

// Points record `recno`'s memo field of the sample table at `block`.
void pointMemo(const TempDir& dir, const std::string& table, uint32_t recno, uint32_t block) {
  std::string bytes = dir.read(table);
  std::string field = std::to_string(block);
  field.insert(0, 10 - field.size(), ' ');
  bytes.replace(kSampleHeader + (recno - 1) * kSampleRecord + kNoteOffset, 10, field);
  dir.write(table, bytes);
}

// Runs `f`, which must throw an EngineError whose message holds every one of `parts`.
template <typename F>
void expectError(F&& f, const std::vector<std::string>& parts) {
  try {
    f();
    ADD_FAILURE() << "no error, expected one naming " << parts[0];
  } catch (const EngineError& e) {
    for (const std::string& p : parts)
      EXPECT_NE(std::string(e.what()).find(p), std::string::npos) << e.what() << " / " << p;
  }
}

// Every field of every record as text, a failed field as "!": the view of a table that reads
// past its damage.
std::vector<std::string> everyField(Table& t) {
  std::vector<std::string> rows;
  for (t.first(); !t.eof(); t.next()) {
    std::string row;
    for (int i = 0; i < t.fieldCount(); ++i) {
      try {
        row += t.field(i).asString();
      } catch (const EngineError&) {
        row += "!";
      }
      row += "|";
    }
    rows.push_back(row);
  }
  return rows;
}

// A memo pointer past the end fails its own field, naming the table, the record and the field;
// the rest of the record and every other record still read.
// The table is named in Chinese: the message names its file as the file system spells it.
TEST(DamagedTables, ABadMemoPointerFailsOnlyItsField) {
  for (const TableType type : {TableType::ttDBase, TableType::ttFoxPro}) {
    TempDir dir;
    makeSample(dir, "损坏.dbf", 7, type);
    pointMemo(dir, "损坏.dbf", 3, 999999);
    Table t;
    point(t, dir, "损坏.dbf", type);
    t.open();
    EXPECT_TRUE(t.openWarnings().empty());
    const std::vector<std::string> rows = everyField(t);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[2], "R3|4.5|3|2024-01-03|True|!|");
    EXPECT_EQ(rows[5], "R6|9|6|2024-01-06|False|memo 6|");
    ASSERT_TRUE(t.locate("NAME", Value::text("R3")));
    expectError([&] { t.fieldByName("NOTE").value(); },
                {"数据表[损坏.dbf]第3条记录的字段[NOTE]",
                 type == TableType::ttFoxPro ? "损坏.fpt" : "损坏.dbt", "第999999块"});
    std::vector<Value> values;  // the whole record at once fails as its memo field does
    expectError([&] { t.readValues(values); }, {"数据表[损坏.dbf]第3条记录的字段[NOTE]"});
    // The grid's way in reads a record without moving to it.
    expectError([&] { t.valueAt(3, 5); }, {"第3条记录的字段[NOTE]"});
    EXPECT_EQ(t.valueAt(6, 5), Value::text("memo 6"));
  }
}

TEST(DamagedTables, ABadBlobPointerOfAParadoxTableFailsOnlyItsField) {
  TempDir dir;
  {
    Table t;
    point(t, dir, "p.db");
    t.fieldDefs().add("NAME", FieldType::ftString, 10);
    t.fieldDefs().add({"NOTE", FieldType::ftMemo, 10, 0, false});
    t.createTable();
    t.open();
    for (int i = 1; i <= 3; ++i) {
      t.append();
      t.fieldByName("NAME").setAsString("R" + std::to_string(i));
      t.fieldByName("NOTE").setAsString(std::string(3000, char('a' + i)));  // beyond the record
      t.post();
    }
  }
  // Each blob has a block of its own; the third one's goes.
  fs::resize_file(dir.file("p.MB"), fs::file_size(dir.file("p.MB")) - 4096);
  Table t;
  point(t, dir, "p.db");
  t.open();
  const std::vector<std::string> rows = everyField(t);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], "R1|" + std::string(3000, 'b') + "|");
  EXPECT_EQ(rows[2], "R3|!|");
  t.last();
  expectError([&] { t.fieldByName("NOTE").value(); }, {"第3条记录的字段[NOTE]", "p.MB"});
}

// A file cut short opens read-only with a warning giving both counts; the whole records read and
// copy out; nothing is written to it.
TEST(DamagedTables, ATableCutShortOpensReadOnlyWithWhatItHolds) {
  TempDir dir;
  makeSample(dir, "s.dbf", 5);
  const std::string good = dir.read("s.dbf");
  std::string claimsMore = good;
  claimsMore[4] = 9;  // nine records counted, five held
  const std::string cutInLast = good.substr(0, kSampleHeader + 4 * kSampleRecord + 7);
  for (const auto& [what, bytes, held, counted] :
       {std::tuple{"count", claimsMore, 5, 9}, std::tuple{"cut", cutInLast, 4, 5}}) {
    SCOPED_TRACE(what);
    dir.write("bad.dbf", bytes);
    dir.write("bad.dbt", dir.read("s.dbt"));
    const std::string memoBefore = dir.read("bad.dbt");
    Table t;
    point(t, dir, "bad.dbf");
    t.open();
    ASSERT_EQ(t.openWarnings().size(), 1u);
    const std::string warning = t.openWarnings()[0];
    EXPECT_NE(warning.find("bad.dbf"), std::string::npos) << warning;
    EXPECT_NE(warning.find("记录数" + std::to_string(counted)), std::string::npos) << warning;
    EXPECT_NE(warning.find("容纳" + std::to_string(held) + "条"), std::string::npos) << warning;
    EXPECT_EQ(t.recordCount(), held);
    EXPECT_EQ(everyField(t).back(),
              held == 5 ? "R5|7.5|5|2024-01-05|True||" : "R4|6|4|2024-01-04|False||");
    // Every way of writing says why it cannot.
    t.append();
    t.fieldByName("NAME").setAsString("new");
    expectError([&] { t.post(); }, {"bad.dbf", "只能读取"});
    t.cancel();
    t.first();
    t.edit();
    t.fieldByName("NAME").setAsString("changed");
    expectError([&] { t.post(); }, {"只能读取"});
    t.cancel();
    expectError([&] { t.deleteRecord(); }, {"只能读取"});
    t.refresh();  // the header still counts more than the file holds: no news
    EXPECT_EQ(t.recordCount(), held);

    Table copy;
    point(copy, dir, "copy.dbf");
    copy.batchMove(t, BatchMode::batCopy);
    EXPECT_EQ(copy.recordCount(), held);
    copy.last();
    EXPECT_EQ(copy.fieldByName("NAME").asString(), "R" + std::to_string(held));
    t.close();
    EXPECT_EQ(dir.read("bad.dbf"), bytes);
    EXPECT_EQ(dir.read("bad.dbt"), memoBefore);

    Table alone;
    point(alone, dir, "bad.dbf");
    alone.setExclusive(true);
    expectError([&] { alone.open(); }, {"bad.dbf", "不能独占打开", "容纳" + std::to_string(held)});
  }
}

TEST(DamagedTables, AMemoFileCutShortMakesItsTableReadOnly) {
  TempDir dir;
  makeSample(dir, "s.dbf", 12);  // memos in blocks 1 to 4, the next free one is 5
  const std::string table = dir.read("s.dbf");
  fs::resize_file(dir.file("s.dbt"), 3 * 512);  // the memos of records 9 and 12 are gone
  Table t;
  point(t, dir, "s.dbf");
  t.open();
  ASSERT_EQ(t.openWarnings().size(), 1u);
  EXPECT_NE(t.openWarnings()[0].find("s.dbt]的下一空闲块5超出文件末尾(文件只有3块)"),
            std::string::npos)
      << t.openWarnings()[0];
  const std::vector<std::string> rows = everyField(t);
  EXPECT_EQ(rows[5], "R6|9|6|2024-01-06|False|memo 6|");
  EXPECT_EQ(rows[8], "R9|13.5|9|2024-01-09|True|!|");
  t.first();
  t.edit();
  t.fieldByName("NOTE").setAsString("more");
  expectError([&] { t.post(); }, {"s.dbt", "只能读取"});
  t.cancel();
  t.close();
  EXPECT_EQ(dir.read("s.dbf"), table);
  EXPECT_EQ(fs::file_size(dir.file("s.dbt")), 3u * 512);
}

// Write permission is the user's, so the check runs as an ordinary user even under root.
TEST(DamagedTables, AReadOnlyMemoFileMakesItsTableReadOnly) {
  TempDir dir;
  makeSample(dir, "s.dbf", 3);
  fs::permissions(dir.path(), fs::perms::all);
  fs::permissions(dir.file("s.dbf"), fs::perms::all);
  fs::permissions(dir.file("s.dbt"),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string table = dir.read("s.dbf");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(10);
    try {
      Table t;
      point(t, dir, "s.dbf");
      t.open();
      if (t.openWarnings().size() != 1 ||
          t.openWarnings()[0].find("s.dbt]是只读的") == std::string::npos)
        _exit(11);
      t.last();
      if (t.fieldByName("NOTE").asString() != "memo 3") _exit(12);
      t.edit();
      t.fieldByName("NAME").setAsString("x");
      try {
        t.post();
        _exit(13);
      } catch (const EngineError& e) {
        if (std::string(e.what()).find("只能读取") == std::string::npos) _exit(14);
      }
    } catch (const EngineError&) {
      _exit(15);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(dir.read("s.dbf"), table);
}

// A table, shared or held alone, is read through a memory mapping; another program cutting the
// file short under it makes the next read of a lost record an error naming the file, not a bus
// error.
TEST(DamagedTables, ATableCutShortWhileMappedFailsTheReadNotTheProcess) {
  TempDir dir;
  makeSample(dir, "s.dbf", 3000);  // about thirty pages of records
  // Record 11 starts where the cut ends, in a page the file still reaches; 2900 lies far past it.
  for (const bool exclusive : {true, false})
    for (const uint32_t wanted : {11u, 2900u}) {
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        Table t;
        point(t, dir, "s.dbf");
        t.setExclusive(exclusive);
        t.open();
        if (truncate(dir.file("s.dbf").c_str(), kSampleHeader + 10 * kSampleRecord) != 0) _exit(10);
        try {
          t.moveTo(static_cast<long>(wanted));
          (void)t.fieldByName("NAME").asString();
          _exit(11);
        } catch (const EngineError& e) {
          const std::string what = e.what();
          _exit(what.find("s.dbf") != std::string::npos && what.find("截短") != std::string::npos
                    ? 0
                    : 12);
        }
      }
      int status = 0;
      waitpid(child, &status, 0);
      ASSERT_TRUE(WIFEXITED(status)) << "record " << wanted << ": signal " << WTERMSIG(status);
      EXPECT_EQ(WEXITSTATUS(status), 0) << "record " << wanted << (exclusive ? "" : ", shared");
      makeSample(dir, "s.dbf", 3000);
    }
}

// Files that map and statistics programs write for shapes without attributes.
TEST(DamagedTables, ATableWithoutFieldsIsATable) {
  TempDir dir;
  std::string bytes(33, '\0');
  bytes[0] = 0x03;
  putLe32(bytes.data() + 4, 3);
  putLe16(bytes.data() + 8, 33);
  putLe16(bytes.data() + 10, 1);
  bytes[32] = 0x0D;
  bytes += "  *\x1A";
  dir.write("shapes.dbf", bytes);
  Table t;
  point(t, dir, "shapes.dbf");
  t.open();
  EXPECT_TRUE(t.openWarnings().empty());
  EXPECT_EQ(t.fieldCount(), 0);
  EXPECT_EQ(t.recordCount(), 2);  // the third is deleted
  t.last();
  EXPECT_EQ(t.recNo(), 2);
}

}  // namespace
}  // namespace tdb::test
