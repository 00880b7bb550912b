// tdb summary: the group-by summary of the workbench's "汇总输出", for scripts and nightly jobs:
// the same pass, rules and messages, over the records an order and a filter give.

#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "engine/engine_error.h"
#include "engine/summary.h"

namespace tdb::cli {

namespace {

// The positions of the comma-separated field names, in the order given.
std::vector<int> fieldPositions(Table& t, const std::string& names) {
  std::vector<int> positions;
  size_t from = 0;
  while (from <= names.size()) {
    const size_t comma = std::min(names.find(',', from), names.size());
    const std::string name = names.substr(from, comma - from);
    from = comma + 1;
    if (name.empty()) continue;
    positions.push_back(t.fieldByName(gbkArgument(name, "a field name")).index());
  }
  return positions;
}

}  // namespace

void orderAndFilter(Table& t, const Arguments& args) {
  if (args.has("--order")) {
    // An empty name would quietly give the natural order the caller did not ask for.
    if (args.value("--order").empty()) throw UsageError("--order needs a tag name");
    t.setIndexName(gbkArgument(args.value("--order"), "the tag name"));
  }
  if (args.has("--filter")) {
    t.setFilter(gbkArgument(args.value("--filter"), "the filter"));
    t.setFiltered(true);
  }
}

int summarizeTable(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {}, {"--by", "--filter", "--order"}, 2, 2);
  if (!args.has("--by")) throw UsageError("--by names the summary fields");
  Table source, dest;
  pointTable(source, args.positional[0], context);
  pointTable(dest, args.positional[1], context);
  orderAndFilter(source, args);
  source.open();
  warn(source.openWarnings());
  source.disableControls();
  Summary summary(source, fieldPositions(source, args.value("--by")), dest.path(),
                  dest.tableType());
  const long groups = summary.run();
  out.line(std::to_string(groups) + " records written to " + dest.path());
  return 0;
}

}  // namespace tdb::cli
