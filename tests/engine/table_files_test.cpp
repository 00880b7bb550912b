// One table's files: companions found in any letter case and never shared with another table,
// tables replaced whole or not at all, and reads that change no byte.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "engine/engine_error.h"
#include "tests/engine/child_process.h"
#include "tests/engine/folder_snapshot.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

namespace fs = std::filesystem;
using test::Child;
using test::errorOf;
using test::FolderSnapshot;
using test::point;
using test::TempDir;

// Every record as NAME, or NAME:NOTE where the table has notes, in the table's first order.
std::vector<std::string> rows(const TempDir& dir, const std::string& name,
                              TableType type = TableType::ttDefault) {
  Table t;
  point(t, dir, name, type);
  t.open();
  std::vector<std::string> out;
  Field* note = t.findField("NOTE");
  for (t.first(); !t.eof(); t.next())
    out.push_back(t.fieldByName("NAME").asString() + (note ? ":" + note->asString() : ""));
  return out;
}

// A table NAME C(10), QTY N, and NOTE M where the format has memos, with rows "R1", "R2" ...
// and a note on every second record.
void makeTable(const TempDir& dir, const std::string& name, int count, bool notes = true,
               TableType type = TableType::ttDefault) {
  Table t;
  point(t, dir, name, type);
  t.fieldDefs().add("NAME", FieldType::ftString, 10);
  t.fieldDefs().add("QTY", FieldType::ftInteger);
  if (notes) t.fieldDefs().add("NOTE", FieldType::ftMemo);
  t.createTable();
  t.open();
  for (int i = 1; i <= count; ++i) {
    t.append();
    t.fieldByName("NAME").setAsString("R" + std::to_string(i));
    t.fieldByName("QTY").setValue(Value::integer(i));
    if (notes && i % 2 == 0) t.fieldByName("NOTE").setAsString("note " + std::to_string(i));
    t.post();
  }
}

// Appends a record NAME `name`, NOTE `notePrefix` + name for each name.
void appendNamed(Table& t, std::initializer_list<const char*> names,
                 const std::string& notePrefix) {
  for (const char* name : names) {
    t.append();
    t.fieldByName("NAME").setAsString(name);
    t.fieldByName("NOTE").setAsString(notePrefix + name);
    t.post();
  }
}

void deleteRecord(const TempDir& dir, const std::string& name, long recno) {
  Table t;
  point(t, dir, name);
  t.open();
  t.moveTo(recno);
  t.deleteRecord();
}

void copyTable(const TempDir& dir, const std::string& from, const std::string& to) {
  Table source, dest;
  point(source, dir, from);
  point(dest, dir, to);
  dest.batchMove(source, BatchMode::batCopy);
}

void rename(const TempDir& dir, const std::string& from, const std::string& to) {
  fs::rename(dir.file(from), dir.file(to));
}

std::vector<std::string> names(const TempDir& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir.path())) out.push_back(e.path().filename());
  std::sort(out.begin(), out.end());
  return out;
}

// ---------------------------------------------------------------- names of another table

TEST(TableFiles, ATableWhoseCompanionsBelongToAnotherIsRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  makeTable(dir, "CUSTOMER.DBF", 9);
  test::addIndex(dir, "CUSTOMER.DBF", {"BYNAME", "NAME", "", 0});
  deleteRecord(dir, "CUSTOMER.DBF", 2);  // a copy's memos would sit in other blocks
  const std::vector<std::string> before = rows(dir, "CUSTOMER.DBF");
  const FolderSnapshot untouched(dir.path());

  Table source, bak;
  point(source, dir, "CUSTOMER.DBF");
  point(bak, dir, "CUSTOMER.BAK");  // a plain backup, as "tdb copy" would name it
  const std::string copy = errorOf([&] { bak.batchMove(source, BatchMode::batCopy); });
  EXPECT_NE(copy.find("[CUSTOMER.DBT]"), std::string::npos) << copy;
  EXPECT_NE(copy.find("[CUSTOMER.DBF]"), std::string::npos) << copy;
  source.open();
  bak.fieldDefs() = source.fieldDefs();
  source.close();
  EXPECT_THROW(bak.createTable(), EngineError);  // tdb create --like
  bak.indexDefs().add({"BYNAME", "NAME", "", 0});
  EXPECT_THROW(bak.createTable(), EngineError);

  // One name in another case is another table with the same companions.
  Table lower, mixed;
  point(lower, dir, "customer.dbf");
  EXPECT_THROW(lower.batchMove(source, BatchMode::batCopy), EngineError);
  point(mixed, dir, "Customer.DBF");
  mixed.fieldDefs().add("ONLY", FieldType::ftString, 3);  // no memo, no index: still refused
  EXPECT_THROW(mixed.createTable(), EngineError);
  EXPECT_EQ(FolderSnapshot(dir.path()).changesSince(untouched), "");
  EXPECT_EQ(rows(dir, "CUSTOMER.DBF"), before);
}

