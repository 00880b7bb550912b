// A restructure that fails at any step, is killed at any moment, meets a table somebody else holds
// or a folder it may not write leaves the table as it was; killed, it leaves the old table or the
// complete new one, never a half.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "engine/engine_error.h"
#include "engine/restructure.h"
#include "engine/table.h"
#include "tests/engine/child_process.h"
#include "tests/engine/folder_snapshot.h"
#include "tests/engine/restructure_fixture.h"

namespace tdb {
namespace {

namespace fs = std::filesystem;
using test::Child;
using test::errorOf;
using test::FolderSnapshot;
using test::say;
using test::TempDir;

const char* const kCannotReplace = "可能在其他地方已打开此数据表或其他原因,不能完成此次操作!";
const char* const kRecordRefused = "因索引或字段赋值问题引起错误,不能完成此次操作!";

// The stock table in a fresh folder, with its structure widened by a field EXTRA C(3).
struct Stock {
  explicit Stock(const std::string& name, TableType type = TableType::ttDefault) : table(name) {
    test::makeStock(dir, table, type);
    Table t;
    test::point(t, dir, table);
    t.open();
    fields = t.fieldDefs();
    indexes = t.indexDefs();
    fields.add("EXTRA", FieldType::ftString, 3);
  }
  std::string path() const { return dir.file(table); }

