// tdb dump: every visible record, as TAB-separated lines or as CSV, in natural or tag order. It is
// an export: numbers show every digit their field stores, and a field that cannot be read is
// reported on stderr while the rest is written.

#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/dump_format.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb::cli {

int dumpTable(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {"--csv"}, {"--filter", "--order"}, 1, 1);
  const bool csv = args.has("--csv");
  Table t;
  pointTable(t, args.positional[0], context);
  orderAndFilter(t, args);
  t.open();  // also parses the filter and finds the tag, so either fails before any output
  warn(t.openWarnings());
  t.disableControls();

  const int n = t.fieldCount();
  std::vector<Field*> fields;
  std::vector<FieldType> types;
  for (int i = 0; i < n; ++i) {
    fields.push_back(&t.field(i));
    types.push_back(fields.back()->dataType());
  }
  std::string text;
  if (csv) {
    for (int i = 0; i < n; ++i) {
      if (i > 0) out.put(',');
      writeCsvField(out, gbkToUtf8(fields[i]->fieldName()), n == 1);
    }
    out.write("\r\n");
  }
  long damaged = 0;
  std::vector<Value> values;
  for (; !t.eof(); t.next()) {
    // The whole record in one call; a record that fails so (a damaged memo) is read field by
    // field, to lose only the field that fails.
    bool whole = true;
    try {
      t.readValues(values);
    } catch (const EngineError&) {
      whole = false;
    }
    for (int i = 0; i < n; ++i) {
      if (i > 0) out.put(csv ? ',' : '\t');
      try {
        if (whole)
          fieldText(*fields[i], values[i], types[i], text);
        else
          fieldText(*fields[i], types[i], text);
      } catch (const EngineError& e) {
        // A damaged field (a memo pointer past the end) costs that field, not the dump: it shows
        // empty, the message names table, record and field, and the exit status says so.
        text.clear();
        report(e.what());
        ++damaged;
      }
      if (csv)
        writeCsvField(out, text, n == 1);
      else
        writePlainField(out, text);
    }
    if (csv)
      out.write("\r\n");
    else
      out.put('\n');
  }
  if (damaged == 0) return 0;
  report(std::to_string(damaged) + (damaged == 1 ? " field" : " fields") +
         " could not be read; every other field is in the output");
  return 1;
}

}  // namespace tdb::cli
