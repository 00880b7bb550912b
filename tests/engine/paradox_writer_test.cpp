// Paradox tables the engine writes: created through the cursor, changed record by record, and
// read back both through the cursor and block by block.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/paradox/px_primary_index.h"
#include "engine/paradox/px_table.h"
#include "engine/table.h"
#include "tests/engine/table_fixture.h"

namespace tdb::test {
namespace {

// A keyed table: ID (long) is the key, then a name and a note.
void createKeyed(Table& t, TempDir& dir, const std::string& name = "keyed.db") {
  point(t, dir, name);
  t.fieldDefs().add("ID", FieldType::ftInteger);
  t.fieldDefs().add("NAME", FieldType::ftString, 20);
  t.fieldDefs().add("NOTE", FieldType::ftMemo, 12);
  t.indexDefs().add({"", "ID", "", ixPrimary});
  t.createTable();
}

void add(Table& t, int64_t id, const std::string& name) {
  t.append();
  t.fieldByName("ID").setValue(Value::integer(id));
  t.fieldByName("NAME").setAsString(name);
  t.post();
}

std::vector<int64_t> ids(Table& t) {
  std::vector<int64_t> out;
  for (t.first(); !t.eof(); t.next()) out.push_back(t.fieldByName("ID").value().integerValue());
  return out;
}

TEST(ParadoxWriter, EveryDesignerTypeRoundTripsThroughANewKeyedTable) {
  TempDir dir;
  Table t;
  point(t, dir, "all.db");
  t.fieldDefs().add("CODE", FieldType::ftString, 8);
  t.fieldDefs().add("DAY", FieldType::ftDate);
  t.fieldDefs().add("SMALL", FieldType::ftSmallint);
  t.fieldDefs().add("WHOLE", FieldType::ftInteger);
  t.fieldDefs().add("REAL", FieldType::ftFloat);
  t.fieldDefs().add("MONEY", FieldType::ftCurrency);
  t.fieldDefs().add({"EXACT", FieldType::ftBCD, 4, 4, false});
  t.fieldDefs().add("YES", FieldType::ftBoolean);
  t.fieldDefs().add("WHEN", FieldType::ftDateTime);
  t.fieldDefs().add("CLOCK", FieldType::ftTime);
  t.fieldDefs().add("SERIAL", FieldType::ftAutoInc);
  t.fieldDefs().add("RAW", FieldType::ftBytes, 4);
  t.fieldDefs().add("MEMO", FieldType::ftMemo, 10);
  t.fieldDefs().add("FMT", FieldType::ftFmtMemo, 10);
  t.fieldDefs().add("BIN", FieldType::ftBlob);
  t.fieldDefs().add("PIC", FieldType::ftGraphic);
  t.fieldDefs().add("OLE", FieldType::ftTypedBinary);
  t.indexDefs().add({"", "CODE;DAY", "", ixPrimary});
  t.createTable();
  EXPECT_TRUE(std::filesystem::exists(dir.file("all.MB")));
  t.open();
  EXPECT_EQ(t.driverTypeName(), "PARADOX");

  const std::string shortMemo = gbk("短备注");                // inside the record
  const std::string mediumMemo = gbk(std::string(300, 'm'));  // a shared block
  const std::string longBlob(9000, '\x7f');                   // a block of its own
  const std::string picture = "BM" + std::string(100, '\x01');
  const double day = encodeDate(2024, 2, 29);
  for (const char* code : {"B", "A"}) {
    t.append();
    t.fieldByName("CODE").setAsString(gbk(std::string(code) + "号"));
    t.fieldByName("DAY").setValue(Value::dateTime(day));
    t.fieldByName("SMALL").setValue(Value::integer(-32767));
    t.fieldByName("WHOLE").setValue(Value::integer(2147483647));
    t.fieldByName("REAL").setValue(Value::number(-0.125));
    t.fieldByName("MONEY").setValue(Value::number(12.34));
    t.fieldByName("EXACT").setValue(Value::number(-1.2345));
    t.fieldByName("YES").setValue(Value::boolean(true));
    t.fieldByName("WHEN").setValue(Value::dateTime(day + 0.5));
    t.fieldByName("CLOCK").setValue(Value::dateTime(0.25));
    t.fieldByName("RAW").setValue(Value::bytes(std::string("\0\1\2\3", 4)));
    t.fieldByName("MEMO").setValue(Value::text(code[0] == 'A' ? shortMemo : mediumMemo));
    t.fieldByName("FMT").setValue(Value::text(mediumMemo));
    t.fieldByName("BIN").setValue(Value::bytes(longBlob));
    t.fieldByName("PIC").setValue(Value::bytes(picture));
    t.post();
  }
  t.close();

  t.open();
  ASSERT_EQ(t.recordCount(), 2);
  ASSERT_EQ(t.indexDefs().count(), 1);
  EXPECT_EQ(t.indexDefs()[0].fields, "CODE;DAY");
  t.first();  // key order: A before B, whatever the order of the posts
  EXPECT_EQ(t.fieldByName("CODE").asString(), gbk("A号"));
  EXPECT_EQ(t.fieldByName("SERIAL").value(), Value::integer(2));
  EXPECT_EQ(t.fieldByName("DAY").value(), Value::dateTime(day));
  EXPECT_EQ(t.fieldByName("SMALL").value(), Value::integer(-32767));
  EXPECT_EQ(t.fieldByName("WHOLE").value(), Value::integer(2147483647));
  EXPECT_EQ(t.fieldByName("REAL").value(), Value::number(-0.125));
  EXPECT_DOUBLE_EQ(t.fieldByName("MONEY").asNumber(), 12.34);
  EXPECT_DOUBLE_EQ(t.fieldByName("EXACT").asNumber(), -1.2345);
  EXPECT_EQ(t.fieldByName("YES").value(), Value::boolean(true));
  EXPECT_EQ(t.fieldByName("WHEN").value(), Value::dateTime(day + 0.5));
  EXPECT_EQ(t.fieldByName("CLOCK").value(), Value::dateTime(0.25));
  EXPECT_EQ(t.fieldByName("RAW").value(), Value::bytes(std::string("\0\1\2\3", 4)));
  EXPECT_EQ(t.fieldByName("MEMO").value(), Value::text(shortMemo));
  EXPECT_EQ(t.fieldByName("FMT").value(), Value::text(mediumMemo));
  EXPECT_EQ(t.fieldByName("BIN").value(), Value::bytes(longBlob));
  EXPECT_EQ(t.fieldByName("PIC").value(), Value::bytes(picture));
  EXPECT_TRUE(t.fieldByName("OLE").isNull());
  t.next();
  EXPECT_EQ(t.fieldByName("SERIAL").value(), Value::integer(1));
  EXPECT_EQ(t.fieldByName("MEMO").value(), Value::text(mediumMemo));
  t.close();

  // The header as another reader sees it: version 7, code page 936, keyed on two fields.
  px::ParadoxTable file(dir.file("all.db"));
  EXPECT_EQ(file.header().versionByte, 12);
  EXPECT_EQ(file.header().codePage, 936u);
  EXPECT_EQ(file.header().keyFieldCount, 2u);
  EXPECT_EQ(file.header().fields[6].type, px::kBcd);
  EXPECT_EQ(file.header().fields[6].decimals, 4u);
}

TEST(ParadoxWriter, KeyedTablesKeepKeyOrderThroughSplitsMovesAndDeletes) {
  TempDir dir;
  Table t;
  createKeyed(t, dir);
  t.open();
  std::vector<int64_t> keys(3000);
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<int64_t>(i) * 2 - 1000;
  std::mt19937 random(7);
  std::shuffle(keys.begin(), keys.end(), random);
  for (int64_t k : keys) add(t, k, gbk("名") + std::to_string(k));
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(ids(t), keys);

  // A duplicate key fails and changes nothing, on insert and on edit.
  t.append();
  t.fieldByName("ID").setValue(Value::integer(keys[10]));
  EXPECT_THROW(t.post(), EngineError);
  t.cancel();
  t.first();
  t.edit();
  t.fieldByName("ID").setValue(Value::integer(keys[1]));
  EXPECT_THROW(t.post(), EngineError);
  t.cancel();

  // A new key moves the record; the cursor follows it.
  t.first();
  t.edit();
  t.fieldByName("ID").setValue(Value::integer(999999));
  t.post();
  EXPECT_EQ(t.recNo(), static_cast<long>(keys.size()));
  EXPECT_EQ(t.fieldByName("NAME").asString(), gbk("名") + std::to_string(keys[0]));
  keys.erase(keys.begin());
  keys.push_back(999999);

  // Every other record deleted, from the end backwards and from the front.
  for (size_t i = 0; i < keys.size(); i += 2) {
    ASSERT_TRUE(t.locate("ID", Value::integer(keys[i])));
    t.deleteRecord();
  }
  std::vector<int64_t> left;
  for (size_t i = 1; i < keys.size(); i += 2) left.push_back(keys[i]);
  EXPECT_EQ(ids(t), left);
  t.close();

  px::ParadoxTable file(dir.file("keyed.db"));  // the chain checks out record for record
  ASSERT_EQ(file.recordCount(), left.size());
  EXPECT_EQ(file.value(file.readRecord(1), 0), Value::integer(left.front()));
  // The primary index names every block of the chain with its first key and record count.
  const std::vector<px::BlockKey> index = px::readPrimaryIndex(dir.file("keyed.px"), file.header());
  ASSERT_EQ(index.size(), file.chain().blocks().size());
  uint32_t first = 1;
  for (size_t i = 0; i < index.size(); ++i) {
    EXPECT_EQ(index[i].block, file.chain().blocks()[i].number);
    EXPECT_EQ(index[i].records, file.chain().blocks()[i].records);
    EXPECT_EQ(index[i].key, file.readRecord(first).substr(0, 4));
    first += index[i].records;
  }
  t.open();
  EXPECT_EQ(ids(t), left);
  ASSERT_TRUE(t.locate("ID", Value::integer(left[700])));
  EXPECT_EQ(t.recNo(), 701);
  EXPECT_FALSE(t.locate("ID", Value::integer(keys[0])));
  EXPECT_EQ(t.recNo(), 701);
  t.close();
}

TEST(ParadoxWriter, EmptiedBlocksAreReusedAndUnkeyedTablesInsertAtTheCursor) {
  TempDir dir;
  Table t;
  point(t, dir, "plain.db");
  t.fieldDefs().add("ID", FieldType::ftInteger);
  t.fieldDefs().add("NAME", FieldType::ftString, 200);
  t.createTable();
  t.open();
  EXPECT_EQ(t.indexDefs().count(), 0);
  for (int i = 1; i <= 100; ++i) add(t, i, "x");
  const auto size = std::filesystem::file_size(dir.file("plain.db"));
  while (!t.isEmpty()) {
    t.first();
    t.deleteRecord();
  }
  EXPECT_TRUE(t.eof());
  for (int i = 1; i <= 100; ++i) add(t, i, "y");
  EXPECT_EQ(std::filesystem::file_size(dir.file("plain.db")), size);

  // insert() places the record before the current one; append() at the end.
  t.first();
  t.next();
  t.insert();
  t.fieldByName("ID").setValue(Value::integer(-1));
  t.post();
  EXPECT_EQ(t.recNo(), 2);
  t.last();
  t.append();
  t.fieldByName("ID").setValue(Value::integer(-2));
  t.post();
  EXPECT_EQ(t.recNo(), 102);
  std::vector<int64_t> expected{1, -1};
  for (int i = 2; i <= 100; ++i) expected.push_back(i);
  expected.push_back(-2);
  EXPECT_EQ(ids(t), expected);
  EXPECT_THROW(t.setCachedUpdates(true), EngineError);  // no key, no identity
  t.close();
  EXPECT_EQ(px::ParadoxTable(dir.file("plain.db")).recordCount(), 102u);
}

TEST(ParadoxWriter, BufferedUpdatesFindTheirRecordsByKey) {
  TempDir dir;
  Table t;
  createKeyed(t, dir);
  t.open();
  for (int i = 1; i <= 10; ++i) add(t, i * 10, "n" + std::to_string(i));
  t.setCachedUpdates(true);
  ASSERT_TRUE(t.locate("ID", Value::integer(20)));
  t.deleteRecord();
  ASSERT_TRUE(t.locate("ID", Value::integer(90)));
  t.edit();
  t.fieldByName("ID").setValue(Value::integer(5));  // moves to the front when applied
  t.fieldByName("NAME").setAsString("moved");
  t.post();
  ASSERT_TRUE(t.locate("ID", Value::integer(50)));
  t.edit();
  t.fieldByName("NAME").setAsString("edited");
  t.post();
  add(t, 20, "again");  // the key the delete gives up
  add(t, 1, "first");
  EXPECT_TRUE(t.updatesPending());
  t.applyUpdates();
  t.commitUpdates();
  EXPECT_FALSE(t.updatesPending());
  t.setCachedUpdates(false);
  EXPECT_EQ(ids(t), (std::vector<int64_t>{1, 5, 10, 20, 30, 40, 50, 60, 70, 80, 100}));
  ASSERT_TRUE(t.locate("ID", Value::integer(5)));
  EXPECT_EQ(t.fieldByName("NAME").asString(), "moved");
  ASSERT_TRUE(t.locate("ID", Value::integer(50)));
  EXPECT_EQ(t.fieldByName("NAME").asString(), "edited");
  ASSERT_TRUE(t.locate("ID", Value::integer(20)));
  EXPECT_EQ(t.fieldByName("NAME").asString(), "again");

  // A buffered insert whose key another record holds fails the apply and stays buffered.
  t.setCachedUpdates(true);
  add(t, 30, "clash");
  ASSERT_TRUE(t.locate("ID", Value::integer(100)));
  t.deleteRecord();
  EXPECT_THROW(t.applyUpdates(), EngineError);
  EXPECT_TRUE(t.updatesPending());
  t.cancelUpdates();
  t.setCachedUpdates(false);
  EXPECT_EQ(ids(t), (std::vector<int64_t>{1, 5, 10, 20, 30, 40, 50, 60, 70, 80}));
  t.close();
}

TEST(ParadoxWriter, SharedHoldersSeeEachOthersChanges) {
  TempDir dir;
  Table a, b;
  createKeyed(a, dir);
  point(b, dir, "keyed.db");
  a.open();
  b.open();
  add(a, 1, "a");
  add(b, 2, "b");  // b first takes in a's record, then adds its own after it
  add(a, 3, "a");
  b.refresh();
  EXPECT_EQ(ids(b), (std::vector<int64_t>{1, 2, 3}));
  a.refresh();
  EXPECT_EQ(ids(a), (std::vector<int64_t>{1, 2, 3}));
  b.append();
  b.fieldByName("ID").setValue(Value::integer(3));
  EXPECT_THROW(b.post(), EngineError);  // a's 3 counts, though b never read it
  b.cancel();

  // Once a has moved records, b's record numbers may name other records: b's edits and deletes
  // are refused until it reads the table again.
  ASSERT_TRUE(a.locate("ID", Value::integer(1)));
  a.deleteRecord();
  ASSERT_TRUE(b.locate("ID", Value::integer(2)));  // b still sees 2 as the second record
  b.edit();
  b.fieldByName("NAME").setAsString("stale");
  EXPECT_THROW(b.post(), EngineError);
  b.cancel();
  EXPECT_THROW(b.deleteRecord(), EngineError);
  b.refresh();
  ASSERT_TRUE(b.locate("ID", Value::integer(2)));
  b.edit();
  b.fieldByName("NAME").setAsString("fresh");
  b.post();
  a.close();
  b.close();
  Table check;
  point(check, dir, "keyed.db");
  check.open();
  EXPECT_EQ(ids(check), (std::vector<int64_t>{2, 3}));
  ASSERT_TRUE(check.locate("ID", Value::integer(2)));
  EXPECT_EQ(check.fieldByName("NAME").asString(), "fresh");
}

TEST(ParadoxWriter, StructuresParadoxCannotHoldAreRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  auto refused = [&](auto shape) {
    Table t;
    point(t, dir, "bad.db");
    shape(t);
    EXPECT_THROW(t.createTable(), EngineError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.db")));
  };
  refused([](Table& t) {  // the key must lead the fields
    t.fieldDefs().add("A", FieldType::ftInteger);
    t.fieldDefs().add("B", FieldType::ftInteger);
    t.indexDefs().add({"", "B", "", ixPrimary});
  });
  refused([](Table& t) { t.fieldDefs().add("A", FieldType::ftString, 256); });
  refused(
      [](Table& t) { t.fieldDefs().add("A_NAME_FAR_TOO_LONG_FOR_IT", FieldType::ftString, 5); });
  refused([](Table& t) {
    t.fieldDefs().add("A", FieldType::ftInteger);
    t.fieldDefs().add("a", FieldType::ftInteger);
  });
  refused([](Table& t) {
    t.fieldDefs().add("A", FieldType::ftInteger);
    t.indexDefs().add({"BYEXPR", "", "A+1", ixExpression});
  });
  refused([](Table& t) { t.fieldDefs().add("A", FieldType::ftUnknown); });
}

TEST(ParadoxWriter, SecondaryIndexesOrderTheCursorAndTravelWithTheTable) {
  TempDir dir;
  Table t;
  point(t, dir, "people.db");
  t.fieldDefs().add("ID", FieldType::ftInteger);
  t.fieldDefs().add("NAME", FieldType::ftString, 10);
  t.fieldDefs().add("CITY", FieldType::ftString, 10);
  t.indexDefs().add({"", "ID", "", ixPrimary});
  t.indexDefs().add({"", "NAME", "", 0});  // named by its field
  t.indexDefs().add({"BYCITY", "CITY;NAME", "", ixCaseInsensitive | ixDescending});
  t.createTable();
  t.open();
  ASSERT_EQ(t.indexDefs().count(), 3);
  EXPECT_EQ(t.indexDefs()[1].name, "NAME");
  EXPECT_EQ(t.indexDefs()[2].options, unsigned(ixCaseInsensitive | ixDescending));
  const std::vector<std::tuple<int, std::string, std::string>> rows = {
      {4, "dan", "beijing"}, {1, "Cat", "Shanghai"}, {3, "bob", "shanghai"}, {2, "ann", "Beijing"}};
  for (const auto& [id, name, city] : rows) {
    t.append();
    t.fieldByName("ID").setValue(Value::integer(id));
    t.fieldByName("NAME").setAsString(name);
    t.fieldByName("CITY").setAsString(city);
    t.post();
  }
  auto order = [&] {
    std::vector<int64_t> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(t.fieldByName("ID").value().integerValue());
    std::vector<int64_t> back;
    for (t.last(); !t.bof(); t.prior())
      back.insert(back.begin(), t.fieldByName("ID").value().integerValue());
    EXPECT_EQ(out, back);
    return out;
  };
  EXPECT_EQ(order(), (std::vector<int64_t>{1, 2, 3, 4}));
  t.setIndexFieldNames("NAME");  // case kept: capitals first
  EXPECT_EQ(order(), (std::vector<int64_t>{1, 2, 3, 4}));
  EXPECT_EQ(t.recordCount(), 4);
  t.setIndexName("bycity");  // city and name without case, descending
  EXPECT_EQ(order(), (std::vector<int64_t>{1, 3, 4, 2}));
  // A change moves the record within the order at once.
  ASSERT_TRUE(t.locate("ID", Value::integer(2)));
  t.edit();
  t.fieldByName("CITY").setAsString("Wuhan");
  t.post();
  EXPECT_EQ(order(), (std::vector<int64_t>{2, 1, 3, 4}));
  t.close();

  // Another reader of the folder finds the definitions in the index files.
  EXPECT_TRUE(std::filesystem::exists(dir.file("people.X02")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("people.YG0")));
  t.setIndexName("BYCITY");
  t.open();
  EXPECT_EQ(order(), (std::vector<int64_t>{2, 1, 3, 4}));

  // Adding and removing an index needs the table to itself; a unique one refuses repeats.
  EXPECT_THROW(t.addIndex({"BYID", "CITY", "", ixUnique}), EngineError);
  t.close();
  t.setExclusive(true);
  t.open();
  EXPECT_THROW(t.addIndex({"SAMECITY", "CITY", "", ixUnique | ixCaseInsensitive}), EngineError);
  t.addIndex({"UNAME", "NAME", "", ixUnique | ixCaseInsensitive});
  EXPECT_EQ(t.indexDefs().count(), 4);
  t.append();
  t.fieldByName("ID").setValue(Value::integer(9));
  t.fieldByName("NAME").setAsString("BOB");
  EXPECT_THROW(t.post(), EngineError);
  t.fieldByName("NAME").setAsString("eve");
  t.post();
  t.deleteIndex("BYCITY");  // the active order: the cursor falls back to the key
  EXPECT_TRUE(t.indexName().empty());
  EXPECT_EQ(order(), (std::vector<int64_t>{1, 2, 3, 4, 9}));
  EXPECT_FALSE(std::filesystem::exists(dir.file("people.XG0")));
  t.close();
  t.open();
  ASSERT_EQ(t.indexDefs().count(), 3);
  EXPECT_EQ(t.indexDefs()[2].name, "UNAME");
  t.close();

  // Deleting the table takes every index file with it.
  t.deleteTable();
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()))
      << std::filesystem::directory_iterator(dir.path())->path();
}

TEST(ParadoxWriter, DetailsFollowTheMasterThroughTheKeyOrASecondaryIndex) {
  TempDir dir;
  test::makeSample(dir, "master.dbf", 3);  // NAME R1, R2, R3
  Table lines;
  point(lines, dir, "lines.db");
  lines.fieldDefs().add("OWNER", FieldType::ftString, 10);
  lines.fieldDefs().add("LINE", FieldType::ftSmallint);
  lines.fieldDefs().add("TAG", FieldType::ftString, 10);
  lines.indexDefs().add({"", "OWNER;LINE", "", ixPrimary});
  lines.indexDefs().add({"BYTAG", "TAG", "", ixCaseInsensitive});
  lines.createTable();
  lines.open();
  for (const auto& [owner, line, tag] : std::vector<std::tuple<std::string, int, std::string>>{
           {"R2", 2, "b"}, {"R1", 1, "A"}, {"R2", 1, "r2"}, {"R3", 1, "R2"}, {"R2", 3, "a"}}) {
    lines.append();
    lines.fieldByName("OWNER").setAsString(owner);
    lines.fieldByName("LINE").setValue(Value::integer(line));
    lines.fieldByName("TAG").setAsString(tag);
    lines.post();
  }
  Table master;
  point(master, dir, "master.dbf");
  master.open();
  lines.setMasterSource(&master);
  lines.setMasterFields("NAME");
  auto shown = [&] {
    std::vector<std::string> out;
    for (lines.first(); !lines.eof(); lines.next())
      out.push_back(lines.fieldByName("OWNER").asString() + "/" +
                    lines.fieldByName("LINE").asString());
    return out;
  };
  EXPECT_EQ(shown(), (std::vector<std::string>{"R1/1"}));
  master.next();
  EXPECT_EQ(shown(), (std::vector<std::string>{"R2/1", "R2/2", "R2/3"}));
  EXPECT_EQ(lines.recordCount(), 3);
  lines.append();  // a new line belongs to the master record in hand
  EXPECT_EQ(lines.fieldByName("OWNER").asString(), "R2");
  lines.fieldByName("LINE").setValue(Value::integer(4));
  lines.post();
  EXPECT_EQ(shown(), (std::vector<std::string>{"R2/1", "R2/2", "R2/3", "R2/4"}));

  // Through the case-insensitive secondary index: TAG "r2" and "R2" both belong to R2.
  lines.setIndexName("BYTAG");
  EXPECT_EQ(shown(), (std::vector<std::string>{"R2/1", "R3/1"}));
  master.last();
  EXPECT_TRUE(shown().empty());
}

// Random inserts, key changes and deletes against a model of what the table must hold: the
// blocks split, empty, leave the chain and come back, and the file must read back as the model.
TEST(ParadoxWriter, RandomChangesMatchAModel) {
  TempDir dir;
  Table t;
  point(t, dir, "model.db");
  t.fieldDefs().add("K", FieldType::ftInteger);
  t.fieldDefs().add("V", FieldType::ftString, 200);  // 20 records to a block
  t.indexDefs().add({"", "K", "", ixPrimary});
  t.createTable();
  t.open();
  std::map<int64_t, std::string> model;
  std::mt19937 random(42);
  for (int step = 0; step < 4000; ++step) {
    const int64_t k = random() % 1500;
    const int what = static_cast<int>(random() % 10);
    const std::string v = "v" + std::to_string(step);
    const bool present = model.contains(k);
    if (what < 6) {  // insert
      t.append();
      t.fieldByName("K").setValue(Value::integer(k));
      t.fieldByName("V").setAsString(v);
      if (present) {
        EXPECT_THROW(t.post(), EngineError);
        t.cancel();
      } else {
        t.post();
        model[k] = v;
      }
    } else if (what < 8 && present) {  // a new key for a record
      const int64_t to = 1500 + random() % 1500;
      ASSERT_TRUE(t.locate("K", Value::integer(k)));
      t.edit();
      t.fieldByName("K").setValue(Value::integer(to));
      if (model.contains(to)) {
        EXPECT_THROW(t.post(), EngineError);
        t.cancel();
      } else {
        t.post();
        model[to] = model[k];
        model.erase(k);
      }
    } else if (present) {
      ASSERT_TRUE(t.locate("K", Value::integer(k)));
      t.deleteRecord();
      model.erase(k);
    }
  }
  t.close();
  t.open();
  ASSERT_EQ(t.recordCount(), static_cast<long>(model.size()));
  auto it = model.begin();
  for (t.first(); !t.eof(); t.next(), ++it) {
    ASSERT_EQ(t.fieldByName("K").value(), Value::integer(it->first));
    ASSERT_EQ(t.fieldByName("V").asString(), it->second);
  }
  t.close();
  px::ParadoxTable file(dir.file("model.db"));
  EXPECT_EQ(px::readPrimaryIndex(dir.file("model.px"), file.header()).size(),
            file.chain().blocks().size());
}

// A writer stopped after writing a new block and before the header: the header counts fewer
// records and blocks than the chain holds. Nothing the blocks hold is lost, and the next change
// neither reuses the block nor trusts the old count.
TEST(ParadoxWriter, AHeaderBehindItsBlocksLosesNothing) {
  TempDir dir;
  Table t;
  createKeyed(t, dir, "torn.db");
  const uint32_t perBlock = px::ParadoxTable(dir.file("torn.db")).header().recordsPerBlock();
  t.open();
  for (uint32_t i = 1; i <= 3 * perBlock + 1; ++i) add(t, i, "n");  // the last one opens block 4
  t.close();
  const uint32_t blocks = px::ParadoxTable(dir.file("torn.db")).header().fileBlocks;
  ASSERT_EQ(blocks, 4u);
  std::string bytes = dir.read("torn.db");
  auto putLe = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
  };
  putLe(0x06, 3 * perBlock, 4);  // records
  putLe(0x0A, blocks - 1, 2);    // blocks in use
  putLe(0x0C, blocks - 1, 2);    // blocks in the file
  dir.write("torn.db", bytes);

