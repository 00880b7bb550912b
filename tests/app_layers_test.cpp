// The layers of the source tree, read from the #include lines: the workbench's folders include
// only their own headers and those of the folders below them, so that no folder forms a circle
// with another (a child window calling the main window it lives in could call it while it is
// being destroyed); the engine includes nothing of the workbench and nothing of Qt.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The workbench's folders from the bottom up; folders of one rank may not include each other.
const std::map<std::string, int> kRank = {
    {"common", 0},   {"ui", 1},      {"windows", 2}, {"tools", 3},
    {"projects", 3}, {"reports", 3}, {"shell", 4},
};

struct Include {
  std::string file;  // relative to the source root
  int line;
  std::string target;  // as written between the quotes
};

// Every quoted #include of the C++ files below `folder` (a folder of the source root).
std::vector<Include> includesBelow(const std::string& folder) {
  static const std::regex quoted(R"re(^\s*#\s*include\s*"([^"]+)")re");
  std::vector<Include> out;
  const fs::path root(SOURCE_ROOT);
  for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
    std::ifstream in(entry.path());
    std::string text;
    for (int n = 1; std::getline(in, text); ++n) {
      std::smatch m;
      if (std::regex_search(text, m, quoted))
        out.push_back({fs::relative(entry.path(), root).string(), n, m[1].str()});
    }
  }
  return out;
}

// The workbench folder a path inside app/ belongs to ("app/windows/x.h" -> "windows").
std::string folderOf(const std::string& path) {
  const size_t start = path.find('/') + 1;
  return path.substr(start, path.find('/', start) - start);
}

TEST(AppLayers, EveryIncludeGoesToTheSameFolderOrALowerOne) {
  const std::vector<Include> includes = includesBelow("app");
  ASSERT_GT(includes.size(), 100u);  // the tree was found
  for (const Include& inc : includes) {
    const std::string from = folderOf(inc.file);
    const std::string where = inc.file + ":" + std::to_string(inc.line) + " includes " + inc.target;
    ASSERT_TRUE(kRank.count(from)) << "a folder not placed among the layers: " << from;
    // Every header of the tree is named from the root: a relative path would slip past.
    EXPECT_EQ(inc.target.find(".."), std::string::npos) << where;
    if (!inc.target.starts_with("app/")) {
      EXPECT_TRUE(inc.target.starts_with("engine/")) << where;
      continue;
    }
    const std::string to = folderOf(inc.target);
    ASSERT_TRUE(kRank.count(to)) << where;
    EXPECT_TRUE(to == from || kRank.at(to) < kRank.at(from)) << "upward: " << where;
  }
}

TEST(AppLayers, TheEngineIncludesNothingOfTheWorkbenchOrQt) {
  static const std::regex qt(R"re(^\s*#\s*include\s*<Q)re");
  const fs::path root(SOURCE_ROOT);
  for (const Include& inc : includesBelow("engine"))
    EXPECT_TRUE(inc.target.starts_with("engine/"))
        << inc.file << ":" << inc.line << " includes " << inc.target;
  for (const auto& entry : fs::recursive_directory_iterator(root / "engine")) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path());
    std::string text;
    for (int n = 1; std::getline(in, text); ++n)
      EXPECT_FALSE(std::regex_search(text, qt)) << entry.path().string() << ":" << n;
  }
}

}  // namespace
