#include "cli/table_argument.h"

#include <filesystem>

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
  if (argument.empty()) throw UsageError("empty table name");
  const size_t colon = argument.find(':');
  const bool aliasRef = colon != std::string::npos && colon > 0 && argument.find('/') > colon &&
                        !std::filesystem::exists(argument);
  if (aliasRef) {
    const std::string name = argument.substr(colon + 1);
    if (name.empty()) throw UsageError("no table name after the alias in " + argument);
    loadAliases(context);
    table.setDatabaseName(gbkArgument(argument.substr(0, colon), "the alias name"));
    table.setTableName(name);
    return;
  }
  // Folder and file name go to the engine as the file system gave them (a database name ending in
  // '/' is a folder), so a name GBK cannot spell still opens.
  const size_t slash = argument.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : argument.substr(0, slash + 1);
  const std::string file = argument.substr(slash == std::string::npos ? 0 : slash + 1);
  if (file.empty()) throw UsageError(argument + " names a folder, not a table");
  table.setDatabaseName(folder);
  table.setTableName(file);
}

void makeFoxPro(Table& table) {
  std::string ext = std::filesystem::path(table.tableName()).extension().string();
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  if (!ext.empty() && ext != ".DBF") throw UsageError("--foxpro writes .DBF tables only");
  table.setTableType(TableType::ttFoxPro);
}

}  // namespace tdb::cli