TEST(TableFiles, WorkTablesBesideATableTakeNoCompanionOfAnother) {
  // The record clipboard, the structure work table, the restructure backup and the copy trial
  // are created beside the user's table under fixed names and the table's own extension.
  for (const std::string stem : {"tablelinshi", "linshitable", "lssjkb"}) {
    TempDir dir;
    makeTable(dir, "GOODS.DBF", 3);
    makeTable(dir, stem + ".dbf", 2);  // the user's own table of that name, in another case
    const FolderSnapshot untouched(dir.path());
    Table work;
    point(work, dir, stem + ".DBF");
    work.fieldDefs().add("NAME", FieldType::ftString, 10);
    work.fieldDefs().add("NOTE", FieldType::ftMemo);
    const std::string error = errorOf([&] { work.createTable(); });
    EXPECT_NE(error.find("[" + stem + ".dbf]"), std::string::npos) << error;
    Table goods;
    point(goods, dir, "GOODS.DBF");
    EXPECT_THROW(work.batchMove(goods, BatchMode::batCopy), EngineError);
    EXPECT_EQ(FolderSnapshot(dir.path()).changesSince(untouched), "") << stem;

    fs::remove(dir.file(stem + ".dbf"));
    fs::remove(dir.file(stem + ".dbt"));
    work.createTable();
    work.createTable();  // replacing its own
    work.batchMove(goods, BatchMode::batCopy);
    EXPECT_EQ(work.recordCount(), 3);
  }
}

TEST(TableFiles, ATableThatSharesFilesWithAnotherIsNeitherPackedNorIndexed) {
  TempDir dir;
  makeTable(dir, "CUSTOMER.DBF", 6);
  deleteRecord(dir, "CUSTOMER.DBF", 1);
  // What a copy by an earlier version left: a table that uses CUSTOMER.DBF's memo file.
  fs::copy_file(dir.file("CUSTOMER.DBF"), dir.file("CUSTOMER.BAK"));
  const FolderSnapshot untouched(dir.path());
  Table bak;
  point(bak, dir, "CUSTOMER.BAK");
  bak.setExclusive(true);
  bak.open();
  EXPECT_NE(errorOf([&] { bak.pack(); }).find("[CUSTOMER.DBF]"), std::string::npos);
  EXPECT_THROW(bak.addIndex({"BYNAME", "NAME", "", 0}), EngineError);
  bak.close();
  bak.deleteTable();  // goes alone: the memo file is the other table's
  EXPECT_EQ(names(dir), (std::vector<std::string>{"CUSTOMER.DBF", "CUSTOMER.DBT"}));
  EXPECT_EQ(rows(dir, "CUSTOMER.DBF").size(), 5u);
}

TEST(TableFiles, ParadoxAndTextTablesWhoseNamesDifferInCaseAreRefused) {
  TempDir dir;
  makeTable(dir, "ITEMS.DB", 3);
  makeTable(dir, "ITEMS.TXT", 3, false);
  const FolderSnapshot untouched(dir.path());
  for (const std::string name : {"items.db", "Items.DB", "items.txt"}) {
    Table source, dest;
    point(source, dir, name.ends_with("db") || name.ends_with("DB") ? "ITEMS.DB" : "ITEMS.TXT");
    point(dest, dir, name);
    const std::string error = errorOf([&] { dest.batchMove(source, BatchMode::batCopy); });
    EXPECT_NE(error.find("也属于"), std::string::npos) << name << ": " << error;
  }
  EXPECT_EQ(FolderSnapshot(dir.path()).changesSince(untouched), "");
}

// ---------------------------------------------------------------- any letter case

