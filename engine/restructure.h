#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/field_defs.h"
#include "engine/table_type.h"

namespace tdb {

namespace drivers {
class Replacement;
}

// The values a carry-over could not keep: the question before the swap says how many.
struct CarryLosses {
  long cleared = 0;    // values that did not convert to their new field's type and were left empty
  long shortened = 0;  // texts cut short by a narrower field
  long dropped = 0;    // non-empty values of old fields that no new field takes
  bool any() const { return cleared > 0 || shortened > 0 || dropped > 0; }
};

// For each new field, the index of the old field whose values it receives, -1 for none: a field
// of the same name (compared as FieldDefs::indexOf compares), else the first old field of the same
// engine type not yet taken, in field order; auto-increment fields take nothing and are numbered
// afresh (an old field of their name goes to no other field).
std::vector<int> matchFields(const FieldDefs& oldFields, const FieldDefs& newFields);

// Rebuilds one table with a new structure, carrying its records over. The table's own files change
// only in commit(), by renames, after the new table is complete with its indexes; until then any
// failure (an exception, a kill) leaves the table exactly as it was.
//
// The new table is built in the table's own build folder (table_swap.h) under the table's own
// file names, while this holds the table's exclusive lock; the old table is read through that
// same lock (LockLoan), so nobody can change it between the read and the swap.
class Restructure {
 public:
  using Progress = std::function<void(long done, long total)>;  // called often, not per record

  // Throws EngineError("字段类型或索引可能不适合此表,请修改!\n" + reason) when the table's format
  // cannot hold `fields`/`indexes` (drivers::structureProblem). Writes nothing. The table keeps its
  // own type (a FoxPro table stays FoxPro, a dBASE table dBASE, whatever any default says).
  Restructure(const std::string& path, TableType type, FieldDefs fields, IndexDefs indexes);
  ~Restructure();  // without commit(), the build goes; the table stays as it was
  Restructure(const Restructure&) = delete;
  Restructure& operator=(const Restructure&) = delete;

  // The type the table is of and keeps.
  TableType type() const { return type_; }
  // Where backup() puts the backup.
  const std::string& backupPath() const { return backupPath_; }

  // The backup beside the table: "修改结构备份" + the table's extension (dot included; nothing when
  // it has none), with the old type, fields, indexes (expression indexes kept) and every record,
  // replacing an older backup (built whole and swapped in, like every replacement). Failing:
  // "可能在其他地方已打开此数据表或其他原因,不能完成此次操作!\n" + reason, the table untouched.
  void backup(const Progress& progress);
  // Builds the new table under a temporary name, carrying every record over in the order of the old
  // table's index named `order` ("" natural), its indexes built. Needs the table to itself: refuses
  // ("可能在其他地方已打开此数据表或其他原因,不能完成此次操作!\n" + reason) while anybody else has
  // it open. A record the new structure refuses (a key violation, a required field left empty)
  // throws EngineError("因索引或字段赋值问题引起错误,不能完成此次操作!\n" + which record and
  // field).
  CarryLosses build(const std::string& order, const Progress& progress);
  // Puts the built table in place of the old one, its memo and index files with it, by renames.
  // Failing: "可能在其他地方已打开此数据表或其他原因,不能完成此次操作!\n" + reason.
  void commit();

  // For tests: called as each step begins ("backup", "build", "index", "swap") and, during
  // build, before each record is stored ("record", its number from 1). What it throws fails that
  // step as any failure there would.
  std::function<void(const std::string& step, long record)> stepHook;

 private:
  void step(const std::string& name, long record = 0) const;

  std::string path_, backupPath_;
  TableType type_;
  FieldDefs fields_;
  IndexDefs indexes_;
  std::unique_ptr<drivers::Replacement> built_;
};

}  // namespace tdb
