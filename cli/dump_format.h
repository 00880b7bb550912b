#pragma once

#include <string>
#include <string_view>

#include "cli/output.h"
#include "engine/field_defs.h"
#include "engine/table.h"
#include "engine/value.h"

namespace tdb::cli {

// The text `tdb dump` shows for a value, UTF-8, into `out` (replaced, so one string serves a
// whole dump without allocating): null as empty, text converted from GBK, binary data (binary
// memos, raw fields) as lowercase hex digits, anything else the engine's display text.
void valueText(const Value& value, FieldType type, std::string& out);

// The text `tdb dump` shows for a field of the current record, as valueText does, except that a
// number kept as decimal text shows every digit the table stores (not rounded to the 15 digits
// the engine's value holds). Throws EngineError when the field cannot be read (a damaged memo).
void fieldText(const Field& field, FieldType type, std::string& out);
// The same for a value of that field already read (Table::readValues).
void fieldText(const Field& field, const Value& value, FieldType type, std::string& out);

// `text` with backslash, TAB, CR and LF written as in writePlainField and every other control
// character as \xHH, so that a name from a damaged or foreign file stays on its line and column.
std::string escapedText(std::string_view text);

// One field of a CSV record (RFC 4180): quoted only when it holds a comma, a quote, CR or LF,
// with quotes doubled. `alone` marks the only field of a record, which is quoted when empty so
// that its line is not blank (readers skip blank lines).
void writeCsvField(Output& out, std::string_view text, bool alone);

// One field of the plain form, where TAB separates fields and LF ends records: backslash, TAB,
// CR and LF in the text become \\, \t, \r and \n, so every record stays on one line.
void writePlainField(Output& out, std::string_view text);

}  // namespace tdb::cli
