#pragma once

#include <string>
#include <vector>

#include "engine/table.h"
#include "engine/table_type.h"
#include "tests/engine/table_fixture.h"
#include "tests/engine/temp_dir.h"

namespace tdb::test {

// A stock table: NAME C(10), PRICE N(10,2), QTY N(4,0), CODE C(5), DAY D and, where the format
// has memos, NOTE M, with four records whose names are in order:
//   Anvil 1979.75 3 "12" 2024-01-01 "note one"; Bolt 0.1 -40 "abc" 2024-02-02 "note two, longer";
//   Crankshaft 12345.67 7 "7" 2024-03-03; Dowel 2 0 "-3" 2024-04-04.
// Indexes: dBASE and FoxPro tags NAME and PRICED (PRICE); Paradox a primary key on NAME and an
// index on PRICE; none for text.
void makeStock(const TempDir& dir, const std::string& name, TableType type);

// A Paradox table ID (auto-increment), NAME C(8), with a record for each name, left open in `t`.
void makeNumbered(Table& t, const TempDir& dir, const std::string& name,
                  std::initializer_list<const char*> names);

// Every record of a table in its natural order, its fields' display texts joined by "|".
std::vector<std::string> dump(const TempDir& dir, const std::string& name,
                              TableType type = TableType::ttDefault);

// The names of the files in the folder, sorted.
std::vector<std::string> filesIn(const TempDir& dir);

}  // namespace tdb::test
