#pragma once

#include <string>

#include "engine/field_defs.h"

namespace tdb::cli {

// A table's new structure as `tdb restructure` reads it, one line each (UTF-8, names converted to
// GBK):
//   field NAME TYPE [SIZE [DECIMALS]]   TYPE as `tdb info` prints it (ftString ...), or "keep" for
//                                       the old field of that name as it is
//   index NAME FIELDS [unique] [descending] [caseless] [primary]
//                                       FIELDS: field names joined by ";", or else a key
//                                       expression (blanks allowed), which gets ixExpression
// A word starting with '#' starts a comment; blank lines are nothing.
struct Structure {
  FieldDefs fields;
  IndexDefs indexes;
};

// Throws std::runtime_error naming the file and line for a line it cannot read, a "keep" of a
// field `old` lacks, or a field given twice.
Structure readStructure(const std::string& path, const FieldDefs& old);

}  // namespace tdb::cli
