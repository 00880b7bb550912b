// tdb info: a table's file, driver, record count and structure.

#include <filesystem>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "engine/gbk_codec.h"

namespace tdb::cli {

int showInfo(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {}, {}, 1, 1);
  Table t;
  pointTable(t, args.positional[0], context);
  t.open();
  out.line("file: " + std::filesystem::absolute(t.path()).string());
  out.line("driver: " + t.driverTypeName());
  out.line("records: " + std::to_string(t.recordCount()));
  out.line("fields: " + std::to_string(t.fieldDefs().count()));
  // One line per field, TAB-separated for scripts: name, type, size, precision.
  for (const FieldDef& f : t.fieldDefs())
    out.line(gbkToUtf8(f.name) + "\t" + fieldTypeName(f.type) + "\t" + std::to_string(f.size) +
             "\t" + std::to_string(f.precision));
  return 0;
}

}  // namespace tdb::cli
