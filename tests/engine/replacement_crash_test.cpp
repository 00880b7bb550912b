// Tables packed, copied over and appended to while other processes read them, while the writer
// is killed at any moment, and while the disk is full: every table stays whole, and every
// failure is reported as one.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "engine/engine_error.h"
#include "tests/engine/child_process.h"
#include "tests/engine/folder_snapshot.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using test::Child;
using test::FolderSnapshot;
using test::point;
using test::say;
using test::TempDir;

std::string noteOf(const std::string& name) { return "note of " + name; }

// Appends records NAME <prefix><i> with the note noteOf(NAME): a memo pointer gone astray shows.
void appendNoted(Table& t, const std::string& prefix, int from, int count) {
  for (int i = from; i < from + count; ++i) {
    const std::string name = prefix + std::to_string(i);
    t.append();
    t.fieldByName("NAME").setAsString(name);
    t.fieldByName("NOTE").setAsString(noteOf(name));
    t.post();
  }
}

// Creates `table` with NAME C(10) and `second`, and opens it.
void createNamed(Table& t, const TempDir& dir, const std::string& table, const FieldDef& second) {
  point(t, dir, table);
  t.fieldDefs().add("NAME", FieldType::ftString, 10);
  t.fieldDefs().add(second);
  t.createTable();
  t.open();
}

void makeNoted(const TempDir& dir, const std::string& table, const std::string& prefix, int count) {
  Table t;
  createNamed(t, dir, table, {"NOTE", FieldType::ftMemo});
  appendNoted(t, prefix, 1, count);
}

// The names of a table opened shared, after checking every record's note against its name.
std::vector<std::string> wholeNames(const TempDir& dir, const std::string& table) {
  Table t;
  point(t, dir, table);
  t.open();
  std::vector<std::string> names;
  for (t.first(); !t.eof(); t.next()) {
    const std::string name = t.fieldByName("NAME").asString();
    if (t.fieldByName("NOTE").asString() != noteOf(name))
      throw EngineError("record " + std::to_string(t.recNo()) + " (" + name + ") has the note '" +
                        t.fieldByName("NOTE").asString() + "'");
    names.push_back(name);
  }
  return names;
}

bool refusedAsInUse(const EngineError& e) {
  const std::string what = e.what();
  return what.find("正在被使用") != std::string::npos ||
         what.find("已被独占打开") != std::string::npos;
}

TEST(Replacement, ReadersDuringPacksNeitherBreakThemNorSeeHalfATable) {
  TempDir dir;
  makeNoted(dir, "p.dbf", "R", 300);
  const auto end = Clock::now() + std::chrono::milliseconds(1500);
  // Each pack follows 20 new records and the 20 oldest deleted, so every record moves.
  Child packer([&](int up, int) {
    std::mt19937 random(static_cast<unsigned>(getpid()));
    int packs = 0, next = 1;
    while (Clock::now() < end) {
      Table t;
      point(t, dir, "p.dbf");
      t.setExclusive(true);
      try {
        t.open();
      } catch (const EngineError& e) {
        if (!refusedAsInUse(e)) throw;
        continue;  // a reader has it: try again
      }
      // Several packs in one open: the table stays the packer's alone from one to the next.
      for (int round = 0; round < 3; ++round) {
        appendNoted(t, "N", next, 20);
        next += 20;
        t.first();
        for (int i = 0; i < 20; ++i) t.deleteRecord();
        t.pack();
        if (t.recordCount() != 300)
          throw EngineError("pack kept " + std::to_string(t.recordCount()));
        ++packs;
      }
      t.close();
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));  // room to read
    }
    say(up, std::to_string(packs));
  });
  auto reader = [&](int up, int) {
    std::mt19937 random(static_cast<unsigned>(getpid()));
    int reads = 0;
    while (Clock::now() < end) {
      try {
        const size_t seen = wholeNames(dir, "p.dbf").size();
        if (seen != 300) throw EngineError("a reader saw " + std::to_string(seen) + " records");
        ++reads;
      } catch (const EngineError& e) {
        if (!refusedAsInUse(e)) throw;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
    }
    say(up, std::to_string(reads));
  };
  Child first(reader), second(reader);
  const int packs = std::atoi(packer.line().c_str());
  const int reads = std::atoi(first.line().c_str()) + std::atoi(second.line().c_str());
  EXPECT_EQ(packer.wait(), 0);
  EXPECT_EQ(first.wait(), 0);
  EXPECT_EQ(second.wait(), 0);
  EXPECT_GT(packs, 0);
  EXPECT_GT(reads, 0);
  EXPECT_EQ(wholeNames(dir, "p.dbf").size(), 300u);
}