TEST(TableFiles, CompanionsAreFoundInAnyLetterCase) {
  TempDir dir;
  Table fox;
  point(fox, dir, "data.dbf", TableType::ttFoxPro);
  fox.fieldDefs().add("NAME", FieldType::ftString, 10);
  fox.fieldDefs().add("NOTE", FieldType::ftMemo);
  fox.indexDefs().add({"BYNAME", "NAME", "", ixDescending});
  fox.createTable();
  fox.open();
  appendNamed(fox, {"B", "A", "C"}, "about ");
  fox.close();
  // As tables copied from other systems often come.
  rename(dir, "data.dbf", "DATA.DBF");
  rename(dir, "data.cdx", "Data.Cdx");

  Table t;
  point(t, dir, "DATA.DBF");
  t.setIndexName("BYNAME");
  t.open();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "C");
  EXPECT_EQ(t.fieldByName("NOTE").asString(), "about C");
  appendNamed(t, {"D"}, "about ");
  t.close();
  EXPECT_EQ(names(dir), (std::vector<std::string>{"DATA.DBF", "Data.Cdx", "data.fpt"}));
  t.open();
  EXPECT_EQ(t.fieldByName("NOTE").asString(), "about D");  // first in the descending order
  t.close();

  // Replacing the table replaces those files, whatever their case.
  makeTable(dir, "OTHER.DBF", 2);
  copyTable(dir, "OTHER.DBF", "DATA.DBF");
  EXPECT_EQ(names(dir),
            (std::vector<std::string>{"DATA.DBF", "DATA.DBT", "OTHER.DBF", "OTHER.DBT"}));
  EXPECT_EQ(rows(dir, "DATA.DBF"), (std::vector<std::string>{"R1:", "R2:note 2"}));
}

TEST(TableFiles, ParadoxAndTextCompanionsAreFoundInAnyLetterCase) {
  TempDir dir;
  Table px;
  point(px, dir, "goods.db");
  px.fieldDefs().add({"NAME", FieldType::ftString, 10, 0, true});
  px.fieldDefs().add({"NOTE", FieldType::ftMemo, 1, 0, false});  // notes longer go to the .MB
  px.indexDefs().add({"", "NAME", "", ixPrimary});
  px.createTable();
  px.open();
  appendNamed(px, {"B", "A"}, "a longer note about ");
  px.close();
  rename(dir, "goods.db", "GOODS.DB");
  rename(dir, "goods.MB", "Goods.mb");
  makeTable(dir, "list.txt", 2, false);
  rename(dir, "list.txt", "LIST.TXT");
  EXPECT_EQ(rows(dir, "GOODS.DB"),
            (std::vector<std::string>{"A:a longer note about A", "B:a longer note about B"}));
  EXPECT_EQ(rows(dir, "LIST.TXT"), (std::vector<std::string>{"R1", "R2"}));  // typed by list.sch
  Table t;
  point(t, dir, "GOODS.DB");
  t.open();
  appendNamed(t, {"C"}, "a longer note about ");
  t.close();
  EXPECT_EQ(names(dir),
            (std::vector<std::string>{"GOODS.DB", "Goods.mb", "LIST.TXT", "goods.px", "list.sch"}));
  EXPECT_EQ(rows(dir, "GOODS.DB").back(), "C:a longer note about C");
}

// ---------------------------------------------------------------- copies onto themselves

TEST(TableFiles, ATableIsNeverCopiedOntoItselfWhateverTheSpellingOfItsPath) {
  TempDir dir;
  fs::create_directory(dir.file("sub"));
  fs::create_symlink(dir.file("PRODUCT.DB"), dir.file("LINK.DB"));
  for (const std::string name : {"PRODUCT.DB", "PRODUCT.DBF", "PRODUCT.TXT"}) {
    makeTable(dir, name, 20, !name.ends_with("TXT"));
    const FolderSnapshot untouched(dir.path());
    const std::string sameFile[] = {name, "./" + name, "sub/../" + name, dir.file(name)};
    for (const std::string& spelling : sameFile) {
      Table source, dest;
      point(source, dir, name);
      point(dest, dir, spelling);
      const std::string error = errorOf([&] { dest.batchMove(source, BatchMode::batCopy); });
      EXPECT_NE(error.find("不能复制到它自己"), std::string::npos) << spelling << ": " << error;
    }
    if (name == "PRODUCT.DB") {
      Table source, dest;
      point(source, dir, name);
      point(dest, dir, "LINK.DB");
      EXPECT_THROW(dest.batchMove(source, BatchMode::batCopy), EngineError);
    }
    EXPECT_EQ(FolderSnapshot(dir.path()).changesSince(untouched), "") << name;
    EXPECT_EQ(rows(dir, name).size(), 20u) << name;
  }
}

