// tdb info: a table's file, driver, record count, structure and index tags.

#include <filesystem>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/dump_format.h"
#include "cli/table_file.h"
#include "engine/gbk_codec.h"

namespace tdb::cli {

int showInfo(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {}, {}, 1, 1);
  Table t;
  pointTable(t, args.positional[0], context);
  // Through the driver rather than a cursor: a table with a tag the engine cannot evaluate is
  // exactly the one whose description its owner needs, and a cursor would refuse to open it.
  const auto file = openTableFile(t, false);
  warn(file->openWarnings());
  uint32_t visible = 0;
  for (uint32_t r = 1; r <= file->recordCount(); ++r) visible += !file->isDeleted(r);
  out.line("file: " + std::filesystem::absolute(t.path()).string());
  out.line("driver: " + t.driverTypeName());
  out.line("records: " + std::to_string(visible));
  out.line("fields: " + std::to_string(file->fieldDefs().count()));
  // One line per field, TAB-separated for scripts: name, type, size, precision. Names from other
  // programs' files may hold control characters: escaped, they cannot break the line.
  for (const FieldDef& f : file->fieldDefs())
    out.line(escapedText(gbkToUtf8(f.name)) + "\t" + fieldTypeName(f.type) + "\t" +
             std::to_string(f.size) + "\t" + std::to_string(f.precision));

  // A table kept in primary-key order (Paradox) names its key fields.
  if (const std::string* key = file->primaryKey()) out.line("primary key: " + gbkToUtf8(*key));

  // One line per tag, TAB-separated after the word "tag": name, key expression, FOR condition,
  // options, the key's plain field names (";"-separated, empty for other keys), and why the
  // engine cannot evaluate it (empty when it can).
  const ProductionIndex* index = file->productionIndex();
  if (index) {
    std::vector<std::string> damage;
    for (const std::string& what : index->damage())
      damage.push_back(what +
                       "; the tags shown are those still readable, repair with tdb reindex " +
                       args.positional[0]);
    warn(damage);
  }
  out.line("index: " + (index && index->present()
                            ? std::filesystem::absolute(index->path()).string()
                            : std::string("none")));
  const int tags = index ? index->tagCount() : 0;
  out.line("tags: " + std::to_string(tags));
  for (int i = 0; i < tags; ++i) {
    const ProductionIndex::Tag& tag = index->tag(i);
    out.line("tag\t" + escapedText(gbkToUtf8(tag.info.name)) + "\t" +
             escapedText(gbkToUtf8(tag.info.expression)) + "\t" +
             escapedText(gbkToUtf8(tag.info.forExpression)) + "\t" + tagFlags(tag) + "\t" +
             escapedText(gbkToUtf8(tag.fields)) + "\t" + escapedText(tag.problem));
  }
  return 0;
}

}  // namespace tdb::cli
