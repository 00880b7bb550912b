#pragma once

#include <string>

#include "engine/table.h"

namespace tdb::cli {

// What every command knows besides its own words: where the alias file is.
struct Context {
  std::string aliasPath;
};

// Points a closed table at what a command-line argument names: "ALIAS:NAME" (a table of an alias
// of the alias file) or a file path, split as splitTableArgument does; an argument naming no table
// is a UsageError. The alias
// file is read only when an alias is named, so a damaged alias file does not stop work on plain
// paths. The table type stays ttDefault: the engine takes it from the extension.
void pointTable(Table& table, const std::string& argument, const Context& context);

// Makes a table about to be created a FoxPro table rather than a dBASE one (--foxpro). Throws
// UsageError unless the table is a .DBF file, the only kind both formats share.
void makeFoxPro(Table& table);

}  // namespace tdb::cli