TEST(Replacement, APackKilledAnywhereLeavesAWholeTable) {
  std::mt19937 random(20261210);
  for (int round = 0; round < 6; ++round) {
    TempDir dir;
    makeNoted(dir, "p.dbf", "R", 200);
    Child packer([&](int up, int) {
      Table t;
      point(t, dir, "p.dbf");
      t.setExclusive(true);
      t.open();
      appendNoted(t, "N", 1, 30);
      t.first();
      for (int i = 0; i < 30; ++i) t.deleteRecord();
      say(up, "ready");
      for (;;) t.pack();  // the first drops the deleted records, every one rebuilds the files
    });
    ASSERT_EQ(packer.line(), "ready");
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
    packer.kill9();
    packer.wait();
    // A killed pack is finished or forgotten: 200 records, or 230 with 30 of them deleted.
    const std::vector<std::string> names = wholeNames(dir, "p.dbf");
    EXPECT_EQ(names.size(), 200u) << "round " << round;
    Table t;
    point(t, dir, "p.dbf");
    t.setExclusive(true);
    t.open();  // clears what the killed pack left
    t.close();
    const std::string header = dir.read("p.dbf").substr(4, 4);
    const uint32_t stored =
        static_cast<unsigned char>(header[0]) | static_cast<unsigned char>(header[1]) << 8;
    EXPECT_TRUE(stored == 200 || stored == 230) << stored;
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir.path())) files.push_back(e.path().filename());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"p.dbf", "p.dbt"}))
        << "round " << round << ": " << ::testing::PrintToString(files);
  }
}

TEST(Replacement, ACopyKilledAnywhereLeavesTheOldTableOrTheNewOne) {
  std::mt19937 random(20261211);
  TempDir dir;
  makeNoted(dir, "a.dbf", "A", 150);
  makeNoted(dir, "b.dbf", "B", 250);
  makeNoted(dir, "d.dbf", "A", 150);
  for (int round = 0; round < 8; ++round) {
    Child copier([&](int up, int) {
      for (int i = 0;; ++i) {
        Table source, dest;
        point(source, dir, i % 2 ? "a.dbf" : "b.dbf");
        point(dest, dir, "d.dbf");
        dest.batchMove(source, BatchMode::batCopy);
        say(up, "copied");
      }
    });
    ASSERT_EQ(copier.line(), "copied");
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 60000));
    copier.kill9();
    copier.wait();
    const std::vector<std::string> names = wholeNames(dir, "d.dbf");
    ASSERT_FALSE(names.empty());
    const char letter = names.front()[0];
    EXPECT_EQ(names.size(), letter == 'A' ? 150u : 250u) << "round " << round;
    for (const std::string& name : names) ASSERT_EQ(name[0], letter) << "round " << round;
  }
}

// ---------------------------------------------------------------- a full disk

// Runs `action` in a child process whose files cannot grow past `limit` bytes, as on a full
// disk: a write beyond it fails (EFBIG) instead of ending the process. Returns "failed: " and the
// engine's message when the action threw EngineError, "succeeded" when it did not.
std::string onAFullDisk(rlim_t limit, const std::function<void()>& action) {
  Child child([&](int up, int) {
    signal(SIGXFSZ, SIG_IGN);
    const struct rlimit small = {limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &small) != 0) throw std::runtime_error("setrlimit");
    try {
      action();
      say(up, "succeeded");
    } catch (const EngineError& e) {
      say(up, std::string("failed: ") + e.what());
    }
  });
  const std::string verdict = child.line();
  EXPECT_EQ(child.wait(), 0);
  return verdict;
}