TEST(TableFiles, ACopyOverAnExistingTableOfEveryFormatLeavesItOpenOnTheNewRecords) {
  for (const std::string ext : {".dbf", ".db", ".txt"}) {
    TempDir dir;
    const bool notes = ext != ".txt";
    makeTable(dir, "a" + ext, 3, notes);
    makeTable(dir, "b" + ext, 5, notes);
    makeTable(dir, "d" + ext, 1, notes);
    Table a, b, dest;
    point(a, dir, "a" + ext);
    point(b, dir, "b" + ext);
    point(dest, dir, "d" + ext);
    dest.batchMove(a, BatchMode::batCopy);
    EXPECT_EQ(dest.recordCount(), 3) << ext;
    dest.batchMove(b, BatchMode::batCopy);  // the same cursor, over its own table again
    ASSERT_TRUE(dest.active()) << ext;
    EXPECT_EQ(dest.recordCount(), 5) << ext;
    dest.close();
    EXPECT_EQ(rows(dir, "d" + ext), rows(dir, "b" + ext)) << ext;
  }
}

TEST(TableFiles, RecreatingAParadoxTableWaitsForItsHoldersAndTakesItsOldIndexesAway) {
  TempDir dir;
  Table keyed;
  point(keyed, dir, "PRODUCT.DB");
  keyed.fieldDefs().add({"ID", FieldType::ftInteger, 0, 0, true});
  keyed.fieldDefs().add("NAME", FieldType::ftString, 10);
  keyed.fieldDefs().add({"NOTE", FieldType::ftMemo, 1, 0, false});
  keyed.indexDefs().add({"", "ID", "", ixPrimary});
  keyed.indexDefs().add({"BYNAME", "NAME", "", ixCaseInsensitive});
  keyed.createTable();
  keyed.open();
  for (int i = 1; i <= 20; ++i) {
    keyed.append();
    keyed.fieldByName("ID").setValue(Value::integer(i));
    keyed.fieldByName("NAME").setAsString("P" + std::to_string(i));
    keyed.fieldByName("NOTE").setAsString("a note long enough for the blob file");
    keyed.post();
  }
  keyed.close();
  makeTable(dir, "PLAIN.DB", 2, false);
  const FolderSnapshot untouched(dir.path());
  ASSERT_EQ(names(dir).size(), 6u);  // .DB .MB .PX .XG0 .YG0, and the plain table

  {
    Child holder([&](int up, int down) {
      Table t;
      point(t, dir, "PRODUCT.DB");
      t.open();
      test::say(up, "open");
      test::waitFor(down);
    });
    ASSERT_EQ(holder.line(), "open");
    Table source, dest;
    point(source, dir, "PLAIN.DB");
    point(dest, dir, "PRODUCT.DB");
    const std::string error = errorOf([&] { dest.batchMove(source, BatchMode::batCopy); });
    EXPECT_NE(error.find("正在被使用"), std::string::npos) << error;
    EXPECT_THROW(dest.createTable(), EngineError);
    holder.tell();
    EXPECT_EQ(holder.wait(), 0);
  }
  EXPECT_EQ(FolderSnapshot(dir.path()).changesSince(untouched), "");

  copyTable(dir, "PLAIN.DB", "PRODUCT.DB");
  EXPECT_EQ(names(dir), (std::vector<std::string>{"PLAIN.DB", "PRODUCT.DB"}));
  EXPECT_EQ(rows(dir, "PRODUCT.DB"), (std::vector<std::string>{"R1", "R2"}));
}

// ---------------------------------------------------------------- reads

struct ReadCase {
  const char* name;
  TableType type;
  bool notes;
  const char* tag;      // an index to make and read in, or null
  const char* dropped;  // a companion removed after making, or null
};

