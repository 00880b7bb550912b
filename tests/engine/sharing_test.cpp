// Tables shared between cursors and processes, and tables that survive a killed writer.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "engine/engine_error.h"
#include "tests/engine/child_process.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

using test::Child;
using test::point;
using test::say;
using test::TempDir;
using test::waitFor;

TEST(Sharing, ExclusiveAndSharedOpensRefuseEachOtherInOneProcess) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 2);
  Table a, b;
  point(a, dir, "s.dbf");
  point(b, dir, "s.dbf");
  a.open();
  b.setExclusive(true);
  EXPECT_THROW(b.open(), EngineError);
  b.setExclusive(false);
  b.open();  // two shared opens are fine
  b.close();
  a.close();
  a.setExclusive(true);
  a.open();
  EXPECT_THROW(b.open(), EngineError);
  a.close();
  b.open();
  EXPECT_EQ(b.recordCount(), 2);
}

TEST(Sharing, ExclusiveAndSharedOpensRefuseEachOtherAcrossProcesses) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 2);
  {
    Child holder([&](int up, int down) {
      Table t;
      point(t, dir, "s.dbf");
      t.setExclusive(true);
      t.open();
      say(up, "open");
      waitFor(down);
    });
    ASSERT_EQ(holder.line(), "open");
    Table t;
    point(t, dir, "s.dbf");
    EXPECT_THROW(t.open(), EngineError);
    t.setExclusive(true);
    EXPECT_THROW(t.open(), EngineError);
    holder.tell();
    EXPECT_EQ(holder.wait(), 0);
    t.open();  // the holder is gone
  }
  Child reader([&](int up, int down) {
    Table t;
    point(t, dir, "s.dbf");
    t.open();
    say(up, "open");
    waitFor(down);
  });
  ASSERT_EQ(reader.line(), "open");
  Table t;
  point(t, dir, "s.dbf");
  t.setExclusive(true);
  EXPECT_THROW(t.open(), EngineError);
  reader.tell();
  reader.wait();
}

TEST(Sharing, SharedOpensAtTheSameMomentNeverRefuseEachOther) {
  for (const std::string name : {"s.dbf", "s.db", "s.txt"}) {
    TempDir dir;
    Table made;
    point(made, dir, name);
    made.fieldDefs().add("NAME", FieldType::ftString, 10);
    made.createTable();
    auto openMany = [&] {
      for (int i = 0; i < 1500; ++i) {
        Table t;
        point(t, dir, name);
        t.open();
      }
    };
    Child other([&](int, int) { openMany(); });
    EXPECT_NO_THROW(openMany()) << name;
    EXPECT_EQ(other.wait(), 0) << name;
  }
}

TEST(Sharing, TwoProcessesAppendingToOneTableLoseNothing) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 0);
  auto appendMany = [&](const std::string& prefix) {
    Table t;
    point(t, dir, "s.dbf");
    t.open();
    for (int i = 0; i < 150; ++i) {
      t.append();
      t.fieldByName("NAME").setAsString(prefix + std::to_string(i));
      if (i % 5 == 0) t.fieldByName("NOTE").setAsString(prefix + " memo " + std::to_string(i));
      t.post();
    }
  };
  Child other([&](int, int) { appendMany("B"); });
  appendMany("A");
  EXPECT_EQ(other.wait(), 0);
  Table t;
  point(t, dir, "s.dbf");
  t.open();
  EXPECT_EQ(t.recordCount(), 300);
  int a = 0, b = 0;
  for (t.first(); !t.eof(); t.next()) {
    const std::string name = t.fieldByName("NAME").asString();
    const int i = std::stoi(name.substr(1));
    (name[0] == 'A' ? a : b)++;
    if (i % 5 == 0) {
      EXPECT_EQ(t.fieldByName("NOTE").asString(), name.substr(0, 1) + " memo " + std::to_string(i));
    }
  }
  EXPECT_EQ(a, 150);
  EXPECT_EQ(b, 150);
}

TEST(Sharing, AKilledWriterLosesAtMostTheRecordItWasPosting) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 4; ++round) {
    TempDir dir;
    test::makeSample(dir, "s.dbf", 0);
    Child writer([&](int up, int) {
      Table t;
      point(t, dir, "s.dbf");
      t.open();
      for (int i = 1;; ++i) {
        t.append();
        t.fieldByName("NAME").setAsString("N" + std::to_string(i));
        t.fieldByName("QTY").setValue(Value::integer(i % 10000));
        if (i % 3 == 0) t.fieldByName("NOTE").setAsString(std::string(100 + i % 700, 'm'));
        t.post();
        if (i % 7 == 0) {  // rewrite an older record too, memo included
          t.moveBy(-3);
          t.edit();
          t.fieldByName("NOTE").setAsString(std::string(100 + i % 900, 'e'));
          t.post();
          t.last();
        }
        say(up, std::to_string(i));
      }
    });
    ASSERT_FALSE(writer.line().empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 200));
    writer.kill9();
    int confirmed = 0;
    for (std::string s = writer.line(); !s.empty(); s = writer.line()) confirmed = std::stoi(s);
    writer.wait();

    Table t;
    point(t, dir, "s.dbf");
    ASSERT_NO_THROW(t.open()) << "round " << round;
    EXPECT_GE(t.recordCount(), confirmed);
    EXPECT_LE(t.recordCount(), confirmed + 1);
    int i = 0;
    for (t.first(); !t.eof() && i < confirmed; t.next()) {
      ++i;
      ASSERT_EQ(t.fieldByName("NAME").asString(), "N" + std::to_string(i)) << "round " << round;
      EXPECT_EQ(t.fieldByName("QTY").asNumber(), i % 10000);
      const std::string note = t.fieldByName("NOTE").asString();
      if (!note.empty()) {
        EXPECT_TRUE(note[0] == 'm' || note[0] == 'e') << i;
      }
      if (i % 3 == 0 && note.empty()) ADD_FAILURE() << "memo of record " << i << " lost";
    }
    EXPECT_EQ(i, confirmed);
    // And the table takes new records after the crash.
    t.append();
    t.fieldByName("NAME").setAsString("AFTER");
    t.post();
    EXPECT_EQ(t.fieldByName("NAME").asString(), "AFTER");
  }
}

}  // namespace
}  // namespace tdb
