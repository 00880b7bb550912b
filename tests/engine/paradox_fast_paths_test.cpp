// The Paradox driver's fast paths against its plain ones on real files: a copy, which holds its
// appends in memory and writes runs of blocks, leaves the same bytes as appends one by one; an
// exclusive open, which reads runs of blocks, reads what a shared one reads, changes included;
// and a whole record decoded in one call gives each field's value as reading it alone does.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/paradox/px_codec.h"
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

std::string nameOf(int id) {
  return gbk("键") + std::to_string(id) + std::string(static_cast<size_t>(id % 180), 'n');
}

// ID I (the key when `keyed`), NAME A(200), NOTE M(12), made by appends one by one of `ids` in
// that order, each record's fields a function of its ID.
void buildPlain(const TempDir& dir, const std::string& name, bool keyed,
                const std::vector<int>& ids) {
  Table t;
  point(t, dir, name);
  t.fieldDefs().add("ID", FieldType::ftInteger);
  t.fieldDefs().add("NAME", FieldType::ftString, 200);
  t.fieldDefs().add("NOTE", FieldType::ftMemo, 12);
  if (keyed) t.indexDefs().add({"", "ID", "", ixPrimary});
  t.createTable();
  t.setExclusive(true);
  t.open();
  for (int id : ids) {
    t.append();
    t.field(0).setValue(Value::integer(id));
    t.field(1).setAsString(nameOf(id));
    if (!memoOf(id).empty()) t.field(2).setAsString(memoOf(id));
    t.post();
  }
  t.close();
}

// `count` IDs from `first` stepping by `step`.
std::vector<int> idsFrom(int first, int count, int step) {
  std::vector<int> ids;
  for (int i = 0; i < count; ++i) ids.push_back(first + i * step);
  return ids;
}

TEST(ParadoxFastPaths, ACopyWritesTheBytesOfAppendsOneByOne) {
  for (const bool keyed : {true, false}) {
    SCOPED_TRACE(keyed ? "keyed" : "unkeyed");
    TempDir plain, copied;
    buildPlain(plain, "t.db", keyed, idsFrom(1, kRecords, 1));
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
      if (exists) {
        EXPECT_TRUE(copied.read(file) == plain.read(file));
      }
    }
    // And the copy reads back as a table, from a cursor of its own.
    Table check;
    point(check, copied, "t.db");
    check.open();
    check.moveBy(kRecords - 1);
    EXPECT_EQ(check.field(0).value(), Value::integer(kRecords));
    EXPECT_EQ(check.field(2).value().textValue(), memoOf(kRecords));
  }
}

// Every field of every record, field by field.
std::vector<std::vector<Value>> readAll(Table& t) {
  std::vector<std::vector<Value>> out;
  for (t.first(); !t.eof(); t.next()) {
    out.emplace_back();
    for (int i = 0; i < t.fieldCount(); ++i) out.back().push_back(t.field(i).value());
  }
  return out;
}

TEST(ParadoxFastPaths, AnExclusiveOpenReadsWhatASharedOneReadsThroughChanges) {
  // Keys in order fill blocks that follow each other in the file; keys out of order split
  // blocks, so the chain leaves file order in places.
  for (const bool shuffled : {false, true}) {
    SCOPED_TRACE(shuffled ? "keys out of order" : "keys in order");
    TempDir dir;
    std::vector<int> keys = idsFrom(0, 3000, 2);
    if (shuffled) std::shuffle(keys.begin(), keys.end(), std::mt19937(3));
    buildPlain(dir, "k.db", true, keys);
    Table shared, exclusive;
    point(shared, dir, "k.db");
    point(exclusive, dir, "k.db");
    shared.open();
    const auto expected = readAll(shared);
    shared.close();
    exclusive.setExclusive(true);
    exclusive.open();
    EXPECT_EQ(readAll(exclusive), expected);

    // Records ahead of the one in hand change, move and go while its blocks are held: the scan
    // goes on through the records as they now are.
    exclusive.first();
    exclusive.moveBy(10);
    ASSERT_TRUE(exclusive.locate("ID", Value::integer(40)));
    exclusive.edit();
    exclusive.field(1).setAsString("changed");
    exclusive.post();
    exclusive.next();  // away and back, within the blocks read with the record
    exclusive.prior();
    EXPECT_EQ(exclusive.field(1).asString(), "changed");
    ASSERT_TRUE(exclusive.locate("ID", Value::integer(60)));
    exclusive.deleteRecord();
    exclusive.append();
    exclusive.field(0).setValue(Value::integer(51));
    exclusive.post();
    exclusive.first();
    std::vector<std::string> seen;
    for (int n = 0; n < 40; ++n, exclusive.next())
      seen.push_back(std::to_string(exclusive.field(0).value().integerValue()) + "=" +
                     exclusive.field(1).asString());
    EXPECT_EQ(seen[20], "40=changed");
    EXPECT_EQ(seen[25], "50=" + nameOf(50));
    EXPECT_EQ(seen[26], "51=");
    EXPECT_EQ(seen[27], "52=" + nameOf(52));
    EXPECT_EQ(seen[31], "62=" + nameOf(62));
    const auto changed = readAll(exclusive);
    EXPECT_EQ(changed.size(), expected.size());
    exclusive.close();
    shared.open();  // the next open reads the file alone
    EXPECT_EQ(readAll(shared), changed);
  }
}

