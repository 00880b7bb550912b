// The Paradox driver's fast paths against its plain ones on real files: a copy, which holds its
// appends in memory and writes runs of blocks, leaves the same bytes as appends one by one.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/table.h"
#include "tests/engine/table_fixture.h"

namespace tdb::test {
namespace {

// Records long enough that a few thousand fill more blocks than a copy holds at once.
constexpr int kRecords = 6000;

// A memo in the record, in a shared block of the blob file, or in a block of its own.
std::string memoOf(int i) {
  if (i % 7 == 0) return std::string(900 + i % 50, char('a' + i % 26));
  if (i % 3 == 0) return gbk("备注") + std::to_string(i);
  if (i % 5 == 0) return std::string(5000, 'z');
  return {};
}

// ID I (the key when `keyed`), NAME A(200), NOTE M(12), made by appends one by one.
void buildPlain(const TempDir& dir, const std::string& name, bool keyed) {
  Table t;
  point(t, dir, name);
  t.fieldDefs().add("ID", FieldType::ftInteger);
  t.fieldDefs().add("NAME", FieldType::ftString, 200);
  t.fieldDefs().add("NOTE", FieldType::ftMemo, 12);
  if (keyed) t.indexDefs().add({"", "ID", "", ixPrimary});
  t.createTable();
  t.setExclusive(true);
  t.open();
  for (int i = 1; i <= kRecords; ++i) {
    t.append();
    t.field(0).setValue(Value::integer(i * 3));
    t.field(1).setAsString(gbk("名称") + std::string(static_cast<size_t>(i % 190), 'n'));
    if (!memoOf(i).empty()) t.field(2).setAsString(memoOf(i));
    t.post();
  }
  t.close();
}

TEST(ParadoxFastPaths, ACopyWritesTheBytesOfAppendsOneByOne) {
  for (const bool keyed : {true, false}) {
    SCOPED_TRACE(keyed ? "keyed" : "unkeyed");
    TempDir plain, copied;
    buildPlain(plain, "t.db", keyed);
    Table source, copy;
    point(source, plain, "t.db");
    point(copy, copied, "t.db");
    if (keyed) copy.indexDefs().add({"", "ID", "", ixPrimary});
    copy.batchMove(source, keyed ? BatchMode::batCopyIndexed : BatchMode::batCopy);
    EXPECT_EQ(copy.recordCount(), kRecords);
    copy.close();
    for (const char* file : {"t.db", "t.MB", "t.px"}) {
      SCOPED_TRACE(file);
      const bool exists = std::filesystem::exists(plain.file(file));
      ASSERT_EQ(std::filesystem::exists(copied.file(file)), exists);
      if (exists) EXPECT_TRUE(copied.read(file) == plain.read(file));
    }
    // And the copy reads back as a table, from a cursor of its own.
    Table check;
    point(check, copied, "t.db");
    check.open();
    check.moveBy(kRecords - 1);
    EXPECT_EQ(check.field(0).value(), Value::integer(kRecords * 3));
    EXPECT_EQ(check.field(2).value().textValue(), memoOf(kRecords));
  }
}

}  // namespace
}  // namespace tdb::test
