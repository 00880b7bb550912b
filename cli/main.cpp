// tdb: the table engine from the command line. Output is UTF-8; a failure prints the engine's
// message and exits non-zero.

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/aliases.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace {

const char* kUsage =
    "usage: tdb [--aliases FILE] COMMAND ...\n"
    "  aliases          list the aliases: name, driver and folder\n"
    "  tables DATABASE  list the tables of an alias, or of a folder\n"
    "The alias file is "
    "tdbalias.cfg beside this program unless --aliases names another.\n";

std::string programFolder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  return std::filesystem::path(std::string(buf, n)).parent_path().string();
}

void printLine(const std::string& utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fputc('\n', stdout);
}

int run(std::vector<std::string> args) {
  std::string aliasPath = programFolder() + "/" + tdb::AliasFile::kFileName;
  if (args.size() >= 2 && args[0] == "--aliases") {
    aliasPath = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string& command = args[0];
  if (command == "aliases" && args.size() == 1) {
    tdb::AliasFile file(aliasPath);
    for (const tdb::Alias& a : file.aliases())
      printLine(tdb::gbkToUtf8(a.name) + "\t" + file.driverName(a.name) + "\t" + a.folder);
    return 0;
  }
  if (command == "tables" && args.size() == 2) {
    tdb::AliasFile file(aliasPath);
    // An argument that names an alias is one; anything else is a folder.
    const std::string arg = tdb::utf8ToGbk(args[1]);
    const tdb::Alias* alias = file.find(arg);
    const std::string folder = alias ? alias->folder : args[1];
    for (const std::string& t : tdb::listTables(folder)) printLine(t);
    return 0;
  }
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const tdb::EngineError& e) {
    std::fprintf(stderr, "tdb: %s\n", e.what());
    return 1;
  }
}
