#pragma once

#include <stdexcept>
#include <string>

namespace torvanel {

// A table named on a command line, split as both programs take it: "ALIAS:NAME" names a table of
// an alias, anything else a file path. An argument is an alias reference when it has a ':' before
// any '/' and no file of that exact name exists, so "./a:b.dbf" always names a file. Standard C++
// only: the command line without windows shares it.
struct TableArgument {
  bool alias = false;
  // The alias name as written (bytes of the command line), or the file's folder with its trailing
  // '/' as written (empty for the current folder).
  std::string database;
  std::string table;  // the table's file name, as the file system spells it
};

// An argument that names no table: empty, nothing after the alias, or a folder.
class TableArgumentError : public std::runtime_error {
 public:
  explicit TableArgumentError(const std::string& message) : std::runtime_error(message) {}
};

TableArgument splitTableArgument(const std::string& argument);

}  // namespace torvanel
