// tdb pack: rewrites a table without its deleted records.

#include "cli/arguments.h"
#include "cli/commands.h"

namespace tdb::cli {

int packTable(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {}, {}, 1, 1);
  Table t;
  pointTable(t, args.positional[0], context);
  t.setExclusive(true);  // the engine packs only what nobody else has open
  t.open();
  t.pack();
  out.line(t.path() + ": " + std::to_string(t.recordCount()) + " records kept");
  return 0;
}

}  // namespace tdb::cli
