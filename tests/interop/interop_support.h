#pragma once

// Running the peer libraries' scripts of this folder and comparing what they see with what the
// engine sees. Values travel as text forms (dbf_rows.py states them): UTF-8 text, null for a
// blank field, shortest decimal numbers, "YYYY-MM-DD" dates, "T"/"F", "hex:" binary memos.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/table.h"
#include "tests/engine/temp_dir.h"

namespace tdb::interop {

using Text = std::optional<std::string>;
using Row = std::vector<Text>;

// A record to write: its values in field order, and whether it ends up deleted.
struct Record {
  bool deleted = false;
  Row values;
};

// Changes for dbf_update.py: `record` 0 appends, otherwise the values overwrite that physical
// record's named fields (a null value blanks the field).
struct Change {
  int record = 0;
  bool deleted = false;
  std::vector<std::pair<std::string, Text>> values;
};

// What a reading script printed about a table.
struct Dump {
  std::string version;
  std::string encoding;
  std::vector<std::string> fields;
  std::vector<Record> records;  // in the order printed
  bool ok = false;              // the script ran and printed what it should
};

// Runs tests/interop/`script` with `args` under the Debian interpreter and returns its standard
// output lines. A failing run adds a test failure that quotes the script's standard error, and
// returns what it printed so far.
std::vector<std::string> runScript(const std::string& script, const std::vector<std::string>& args,
                                   const test::TempDir& scratch);

// The strings and nulls of one printed line (a flat JSON array); nullopt when malformed.
std::optional<Row> parseLine(const std::string& line);

// Runs dbf_dump.py or dbfread_dump.py over `table` with the script's `options`.
Dump dumpWith(const std::string& script, const std::string& table, const test::TempDir& scratch,
              const std::vector<std::string>& options = {});

// Creates `table` with python3-dbf (`flavor` "db3" or "fp") from field specs and records whose
// values follow `fields`. Returns the ["table", version, codepage] line's fields.
Row createWithDbf(const std::string& flavor, const std::string& table, const std::string& specs,
                  const std::vector<std::string>& fields, const std::vector<Record>& records,
                  const test::TempDir& scratch);

// Applies `changes` to `table` with python3-dbf.
Row updateWithDbf(const std::string& table, const std::vector<Change>& changes,
                  const test::TempDir& scratch);

// The engine's side: the text form of a field's current value, every visible record of an open
// table in order, and setting a field from a text form (null clears it).
Text textForm(const Field& field);
std::vector<Row> visibleRows(Table& table);
void setFromText(Field& field, const Text& text);

// Compares rows cell by cell, naming the record and field of each difference and quoting long
// values only in part, so a failure stays readable.
void expectSameRows(const std::vector<Row>& actual, const std::vector<Row>& expected,
                    const std::vector<std::string>& fields, const std::string& what);

// The rows of `records` that are (or are not) deleted.
std::vector<Row> rowsWhere(const std::vector<Record>& records, bool deleted);

}  // namespace tdb::interop
