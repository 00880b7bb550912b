#pragma once

#include <string>
#include <vector>

#include "app/common/table_ref.h"

namespace torvanel {

class TForm0;

// The table a command-line argument names, as the table chooser hands it to "打开数据表": a file
// path (relative to the current folder) becomes its absolute folder, ending in '/', and its file
// name; "ALIAS:NAME" the alias and the name. Arguments are split as tdb splits them
// (splitTableArgument) and are the bytes of the command line. Throws TableArgumentError for an
// argument that names no table.
TableRef namedTable(const std::string& argument);

// Opens each table named in `arguments` into a window of `main`, in order, as "打开数据表" would.
// An argument that names no table and a table that cannot be opened get the usual refusal, and
// the tables after them still open.
void openNamedTables(TForm0& main, const std::vector<std::string>& arguments);

}  // namespace torvanel