class ReadsChangeNothing : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadsChangeNothing, OpeningReadingAndClosingChangesNoByteOfAnyFile) {
  const ReadCase& c = GetParam();
  TempDir dir;
  makeTable(dir, c.name, 30, c.notes, c.type);
  if (c.tag) test::addIndex(dir, c.name, {c.tag, "NAME", "", 0});
  if (c.dropped) fs::remove(dir.file(c.dropped));
  if (std::string(c.name) == "header.txt") fs::remove(dir.file("header.sch"));
  const FolderSnapshot untouched(dir.path());
  usleep(10000);  // a write now would show in the times too
  for (int pass = 0; pass < 2; ++pass) {
    Table t;
    point(t, dir, c.name, c.type);
    if (c.tag && !c.dropped) t.setIndexFieldNames("NAME");
    t.open();
    for (t.first(); !t.eof(); t.next())
      for (int f = 0; f < t.fieldCount(); ++f) (void)t.field(f).asString();
    t.last();
    t.close();
    EXPECT_EQ(FolderSnapshot(dir.path()).changesSince(untouched), "") << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, ReadsChangeNothing,
    ::testing::Values(ReadCase{"plain.dbf", TableType::ttDBase, true, nullptr, nullptr},
                      ReadCase{"tagged.dbf", TableType::ttDBase, true, "BYNAME", nullptr},
                      ReadCase{"lost.dbf", TableType::ttDBase, true, "BYNAME", "lost.mdx"},
                      ReadCase{"fox.dbf", TableType::ttFoxPro, true, "BYNAME", nullptr},
                      ReadCase{"gone.dbf", TableType::ttFoxPro, false, "BYNAME", "gone.cdx"},
                      ReadCase{"plain.db", TableType::ttDefault, true, nullptr, nullptr},
                      ReadCase{"sorted.db", TableType::ttDefault, false, "BYNAME", nullptr},
                      ReadCase{"typed.txt", TableType::ttDefault, false, nullptr, nullptr},
                      ReadCase{"header.txt", TableType::ttDefault, false, nullptr, nullptr}),
    [](const ::testing::TestParamInfo<ReadCase>& info) {
      std::string name = info.param.name;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

// ---------------------------------------------------------------- failures and leftovers

TEST(TableFiles, ACopyThatFailsLeavesTheDestinationAsItWas) {
  TempDir dir;
  makeTable(dir, "source.dbf", 10, false);
  test::setText(dir, "source.dbf", 6, "NAME", "two\nlines");  // a text table has no room for it
  makeTable(dir, "dest.txt", 3, false);
  const FolderSnapshot untouched(dir.path());
  Table source, dest;
  point(source, dir, "source.dbf");
  point(dest, dir, "dest.txt");
  long moved = -1;
  const std::string error = errorOf([&] { dest.batchMove(source, BatchMode::batCopy, &moved); });
  EXPECT_NE(error.find("第6条记录"), std::string::npos) << error;
  EXPECT_NE(error.find("保持原样"), std::string::npos) << error;
  EXPECT_EQ(moved, 0);
  EXPECT_EQ(FolderSnapshot(dir.path()).changesSince(untouched), "");
}

TEST(TableFiles, AFailedAppendSaysHowManyRecordsItAdded) {
  TempDir dir;
  makeTable(dir, "source.dbf", 10, false);
  test::setText(dir, "source.dbf", 6, "NAME", "two\nlines");
  test::setText(dir, "source.dbf", 9, "NAME", "R1");  // a key the unique tag below has already
  makeTable(dir, "dest.txt", 3, false);
  Table source, text;
  point(source, dir, "source.dbf");
  point(text, dir, "dest.txt");
  long moved = -1;
  std::string error = errorOf([&] { text.batchMove(source, BatchMode::batAppend, &moved); });
  EXPECT_NE(error.find("已追加5条记录"), std::string::npos) << error;
  EXPECT_EQ(moved, 5);
  EXPECT_EQ(rows(dir, "dest.txt").size(), 8u);

  makeTable(dir, "dest.dbf", 0, false);
  test::addIndex(dir, "dest.dbf", {"BYNAME", "NAME", "", ixUnique});
  source.setFilter("QTY<>6");
  source.setFiltered(true);
  Table dbf;
  point(dbf, dir, "dest.dbf");
  error = errorOf([&] { dbf.batchMove(source, BatchMode::batAppend, &moved); });
  EXPECT_NE(error.find("已追加7条记录"), std::string::npos) << error;
  EXPECT_EQ(moved, 7);
  EXPECT_EQ(rows(dir, "dest.dbf").size(), 7u);
}

TEST(TableFiles, OnlyAnExclusiveOpenClearsWhatKilledWritersLeft) {
  TempDir dir;
  makeTable(dir, "s.dbf", 4);
  makeTable(dir, "other.dbf", 1, false);
  const std::vector<std::string> clean = names(dir);
  for (const char* left : {"s.dbf.tdb-new", "s.dbt.tdb-new", "S.MDX.tdb-new",
                           "s.dbf.tdb-index-stale.tdb-new", "s.dbf.tdb-pack", "s.dbt.tdb-pack"})
    dir.write(left, "left by a killed writer");
  fs::create_directory(dir.file("s.dbf.tdb-build"));
  dir.write("s.dbf.tdb-build/s.dbf", "half a table");
  dir.write("other.dbf.tdb-new", "another table's");
  const FolderSnapshot left(dir.path());

  EXPECT_EQ(rows(dir, "s.dbf").size(), 4u);  // a shared open leaves them to the exclusive one
  EXPECT_EQ(FolderSnapshot(dir.path()).changesSince(left), "");
  Table t;
  point(t, dir, "s.dbf");
  t.setExclusive(true);
  t.open();
  EXPECT_EQ(t.recordCount(), 4);
  t.close();
  std::vector<std::string> expected = clean;
  expected.push_back("other.dbf.tdb-new");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names(dir), expected);
}

TEST(TableFiles, APackThatAnEarlierVersionLeftHalfSwappedIsFinishedBeforeAnyRead) {
  TempDir dir, packed;
  makeTable(dir, "s.dbf", 9);
  makeTable(packed, "s.dbf", 9);
  for (long recno : {7, 4, 1}) {
    deleteRecord(dir, "s.dbf", recno);
    deleteRecord(packed, "s.dbf", recno);
  }
  {
    Table t;
    point(t, packed, "s.dbf");
    t.setExclusive(true);
    t.open();
    t.pack();
  }
  // Killed after the memo file went into place, before the table did.
  fs::copy_file(packed.file("s.dbf"), dir.file("s.dbf.tdb-pack"));
  fs::copy_file(packed.file("s.dbt"), dir.file("s.dbt"), fs::copy_options::overwrite_existing);
  dir.write("s.dbf.tdb-packing", "pack\n");
  EXPECT_EQ(rows(dir, "s.dbf"), rows(packed, "s.dbf"));
  EXPECT_EQ(names(dir), (std::vector<std::string>{"s.dbf", "s.dbt"}));
}

TEST(TableFiles, ABatchOfAppendsWritesATextTableOnce) {
  TempDir dir;
  makeTable(dir, "t.txt", 2, false);
  Table t;
  point(t, dir, "t.txt");
  t.open();
  struct stat before {};
  ::stat(dir.file("t.txt").c_str(), &before);
  const std::string bytes = dir.read("t.txt");
  auto appendSome = [&](int from, int to) {
    for (int i = from; i <= to; ++i) {
      t.append();
      t.fieldByName("NAME").setAsString("B" + std::to_string(i));
      t.post();
    }
  };
  {
    Table::Batch batch(t);
    appendSome(1, 50);
    {
      Table::Batch inner(t);  // a paste inside a larger batch
      appendSome(51, 60);
      inner.finish();
    }
    EXPECT_EQ(t.recordCount(), 62);
    EXPECT_EQ(t.fieldByName("NAME").asString(), "B60");
    struct stat during {};
    ::stat(dir.file("t.txt").c_str(), &during);
    EXPECT_EQ(during.st_ino, before.st_ino);  // not one replacement yet
    EXPECT_EQ(dir.read("t.txt"), bytes);
    batch.finish();
  }
  EXPECT_EQ(rows(dir, "t.txt").size(), 62u);

  // A batch whose one write fails stores none of its records, and says so.
  {
    Table::Batch batch(t);
    appendSome(61, 70);
    fs::create_directory(dir.file("t.txt.tdb-new"));  // where the new file would be written
    EXPECT_THROW(batch.finish(), EngineError);
  }
  EXPECT_EQ(t.recordCount(), 62);
  EXPECT_EQ(rows(dir, "t.txt").size(), 62u);
  makeTable(dir, "more.dbf", 4, false);
  Table more;
  point(more, dir, "more.dbf");
  long moved = -1;
  const std::string error = errorOf([&] { t.batchMove(more, BatchMode::batAppend, &moved); });
  EXPECT_NE(error.find("已追加0条记录"), std::string::npos) << error;
  EXPECT_EQ(moved, 0);
  EXPECT_EQ(rows(dir, "t.txt").size(), 62u);
  fs::remove(dir.file("t.txt.tdb-new"));
  appendSome(71, 71);
  EXPECT_EQ(rows(dir, "t.txt").back(), "B71");
}

}  // namespace
}  // namespace tdb
