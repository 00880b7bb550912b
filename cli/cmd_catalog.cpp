// tdb aliases, tdb tables: what the engine sees of the alias file and of a database's folder.

#include "cli/arguments.h"
#include "cli/commands.h"
#include "engine/aliases.h"
#include "engine/gbk_codec.h"
#include "engine/session.h"

namespace tdb::cli {

int listAliases(const Context& context, const Words& words, Output& out) {
  parseArguments(words, {}, {}, 0, 0);
  Session::setAliasFile(context.aliasPath);
  const AliasFile& file = Session::aliases();
  for (const Alias& a : file.aliases())
    out.line(gbkToUtf8(a.name) + "\t" + file.driverName(a.name) + "\t" + a.folder);
  return 0;
}

int listTablesOf(const Context& context, const Words& words, Output& out) {
  const Arguments args = parseArguments(words, {}, {}, 1, 1);
  Session::setAliasFile(context.aliasPath);
  // An argument that names an alias is one; anything else is a folder.
  const std::string& database = args.positional[0];
  const Alias* alias = Session::aliases().find(utf8ToGbk(database));
  const std::string folder = alias ? alias->folder : database;
  for (const std::string& t : listTables(folder)) out.line(t);
  return 0;
}

}  // namespace tdb::cli
