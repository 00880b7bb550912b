#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_error.h"
#include "engine/table.h"
#include "tests/engine/temp_dir.h"

namespace tdb::test {

// GBK bytes of UTF-8 text, for field values and names in tests.
std::string gbk(const std::string& utf8);

// The message of the EngineError `action` throws; "(no error)" when it throws none.
template <typename Action>
std::string errorOf(Action action) {
  try {
    action();
  } catch (const EngineError& e) {
    return e.what();
  }
  return "(no error)";
}

// A table object on `dir` named `name`, not yet opened.
void point(Table& t, const TempDir& dir, const std::string& name,
           TableType type = TableType::ttDefault);

// Creates a table NAME C(10), PRICE N(8,2), QTY N(4,0), DAY D, OK L, NOTE M in `dir` and adds
// `rows` records: NAME "R<i>", PRICE i*1.5, QTY i, DAY 2024-01-i (1-based, i up to 28 cycling),
// OK (i odd), NOTE "memo <i>" on every third record.
void makeSample(const TempDir& dir, const std::string& name, int rows,
                TableType type = TableType::ttDBase);

// Stores `gbkText` in field `field` of the record at `position` (from 1) of table `name`.
void setText(const TempDir& dir, const std::string& name, long position, const std::string& field,
             const std::string& gbkText);

// Appends one record to table `name` through a cursor of its own, each field named in `values`
// given its value; the others stay blank.
void addRecord(const TempDir& dir, const std::string& name,
               std::initializer_list<std::pair<const char*, Value>> values,
               TableType type = TableType::ttDefault);

// Adds an index to table `name`, which takes an exclusive open.
void addIndex(const TempDir& dir, const std::string& name, const IndexDef& def);

// A field of a table laid out byte by byte, as another program wrote it.
struct RawField {
  std::string name;
  char type;
  int length, decimals;
};

// The bytes of a dBASE III table (03h, no memo) holding `records`, each given as its fields'
// stored text: numbers set to the right of their field, text to the left, none deleted.
std::string rawDbaseTable(const std::vector<RawField>& fields,
                          const std::vector<std::vector<std::string>>& records);

}  // namespace tdb::test
