// tdb create --like: an empty table with another table's structure and index tags.

#include <stdexcept>

#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/table_file.h"
#include "engine/drivers.h"
#include "engine/gbk_codec.h"

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

  // Tags are xBase index file entries; a primary key is the order a Paradox table keeps. Each
  // goes only where the destination's format has room for it.
  const TableType format = drivers::resolve(dest.tableType(), dest.path());
  const bool xbase = format == TableType::ttDBase || format == TableType::ttFoxPro;
  std::vector<std::string> leftOut;
  {
    const auto file = openTableFile(source, false);
    dest.fieldDefs() = file->fieldDefs();
    if (const std::string* key = file->primaryKey()) {
      if (format == TableType::ttParadox)
        dest.indexDefs().add({"", *key, "", ixPrimary});
      else
        leftOut.push_back("primary key " + gbkToUtf8(*key) + " left out: a " +
                          dest.driverTypeName() + " table has no primary key");
    }
    const ProductionIndex* index = file->productionIndex();
    for (int i = 0; index && i < index->tagCount(); ++i) {
      // A definition has no room for a FOR condition, and a tag without its condition would
      // order (and, when unique, refuse) records other than the source's tag does: better none.
      const ProductionIndex::Tag& tag = index->tag(i);
      const std::string name = "tag " + gbkToUtf8(tag.info.name);
      if (!xbase) {
        leftOut.push_back(name + " left out: a " + dest.driverTypeName() +
                          " table has no index tags");
        continue;
      }
      if (!tag.problem.empty()) {
        leftOut.push_back(name + " left out: the engine cannot evaluate it (" + tag.problem + ")");
        continue;
      }
      if (!tag.info.forExpression.empty()) {
        leftOut.push_back(name +
                          " left out: it has a FOR condition, which a new table cannot have yet");
        continue;
      }
      // The expression exactly as the source has it, so that the copy's keys are byte for byte
      // the source's whatever the key is made of.
      IndexDef def;
      def.name = tag.info.name;
      def.expression = tag.info.expression;
      def.options = ixExpression;
      if (tag.info.unique) def.options |= ixUnique;
      if (tag.info.descending) def.options |= ixDescending;
      dest.indexDefs().add(def);
    }
  }
  dest.createTable();
  warn(leftOut);
  const int indexes = dest.indexDefs().count();
  const bool keyed = format == TableType::ttParadox && indexes > 0;
  out.line("created " + dest.path() + " with " + std::to_string(dest.fieldDefs().count()) +
           " fields" +
           (keyed         ? " and a primary key"
            : indexes > 0 ? " and " + std::to_string(indexes) + " tags"
                          : ""));
  return 0;
}

}  // namespace tdb::cli
