#include "cli/table_argument.h"

#include <filesystem>

#include "app/common/table_argument.h"
#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "engine/session.h"

namespace tdb::cli {

namespace {

void loadAliases(const Context& context) {
  static bool loaded = false;  // one alias file for the whole run
  if (!loaded) Session::setAliasFile(context.aliasPath);
  loaded = true;
}

}  // namespace

void pointTable(Table& table, const std::string& argument, const Context& context) {
  torvanel::TableArgument named;
  try {
    named = torvanel::splitTableArgument(argument);
  } catch (const torvanel::TableArgumentError& e) {
    throw UsageError(e.what());
  }
  if (named.alias) {
    loadAliases(context);
    table.setDatabaseName(gbkArgument(named.database, "the alias name"));
  } else {
    // Folder and file name go to the engine as the file system gave them (a database name ending
    // in '/' is a folder), so a name GBK cannot spell still opens.
    table.setDatabaseName(named.database);
  }
  table.setTableName(named.table);
}

void makeFoxPro(Table& table) {
  std::string ext = std::filesystem::path(table.tableName()).extension().string();
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  if (!ext.empty() && ext != ".DBF") throw UsageError("--foxpro writes .DBF tables only");
  table.setTableType(TableType::ttFoxPro);
}

}  // namespace tdb::cli
