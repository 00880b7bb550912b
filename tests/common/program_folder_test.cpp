// Where the programs keep their files: their own folder, unless they are installed; then the user's
// own folder, seeded from the installation without ever overwriting what the user has.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "app/common/program_folder.h"
#include "tests/support/temp_folder.h"

namespace torvanel {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts back what it was.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

void put(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

std::string get(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// An installation as the package lays it out: <prefix>/bin and <prefix>/share/torvanel.
struct Installation {
  test::TempFolder dir;
  fs::path root = dir.path().toStdString();
  fs::path bin = root / "prefix/bin";
  fs::path seed = root / "prefix/share/torvanel";
  Installation() {
    fs::create_directories(bin);
    put(seed / "tdbalias.cfg", "DEMO=demo\r\n");
    put(seed / "demo/ORDERS.DBF", "orders");
    put(seed / "demo/ORDERS.CDX", "index");
  }
};

TEST(ProgramFolder, AProgramRunsInItsOwnFolderUnlessItIsInstalled) {
  Installation at;
  ScopedEnv data("XDG_DATA_HOME", (at.root / "data").string());
  std::string failure;

  // A build folder, a bin folder with no share folder beside it, a folder beside a share folder
  // that is not bin.
  for (const fs::path& own : {at.root / "build", at.root / "copy/bin", at.root / "prefix/lib"}) {
    fs::create_directories(own);
    EXPECT_EQ(prepareProgramFolder(own, failure), own);
  }
  EXPECT_FALSE(fs::exists(at.root / "data"))
      << "a program in its own folder touches no user folder";

  EXPECT_EQ(prepareProgramFolder(at.bin, failure), at.root / "data/torvanel");
  EXPECT_EQ(failure, "");
  EXPECT_EQ(get(at.root / "data/torvanel/tdbalias.cfg"), "DEMO=demo\r\n");
  EXPECT_EQ(get(at.root / "data/torvanel/demo/ORDERS.CDX"), "index");

  // Without XDG_DATA_HOME, or with a relative one, the folder is under the home.
  ScopedEnv home("HOME", (at.root / "home").string());
  for (const std::optional<std::string>& value :
       {std::optional<std::string>(), std::optional<std::string>("relative/data")}) {
    ScopedEnv unset("XDG_DATA_HOME", value);
    EXPECT_EQ(userProgramFolder(), at.root / "home/.local/share/torvanel");
  }
}

TEST(ProgramFolder, SeedingFillsOnlyWhatIsMissingAndKeepsTheUsersFiles) {
  Installation at;
  const fs::path user = at.root / "user";
  put(user / "tdbalias.cfg", "MINE=/srv/mine\r\n");
  put(user / "setfile.tsm", "true\r\n");

  seedProgramFolder(user, at.seed);
  EXPECT_EQ(get(user / "tdbalias.cfg"), "MINE=/srv/mine\r\n");
  EXPECT_EQ(get(user / "setfile.tsm"), "true\r\n");
  EXPECT_EQ(get(user / "demo/ORDERS.DBF"), "orders");

  // The user changed a demo table and removed its index: a later start restores nothing.
  put(user / "demo/ORDERS.DBF", "changed");
  fs::remove(user / "demo/ORDERS.CDX");
  seedProgramFolder(user, at.seed);
  EXPECT_EQ(get(user / "demo/ORDERS.DBF"), "changed");
  EXPECT_FALSE(fs::exists(user / "demo/ORDERS.CDX"));

  // Nothing half-built is left behind, and no seed seeds nothing.
  for (const fs::directory_entry& e : fs::directory_iterator(user))
    EXPECT_NE(e.path().filename().string().rfind(".seeding", 0), 0u) << e.path();
  seedProgramFolder(at.root / "empty", at.root / "no-such-seed");
  EXPECT_FALSE(fs::exists(at.root / "empty"));
}

TEST(ProgramFolder, AUserFolderThatCannotBeMadeIsReportedAndStillNamed) {
  Installation at;
  put(at.root / "plain-file", "");
  ScopedEnv data("XDG_DATA_HOME", (at.root / "plain-file").string());
  std::string failure;
  EXPECT_EQ(prepareProgramFolder(at.bin, failure), at.root / "plain-file/torvanel");
  EXPECT_NE(failure.find("plain-file"), std::string::npos) << failure;
}

}  // namespace
}  // namespace torvanel
