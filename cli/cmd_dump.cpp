// tdb dump: every visible record, as TAB-separated lines or as CSV.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/dump_format.h"
#include "engine/gbk_codec.h"

namespace tdb::cli {

int dumpTable(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {"--csv"}, {"--filter"}, 1, 1);
  const bool csv = args.has("--csv");
  Table t;
  pointTable(t, args.positional[0], context);
  if (args.has("--filter")) {
    t.setFilter(gbkArgument(args.value("--filter"), "the filter"));
    t.setFiltered(true);
  }
  t.open();  // also parses the filter, so a bad one fails before anything is written
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
  for (; !t.eof(); t.next()) {
    for (int i = 0; i < n; ++i) {
      if (i > 0) out.put(csv ? ',' : '\t');
      valueText(fields[i]->value(), types[i], text);
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
  return 0;
}

}  // namespace tdb::cli