TEST(ParadoxFastPaths, AWholeRecordInOneCallGivesEachFieldAsReadAlone) {
  TempDir dir;
  Table t;
  point(t, dir, "all.db");
  t.fieldDefs().add("CODE", FieldType::ftString, 20);
  t.fieldDefs().add("RAW", FieldType::ftBytes, 3);
  t.fieldDefs().add("SMALL", FieldType::ftSmallint);
  t.fieldDefs().add("REAL", FieldType::ftFloat);
  t.fieldDefs().add({"EXACT", FieldType::ftBCD, 4, 2, false});
  t.fieldDefs().add("DAY", FieldType::ftDate);
  t.fieldDefs().add("WHEN", FieldType::ftDateTime);
  t.fieldDefs().add("YES", FieldType::ftBoolean);
  t.fieldDefs().add("NOTE", FieldType::ftMemo, 10);
  t.createTable();
  t.open();
  // Text that grows, shrinks and turns null between records, so reused values must let go of
  // what the record before held; the other fields alternate between null and a value.
  const std::vector<std::string> codes = {gbk("很长很长的一段文字了"), "ab", "", gbk("中"), ""};
  for (size_t i = 0; i < codes.size() * 2; ++i) {
    t.append();
    if (!codes[i % codes.size()].empty()) t.field(0).setAsString(codes[i % codes.size()]);
    if (i % 2 == 0) {
      t.field(1).setValue(Value::bytes(std::string("\0\1\2", 3)));
      t.field(2).setValue(Value::integer(-static_cast<int64_t>(i)));
      t.field(3).setValue(Value::number(i * 0.25));
      t.field(4).setValue(Value::number(12.5));
      t.field(5).setValue(Value::dateTime(45000 + static_cast<double>(i)));
      t.field(6).setValue(Value::dateTime(45000.5));
      t.field(7).setValue(Value::boolean(i % 4 == 0));
      t.field(8).setAsString(i % 4 == 0 ? std::string(50, 'm') : "short");
    }
    t.post();
  }
  const auto expected = readAll(t);
  std::vector<Value> values;
  size_t r = 0;
  for (t.first(); !t.eof(); t.next(), ++r) {
    t.readValues(values);
    EXPECT_EQ(values, expected[r]) << "record " << r + 1;
  }
  EXPECT_EQ(r, codes.size() * 2);
  // While editing: the buffer in hand, a memo not yet stored included.
  t.first();
  t.edit();
  t.field(0).setAsString("edited");
  t.field(8).setAsString("pending");
  t.readValues(values);
  EXPECT_EQ(values[0], Value::text("edited"));
  EXPECT_EQ(values[8], Value::text("pending"));
  t.cancel();
}

TEST(ParadoxFastPaths, AlphaTextEndsAtTheFirstNulWhereverItFalls) {
  // GBK bytes have the high bit set, which the word-wise search must not take for zeros.
  const std::string fill = gbk("北京上海广州深圳杭州成都武汉南京西安重庆天津") + "abcdefgh";
  for (uint32_t size = 1; size <= 40; ++size) {
    px::Field f;
    f.size = size;
    for (uint32_t nul = 0; nul <= size; ++nul) {
      std::string bytes = fill.substr(0, size);
      if (nul < size) bytes[nul] = '\0';
      if (nul + 2 < size) bytes[nul + 2] = '\0';  // a later NUL changes nothing
      EXPECT_EQ(px::alphaText(f, bytes.data()), std::string_view(bytes).substr(0, nul))
          << "size " << size << ", NUL at " << nul;
    }
  }
}

}  // namespace
}  // namespace tdb::test
