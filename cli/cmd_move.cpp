// tdb copy, tdb append: batch moves between tables, fields matched by position.

#include "cli/arguments.h"
#include "cli/commands.h"

namespace tdb::cli {

int copyTable(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {"--foxpro"}, {"--order", "--filter"}, 2, 2);
  Table source, dest;
  pointTable(source, args.positional[0], context);
  pointTable(dest, args.positional[1], context);
  if (args.has("--foxpro")) makeFoxPro(dest);
  // In a tag's order the copy is the workbench's "按现有顺序输出": the records in that order, in
  // a table without indexes.
  orderAndFilter(source, args);
  source.open();
  warn(source.openWarnings());
  // The engine builds the copy beside the destination and swaps it in only when it is whole; it
  // refuses the source itself and a name whose memo or index files are another table's.
  dest.batchMove(source, BatchMode::batCopy);
  out.line(std::to_string(dest.recordCount()) + " records copied to " + dest.path());
  return 0;
}

int appendTable(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {}, {}, 2, 2);
  Table source, dest;
  pointTable(source, args.positional[0], context);
  pointTable(dest, args.positional[1], context);
  source.open();
  warn(source.openWarnings());
  long moved = 0;
  try {
    dest.batchMove(source, BatchMode::batAppend, &moved);
  } catch (...) {
    // The records added before the failure stay: a script must know how many.
    out.line(std::to_string(moved) + " records appended to " + dest.path() + " before the failure");
    out.flush();
    throw;
  }
  out.line(std::to_string(moved) + " records appended to " + dest.path());
  return 0;
}

}  // namespace tdb::cli
