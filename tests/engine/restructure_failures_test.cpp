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
using test::FolderSnapshot;
using test::say;
using test::TempDir;

const char* const kCannotReplace = "可能在其他地方已打开此数据表或其他原因,不能完成此次操作!";
const char* const kRecordRefused = "因索引或字段赋值问题引起错误,不能完成此次操作!";

// The stock table's structure with a field EXTRA C(3) added, and its indexes.
void widened(const TempDir& dir, const std::string& table, FieldDefs& fields, IndexDefs& indexes) {
  Table t;
  test::point(t, dir, table);
  t.open();
  fields = t.fieldDefs();
  indexes = t.indexDefs();
  fields.add("EXTRA", FieldType::ftString, 3);
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

template <typename Action>
std::string errorOf(Action action) {
  try {
    action();
  } catch (const EngineError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(RestructureFailures, AFailureAtAnyStepLeavesTheTableByteForByte) {
  struct Failure {
    std::string step;
    long record;
  };
  for (const Failure& f : std::vector<Failure>{
           {"backup", 0}, {"build", 0}, {"record", 1}, {"record", 3}, {"index", 0}, {"swap", 0}}) {
    for (const char* table : {"S.DBF", "S.DB", "S.TXT"}) {
      SCOPED_TRACE(f.step + " " + std::to_string(f.record) + " " + table);
      TempDir dir;
      test::makeStock(dir, table, TableType::ttDefault);
      FieldDefs fields;
      IndexDefs indexes;
      widened(dir, table, fields, indexes);
      Restructure r(dir.file(table), TableType::ttDefault, fields, indexes);
      r.stepHook = [&](const std::string& step, long record) {
        if (step == f.step && record == f.record) throw EngineError("injected");
      };
      if (f.step != "backup") r.backup(nullptr);
      const FolderSnapshot before(dir.path());
      const std::string what = errorOf([&] {
        if (f.step == "backup") r.backup(nullptr);
        r.build("", nullptr);
        r.commit();
      });
      EXPECT_NE(what.find("injected"), std::string::npos) << what;
      const FolderSnapshot after(dir.path());
      EXPECT_TRUE(after == before) << after.changesSince(before);
    }
  }
}

TEST(RestructureFailures, ARecordTheNewStructureRefusesStopsTheBuildNamingIt) {
  TempDir dir;
  test::makeStock(dir, "S.DBF", TableType::ttDBase);
  FieldDefs fields;
  IndexDefs indexes;
  widened(dir, "S.DBF", fields, indexes);
  const FolderSnapshot before(dir.path());
  {
    IndexDefs onExtra;
    onExtra.add({"UX", "EXTRA", "", ixUnique});  // every EXTRA is blank: the second repeats it
    Restructure r(dir.file("S.DBF"), TableType::ttDefault, fields, onExtra);
    const std::string what = errorOf([&] { r.build("", nullptr); });
    EXPECT_EQ(firstLine(what), kRecordRefused) << what;
    EXPECT_NE(what.find("UX"), std::string::npos) << what;
  }
  {
    FieldDefs required = fields;
    required[5].required = true;  // NOTE: the third record has none
    Restructure r(dir.file("S.DBF"), TableType::ttDefault, required, indexes);
    const std::string what = errorOf([&] { r.build("", nullptr); });
    EXPECT_EQ(firstLine(what), kRecordRefused) << what;
    EXPECT_NE(what.find("第3条记录"), std::string::npos) << what;
    EXPECT_NE(what.find("NOTE"), std::string::npos) << what;
  }
  const FolderSnapshot after(dir.path());
  EXPECT_TRUE(after == before) << after.changesSince(before);
}

TEST(RestructureFailures, ATableHeldOpenElsewhereIsRefusedWithNothingChanged) {
  for (const char* table : {"S.DBF", "S.DB", "S.TXT"}) {
    SCOPED_TRACE(table);
    TempDir dir;
    test::makeStock(dir, table, TableType::ttDefault);
    FieldDefs fields;
    IndexDefs indexes;
    widened(dir, table, fields, indexes);
    const FolderSnapshot before(dir.path());
    Child holder([&](int up, int down) {
      Table t;
      test::point(t, dir, table);
      t.open();
      say(up, "open");
      test::waitFor(down);
    });
    ASSERT_EQ(holder.line(), "open");
    Restructure r(dir.file(table), TableType::ttDefault, fields, indexes);
    std::string what = errorOf([&] { r.build("", nullptr); });
    EXPECT_EQ(firstLine(what), kCannotReplace) << what;
    holder.tell();
    EXPECT_EQ(holder.wait(), 0);
    // Another cursor of this very process, as another window holds it.
    Table window;
    test::point(window, dir, table);
    window.open();
    what = errorOf([&] { r.build("", nullptr); });
    EXPECT_EQ(firstLine(what), kCannotReplace) << what;
    window.close();
    const FolderSnapshot after(dir.path());
    EXPECT_TRUE(after == before) << after.changesSince(before);
  }
}

// Write permission is the user's, so the check runs as an ordinary user even under root.
TEST(RestructureFailures, AReadOnlyFolderIsRefusedWithNothingChanged) {
  TempDir dir;
  test::makeStock(dir, "S.DBF", TableType::ttDBase);
  FieldDefs fields;
  IndexDefs indexes;
  widened(dir, "S.DBF", fields, indexes);
  for (const auto& e : fs::directory_iterator(dir.path()))
    fs::permissions(e.path(), fs::perms::all);
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                  fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  const FolderSnapshot before(dir.path());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(10);
    Restructure r(dir.file("S.DBF"), TableType::ttDefault, fields, indexes);
    if (errorOf([&] { r.backup(nullptr); }) == "(no error)") _exit(11);
    if (firstLine(errorOf([&] { r.build("", nullptr); })) != kCannotReplace) _exit(12);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  fs::permissions(dir.path(), fs::perms::owner_all);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const FolderSnapshot after(dir.path());
  EXPECT_TRUE(after == before) << after.changesSince(before);
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
    TempDir dir;
    test::makeStock(dir, table, TableType::ttDefault);
    grow(dir, table, 400);
    FieldDefs narrow, wide;
    IndexDefs indexes;
    widened(dir, table, wide, indexes);
    {
      Table t;
      test::point(t, dir, table);
      t.open();
      narrow = t.fieldDefs();
    }
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
