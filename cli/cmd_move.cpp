// tdb copy, tdb append: batch moves between tables, fields matched by position.

#include "cli/arguments.h"
#include "cli/commands.h"

namespace tdb::cli {

int copyTable(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {"--foxpro"}, {}, 2, 2);
  Table source, dest;
  pointTable(source, args.positional[0], context);
  pointTable(dest, args.positional[1], context);
  if (args.has("--foxpro")) makeFoxPro(dest);
  source.open();
  warn(source.openWarnings());
  // The engine refuses to recreate a table that is open, so copying a table onto itself fails
  // before anything is lost.
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
  const long count = source.recordCount();
  dest.batchMove(source, BatchMode::batAppend);
  out.line(std::to_string(count) + " records appended to " + dest.path());
  return 0;
}

}  // namespace tdb::cli
