// tdb: the table engine from the command line. Output is UTF-8; a failure prints "tdb: " and the
// message to stderr and exits 1, a command line that makes no sense prints the usage and exits 2.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/common/program_folder.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "engine/aliases.h"

namespace {

using namespace tdb::cli;

const char* kUsage =
    "usage: tdb [--aliases FILE] COMMAND ...\n"
    "  aliases                    list the aliases: name, driver and folder\n"
    "  tables DATABASE            list the tables of an alias, or of a folder\n"
    "  info TABLE                 file, driver, record count, and a line per field:\n"
    "                             name, type, size, precision (TAB-separated); \"primary\n"
    "                             key: A;B\" for a keyed Paradox table; then the index\n"
    "                             file, and a line per tag: \"tag\", name, key expression, FOR\n"
    "                             condition, unique/descending, key fields, why the engine\n"
    "                             cannot evaluate it (TAB-separated, empty when none)\n"
    "  dump TABLE [--csv] [--filter EXPR] [--order TAG]\n"
    "                             every visible record: a line per record with TAB between\n"
    "                             fields (\\\\ \\t \\r \\n escaped), or CSV with a header line;\n"
    "                             numbers with every digit stored, binary memos as hex; EXPR\n"
    "                             in the engine's filter language; in the order of the index\n"
    "                             tag TAG when given. A field that cannot be read (a damaged\n"
    "                             memo) is left empty and named on stderr, and the exit\n"
    "                             status is 1\n"
    "  pack TABLE                 drop the deleted records (needs the table to itself)\n"
    "  copy SOURCE DEST [--foxpro] [--order TAG] [--filter EXPR]\n"
    "                             replace DEST with a copy of SOURCE's visible records, in\n"
    "                             the order of TAG when given; DEST is dBASE unless --foxpro\n"
    "  summary SOURCE DEST --by FIELD[,FIELD...] [--order TAG] [--filter EXPR]\n"
    "                             replace DEST with one record per run of records that agree\n"
    "                             on the FIELDs, numbers added up; DEST is dBASE\n"
    "  append SOURCE DEST         add SOURCE's visible records to DEST, fields by position\n"
    "  create DEST --like SOURCE [--foxpro]\n"
    "                             a new empty table with SOURCE's structure and index tags\n"
    "                             (tags with a FOR condition are left out, with a warning)\n"
    "  index TABLE TAG EXPR [--unique] [--descending]\n"
    "                             add the tag TAG with the key expression EXPR to the table's\n"
    "                             index file, creating it (needs the table to itself)\n"
    "  reindex TABLE [--drop TAG]...\n"
    "                             drop the tags named, rebuild the others from the records\n"
    "                             (needs the table to itself); repairs a damaged index file,\n"
    "                             dropping the tags whose definitions it lost, with a warning\n"
    "  restructure TABLE STRUCTURE-FILE [--accept-loss]\n"
    "                             rebuild TABLE with the fields and indexes the file lists,\n"
    "                             carrying its records over (fields by name, then by type), the\n"
    "                             old table kept beside it as 修改结构备份 + its extension; a\n"
    "                             structure that would lose values is refused unless\n"
    "                             --accept-loss. File lines: field NAME TYPE [SIZE [DECIMALS]]\n"
    "                             (TYPE as info prints it, or keep), index NAME FIELDS|EXPR\n"
    "                             [unique] [descending] [caseless] [primary], # comments\n"
    "A TABLE is a file path or ALIAS:NAME (write ./A:B for a file whose name has a colon).\n"
    "A table cut short opens read-only: its whole records are read, with a warning on stderr.\n"
    "The alias file is tdbalias.cfg in the workbench's program folder (beside this program,\n"
    "or ~/.local/share/torvanel for an installed one) unless --aliases names another.\n";

struct Command {
  const char* name;
  int (*run)(const Context&, const Words&, Output&);
};

const Command kCommands[] = {
    {"aliases", listAliases},
    {"tables", listTablesOf},
    {"info", showInfo},
    {"dump", dumpTable},
    {"pack", packTable},
    {"copy", copyTable},
    {"append", appendTable},
    {"create", createLike},
    {"index", addTag},
    {"reindex", reindexTable},
    {"restructure", restructureTable},
    {"summary", summarizeTable},
};

// The workbench's alias file: in the program folder it shares with the workbench.
std::string defaultAliasFile() {
  std::string failure;
  const std::filesystem::path folder =
      torvanel::prepareProgramFolder(torvanel::executableFolder(), failure);
  if (!failure.empty()) std::fprintf(stderr, "tdb: warning: %s\n", failure.c_str());
  return (folder / tdb::AliasFile::kFileName).string();
}

int run(std::vector<std::string> args) {
  Context context;
  if (args.size() >= 2 && args[0] == "--aliases") {
    context.aliasPath = args[1];
    args.erase(args.begin(), args.begin() + 2);
  } else {
    context.aliasPath = defaultAliasFile();
  }
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.empty()) throw UsageError("no command");
  for (const Command& c : kCommands) {
    if (args[0] != c.name) continue;
    Output out;
    const int status = c.run(context, Words(args.begin() + 1, args.end()), out);
    out.flush();
    return status;
  }
  throw UsageError("unknown command " + args[0]);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "tdb: %s\n%s", e.what(), kUsage);
    return 2;
  } catch (const std::exception& e) {
    // Engine errors name the file and what is wrong; output errors say what failed.
    std::fprintf(stderr, "tdb: %s\n", e.what());
    return 1;
  }
}