  TempDir dir;
  std::string table;
  FieldDefs fields;
  IndexDefs indexes;
};

void expectUnchanged(const TempDir& dir, const FolderSnapshot& before) {
  const FolderSnapshot after(dir.path());
  EXPECT_TRUE(after == before) << after.changesSince(before);
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(RestructureFailures, AFailureAtAnyStepLeavesTheTableByteForByte) {
  struct Failure {
    std::string step;
    long record;
  };
  for (const Failure& f : std::vector<Failure>{
           {"backup", 0}, {"build", 0}, {"record", 1}, {"record", 3}, {"index", 0}, {"swap", 0}}) {
    for (const char* table : {"S.DBF", "S.DB", "S.TXT"}) {
      SCOPED_TRACE(f.step + " " + std::to_string(f.record) + " " + table);
      Stock s(table);
      Restructure r(s.path(), TableType::ttDefault, s.fields, s.indexes);
      r.stepHook = [&](const std::string& step, long record) {
        if (step == f.step && record == f.record) throw EngineError("injected");
      };
      if (f.step != "backup") r.backup(nullptr);
      const FolderSnapshot before(s.dir.path());
      const std::string what = errorOf([&] {
        if (f.step == "backup") r.backup(nullptr);
        r.build("", nullptr);
        r.commit();
      });
      EXPECT_NE(what.find("injected"), std::string::npos) << what;
      if (f.step == "backup") EXPECT_EQ(firstLine(what), kCannotReplace) << what;
      expectUnchanged(s.dir, before);
    }
  }
}

TEST(RestructureFailures, ARecordTheNewStructureRefusesStopsTheBuildNamingIt) {
  Stock s("S.DBF", TableType::ttDBase);
  const FolderSnapshot before(s.dir.path());
  IndexDefs onExtra;
  onExtra.add({"UX", "EXTRA", "", ixUnique});  // every EXTRA is blank: the second repeats it
  std::string what = errorOf(
      [&] { Restructure(s.path(), TableType::ttDefault, s.fields, onExtra).build("", {}); });
  EXPECT_EQ(firstLine(what), kRecordRefused) << what;
  EXPECT_NE(what.find("UX"), std::string::npos) << what;

  FieldDefs required = s.fields;
  required[5].required = true;  // NOTE: the third record has none
  what = errorOf(
      [&] { Restructure(s.path(), TableType::ttDefault, required, s.indexes).build("", {}); });
  EXPECT_EQ(firstLine(what), kRecordRefused) << what;
  EXPECT_NE(what.find("第3条记录"), std::string::npos) << what;
  EXPECT_NE(what.find("NOTE"), std::string::npos) << what;
  expectUnchanged(s.dir, before);
}

TEST(RestructureFailures, ATableHeldOpenElsewhereIsRefusedWithNothingChanged) {
  for (const char* table : {"S.DBF", "S.DB", "S.TXT"}) {
    SCOPED_TRACE(table);
    Stock s(table);
    const FolderSnapshot before(s.dir.path());
    Child holder([&](int up, int down) {
      Table t;
      test::point(t, s.dir, table);
      t.open();
      say(up, "open");
      test::waitFor(down);
    });
    ASSERT_EQ(holder.line(), "open");
    Restructure r(s.path(), TableType::ttDefault, s.fields, s.indexes);
    std::string what = errorOf([&] { r.build("", nullptr); });
    EXPECT_EQ(firstLine(what), kCannotReplace) << what;
    holder.tell();
    EXPECT_EQ(holder.wait(), 0);
    // Another cursor of this very process, as another window holds it.
    Table window;
    test::point(window, s.dir, table);
    window.open();
    what = errorOf([&] { r.build("", nullptr); });
    EXPECT_EQ(firstLine(what), kCannotReplace) << what;
    window.close();
    expectUnchanged(s.dir, before);
  }
}

// The designer asks whether to go on between build and commit: meanwhile nobody may open the
// table, or a change made then would be lost in the swap.
TEST(RestructureFailures, NobodyOpensTheTableBetweenTheBuildAndTheSwap) {
  for (const char* table : {"S.DBF", "S.DB", "S.TXT"}) {
    SCOPED_TRACE(table);
    Stock s(table);
    Restructure r(s.path(), TableType::ttDefault, s.fields, s.indexes);
    r.build("", nullptr);
    Child other([&](int up, int) {
      Table t;
      test::point(t, s.dir, table);
      say(up, errorOf([&] { t.open(); }));
    });
    EXPECT_NE(other.line().find("独占"), std::string::npos);
    EXPECT_EQ(other.wait(), 0);
    r.commit();
    EXPECT_EQ(test::dump(s.dir, table).size(), 4u);
  }
}

// Write permission is the user's, so the check runs as an ordinary user even under root.
TEST(RestructureFailures, AReadOnlyFolderIsRefusedWithNothingChanged) {
  Stock s("S.DBF", TableType::ttDBase);
  for (const auto& e : fs::directory_iterator(s.dir.path()))
    fs::permissions(e.path(), fs::perms::all);
  fs::permissions(s.dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
  const FolderSnapshot before(s.dir.path());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(10);
    Restructure r(s.path(), TableType::ttDefault, s.fields, s.indexes);
    if (firstLine(errorOf([&] { r.backup(nullptr); })) != kCannotReplace) _exit(11);
    if (firstLine(errorOf([&] { r.build("", nullptr); })) != kCannotReplace) _exit(12);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  fs::permissions(s.dir.path(), fs::perms::owner_all);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  expectUnchanged(s.dir, before);
}

// The stock table grown to `count` records, so that a build takes a while.
void grow(const TempDir& dir, const std::string& table, int count) {
  Table t;
  test::point(t, dir, table);
  t.open();
  for (int i = 0; i < count; ++i) {
    t.append();
    t.fieldByName("NAME").setAsString("N" + std::to_string(i));
    t.fieldByName("NOTE").setAsString("note of N" + std::to_string(i));
    t.post();
  }
}

TEST(RestructureFailures, AProcessKilledAnywhereLeavesTheOldTableOrTheWholeNewOne) {
  std::mt19937 random(20261210);
  for (const char* table : {"S.DBF", "S.DB"}) {
    Stock s(table);
    const TempDir& dir = s.dir;
    grow(dir, table, 400);
    const FieldDefs& wide = s.fields;
    const IndexDefs& indexes = s.indexes;
    FieldDefs narrow = wide;
    narrow.clear();
    for (int i = 0; i + 1 < wide.count(); ++i) narrow.add(wide[i]);
    for (int round = 0; round < 8; ++round) {
      SCOPED_TRACE(std::string(table) + " round " + std::to_string(round));
      // Back and forth between the two structures, each restructure whole with its backup.
      Child restructurer([&](int up, int) {
        for (int i = 0;; ++i) {
          Restructure r(dir.file(table), TableType::ttDefault, i % 2 ? narrow : wide, indexes);
          r.backup(nullptr);
          r.build("", nullptr);
          r.commit();
          if (i == 0) say(up, "done");
        }
      });
      ASSERT_EQ(restructurer.line(), "done");
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 50000));
      restructurer.kill9();
      restructurer.wait();
      Table t;
      test::point(t, dir, table);
      t.setExclusive(true);  // finishes or forgets what the killed one left
      t.open();
      EXPECT_TRUE(t.fieldCount() == narrow.count() || t.fieldCount() == wide.count());
      EXPECT_EQ(t.recordCount(), 404);
      long noted = 0;
      for (t.first(); !t.eof(); t.next()) {
        const std::string name = t.fieldByName("NAME").asString();
        if (name[0] != 'N') continue;
        EXPECT_EQ(t.fieldByName("NOTE").asString(), "note of " + name);
        ++noted;
      }
      EXPECT_EQ(noted, 400);
      t.close();
      // What a killed backup left beside the backup goes with the next one.
      Restructure(dir.file(table), TableType::ttDefault, wide, indexes).backup(nullptr);
      for (const std::string& file : test::filesIn(dir))
        EXPECT_EQ(file.find(".tdb-"), std::string::npos) << file;
    }
  }
}

}  // namespace
}  // namespace tdb
