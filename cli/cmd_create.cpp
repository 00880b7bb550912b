// tdb create --like: an empty table with another table's structure.

#include <stdexcept>

#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "cli/commands.h"

namespace tdb::cli {

int createLike(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {"--foxpro"}, {"--like"}, 1, 1);
  if (!args.has("--like")) throw UsageError("create needs --like SOURCE");
  Table source, dest;
  pointTable(source, args.value("--like"), context);
  pointTable(dest, args.positional[0], context);
  if (args.has("--foxpro")) makeFoxPro(dest);
  // The engine's create replaces a table of that name; a command that means "make a new empty
  // table" must not wipe one out by a slip of the name.
  if (dest.exists()) throw std::runtime_error("table " + dest.path() + " exists already");
  source.updateFieldDefs();
  dest.fieldDefs() = source.fieldDefs();
  dest.createTable();
  out.line("created " + dest.path() + " with " + std::to_string(dest.fieldDefs().count()) +
           " fields");
  return 0;
}

}  // namespace tdb::cli