TEST(Replacement, AFullDiskDuringACopyACreateOrAPackChangesNoFile) {
  TempDir dir;
  makeNoted(dir, "big.dbf", "R", 500);
  makeNoted(dir, "dest.dbf", "D", 5);
  test::addIndex(dir, "dest.dbf", {"BYNAME", "NAME", "", 0});
  {
    Table t;
    point(t, dir, "big.dbf");
    t.open();
    for (int i = 0; i < 100; ++i) t.deleteRecord();
  }
  const FolderSnapshot untouched(dir.path());

  std::string verdict = onAFullDisk(16 * 1024, [&] {
    Table source, dest;
    point(source, dir, "big.dbf");
    point(dest, dir, "dest.dbf");
    dest.batchMove(source, BatchMode::batCopy);
  });
  EXPECT_EQ(verdict.rfind("failed: ", 0), 0u) << verdict;
  EXPECT_EQ(FolderSnapshot(dir.path()).changesSince(untouched), "");

  verdict = onAFullDisk(512, [&] {
    Table dest;
    point(dest, dir, "dest.dbf");
    for (int i = 0; i < 30; ++i)
      dest.fieldDefs().add("F" + std::to_string(i), FieldType::ftString, 10);
    dest.createTable();
  });
  EXPECT_EQ(verdict.rfind("failed: ", 0), 0u) << verdict;
  EXPECT_EQ(FolderSnapshot(dir.path()).changesSince(untouched), "");

  verdict = onAFullDisk(16 * 1024, [&] {
    Table t;
    point(t, dir, "big.dbf");
    t.setExclusive(true);
    t.open();
    t.pack();
  });
  EXPECT_EQ(verdict.rfind("failed: ", 0), 0u) << verdict;
  EXPECT_EQ(FolderSnapshot(dir.path()).changesSince(untouched), "");
  EXPECT_EQ(wholeNames(dir, "big.dbf").size(), 400u);
}

TEST(Replacement, AFullDiskDuringAnIndexWriteKeepsTheOldFileAndTheNextOpenRebuildsIt) {
  TempDir dir;
  makeNoted(dir, "s.dbf", "R", 400);
  test::addIndex(dir, "s.dbf", {"BYNAME", "NAME", "", 0});
  const std::string index = dir.read("s.mdx");
  ASSERT_GT(index.size(), 4096u);
  const std::string verdict = onAFullDisk(4096, [&] {
    Table t;
    point(t, dir, "s.dbf");
    t.open();
    for (const char* name : {"ZZ1", "AA1"}) {
      t.edit();
      t.fieldByName("NAME").setAsString(name);  // in the first records, below the limit
      t.post();
      t.next();
    }
    t.close();  // writes the index file, which no longer fits
  });
  EXPECT_EQ(verdict.rfind("failed: ", 0), 0u) << verdict;
  EXPECT_EQ(dir.read("s.mdx"), index);
  Table t;
  point(t, dir, "s.dbf");
  t.setIndexName("BYNAME");
  t.open();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "AA1");
  t.last();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "ZZ1");
}

TEST(Replacement, AFullDiskStopsAnAppendAtAWholeRecordAndSaysHowManyWentIn) {
  TempDir dir;
  auto make = [&](const std::string& name, int rows) {
    Table t;
    createNamed(t, dir, name, {"QTY", FieldType::ftInteger});
    for (int i = 1; i <= rows; ++i) {
      t.append();
      t.fieldByName("NAME").setAsString(name.substr(0, 1) + std::to_string(i));
      t.fieldByName("QTY").setValue(Value::integer(i));
      t.post();
    }
  };
  make("dest.dbf", 100);
  make("more.dbf", 10);
  const std::string before = dir.read("dest.dbf");
  const size_t recordLength = 1 + 10 + 11;
  // Room for three records and half of the fourth.
  const std::string verdict = onAFullDisk(before.size() + 3 * recordLength + recordLength / 2, [&] {
    Table source, dest;
    point(source, dir, "more.dbf");
    point(dest, dir, "dest.dbf");
    dest.batchMove(source, BatchMode::batAppend);
  });
  EXPECT_NE(verdict.find("已追加3条记录"), std::string::npos) << verdict;
  const std::string after = dir.read("dest.dbf");
  // The three records, and the end mark right after them, as other programs expect it.
  ASSERT_EQ(after.size(), before.size() + 3 * recordLength);
  EXPECT_EQ(after.back(), '\x1A');
  EXPECT_EQ(after.substr(32, before.size() - 33), before.substr(32, before.size() - 33));
  Table t;
  point(t, dir, "dest.dbf");
  t.open();
  EXPECT_EQ(t.recordCount(), 103);
  t.last();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "m3");
}

}  // namespace
}  // namespace tdb