  t.open();
  EXPECT_EQ(t.recordCount(), static_cast<long>(3 * perBlock + 1));
  for (uint32_t i = 3 * perBlock + 2; i <= 800; ++i) add(t, i, "m");
  t.close();
  px::ParadoxTable file(dir.file("torn.db"));
  EXPECT_EQ(file.recordCount(), 800u);
  EXPECT_EQ(file.header().recordCount, 800u);
  t.open();
  std::vector<int64_t> expected(800);
  for (int i = 0; i < 800; ++i) expected[i] = i + 1;
  EXPECT_EQ(ids(t), expected);
}

// A writer killed at any moment leaves a table that opens and holds exactly the changes it
// finished, or those and the one it was making: the child reports each finished change through
// a pipe, the parent kills it at a random moment and compares the table with both models.
TEST(ParadoxWriter, AWriterKilledAnywhereLeavesAWholeTable) {
  struct Op {
    bool insert;
    int64_t key;
  };
  std::mt19937 random(5);
  std::vector<Op> ops;
  std::set<int64_t> keys;
  for (int i = 0; i < 20000; ++i) {
    const int64_t k = random() % 3000;
    ops.push_back({!keys.contains(k), k});
    if (keys.contains(k))
      keys.erase(k);
    else
      keys.insert(k);
  }
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    TempDir dir;
    {
      Table t;
      createKeyed(t, dir, "crash.db");
    }
    int acks[2];
    ASSERT_EQ(pipe(acks), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(acks[0]);
      Table t;
      point(t, dir, "crash.db");
      t.setExclusive(true);
      t.open();
      for (const Op& op : ops) {
        if (op.insert) {
          add(t, op.key, std::string(15, char('a' + op.key % 26)));
        } else {
          t.locate("ID", Value::integer(op.key));
          t.deleteRecord();
        }
        const char done = 1;
        if (write(acks[1], &done, 1) != 1) _exit(1);
      }
      _exit(0);
    }
    close(acks[1]);
    // The kill comes some time after the first change, however slowly a loaded machine opens.
    char buf[4096];
    size_t finished = read(acks[0], buf, 1) == 1 ? 1 : 0;
    usleep(20000 + round * 15000);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    for (ssize_t n; (n = read(acks[0], buf, sizeof buf)) > 0;) finished += static_cast<size_t>(n);
    close(acks[0]);
    ASSERT_GT(finished, 0u);
    ASSERT_LT(finished, ops.size());

    std::set<int64_t> done;
    for (size_t i = 0; i < finished; ++i)
      ops[i].insert ? (void)done.insert(ops[i].key) : (void)done.erase(ops[i].key);
    std::set<int64_t> next = done;
    ops[finished].insert ? (void)next.insert(ops[finished].key)
                         : (void)next.erase(ops[finished].key);
    Table t;
    point(t, dir, "crash.db");
    t.open();
    const std::vector<int64_t> got = ids(t);
    const std::set<int64_t> table(got.begin(), got.end());
    EXPECT_EQ(table.size(), got.size());  // no key twice
    EXPECT_TRUE(table == done || table == next) << finished << " changes finished";
    for (t.first(); !t.eof(); t.next())
      ASSERT_EQ(t.fieldByName("NAME").asString(),
                std::string(15, char('a' + t.fieldByName("ID").value().integerValue() % 26)));
    add(t, 100000, "after");  // and it takes changes again
    EXPECT_EQ(t.recordCount(), static_cast<long>(got.size() + 1));
  }
}

// In a secondary order the record before a deleted one may be numbered after it: the cursor
// lands on it where it moved to.
TEST(ParadoxWriter, DeletingInASecondaryOrderLandsOnTheRecordThatMoved) {
  TempDir dir;
  Table t;
  point(t, dir, "sorted.db");
  t.fieldDefs().add("ID", FieldType::ftInteger);
  t.fieldDefs().add("NAME", FieldType::ftString, 10);
  t.indexDefs().add({"", "ID", "", ixPrimary});
  t.indexDefs().add({"", "NAME", "", 0});
  t.createTable();
  t.open();
  for (const auto& [id, name] :
       std::vector<std::pair<int, std::string>>{{1, "z"}, {2, "a"}, {3, "m"}}) {
    t.append();
    t.fieldByName("ID").setValue(Value::integer(id));
    t.fieldByName("NAME").setAsString(name);
    t.post();
  }
  t.setIndexFieldNames("NAME");  // a(2) m(3) z(1)
  t.last();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "z");
  t.deleteRecord();
  EXPECT_FALSE(t.eof() && t.bof());
  EXPECT_EQ(t.fieldByName("NAME").asString(), "m");
  EXPECT_EQ(t.recNo(), 2);
}

}  // namespace
}  // namespace tdb::test
