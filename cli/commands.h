#pragma once

#include <string>
#include <vector>

#include "cli/output.h"
#include "cli/table_argument.h"

namespace tdb::cli {

// The commands of tdb. Each takes the words after its name, writes its results to `out` and
// returns the exit status; failures throw (UsageError, EngineError, std::runtime_error) and main
// turns them into a message and an exit status.
using Words = std::vector<std::string>;
struct Arguments;

// Puts the cursor in the order of --order TAG and under the filter of --filter EXPR when given.
void orderAndFilter(Table& t, const Arguments& args);

int listAliases(const Context& context, const Words& words, Output& out);
int listTablesOf(const Context& context, const Words& words, Output& out);
int showInfo(const Context& context, const Words& words, Output& out);
int dumpTable(const Context& context, const Words& words, Output& out);
int packTable(const Context& context, const Words& words, Output& out);
int summarizeTable(const Context& context, const Words& words, Output& out);
int copyTable(const Context& context, const Words& words, Output& out);
int appendTable(const Context& context, const Words& words, Output& out);
int createLike(const Context& context, const Words& words, Output& out);
int addTag(const Context& context, const Words& words, Output& out);
int reindexTable(const Context& context, const Words& words, Output& out);
int restructureTable(const Context& context, const Words& words, Output& out);

}  // namespace tdb::cli
