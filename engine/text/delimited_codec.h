#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/text/schema_file.h"
#include "engine/value.h"

namespace tdb::text {

// How the lines of a text table become values and back. Records are lines: LF or CR LF ends
// (written CR LF), empty lines skipped, a trailing Ctrl-Z ignored. A value can therefore hold no
// line break.
//
// VARYING lines split at the separator outside quotes. A field that starts with the delimiter is
// quoted: it runs to the next lone delimiter, and a doubled delimiter inside it stands for one.
// Text fields are written quoted (when the schema has a delimiter), other fields bare. FIXED
// lines are cut at the schema's offsets; a line shorter than the layout reads as if padded with
// blanks (editors strip trailing blanks), a longer one is damaged unless the rest is blank.
//
// Values in the file, per schema type:
//   CHAR       the text; trailing blanks dropped, empty is null
//   FLOAT, NUMBER  '.' decimals, written with the schema's decimals ("1221.0000"), else the
//              shortest text that reads back the same
//   SHORTINT, LONGINT  whole numbers in their range
//   BOOL       written TRUE/FALSE (T/F in fields narrower than 5); read also Y/N, YES/NO, 1/0
//   DATE       in the schema's date format, by default MM/DD/YYYY ("04/03/1994"); read with
//              one- or two-digit month and day, and also as YYYY-MM-DD. A two-digit year (written
//              only into fixed fields too narrow for four) means 1950 to 2049.
//   TIME       HH:MM:SS, 24-hour; read also as H:MM
//   TIMESTAMP  the date, a blank, the time
// An empty field (or blanks) is null for every type.

// GBK characters: a byte from 81h on followed by a byte that can be a second byte (40h to FEh
// but 7Fh) is one two-byte character; every other byte stands alone. Separators and delimiters
// are found only where a character starts, so a Chinese character never splits a field.
bool isGbkTrailByte(char c);
size_t gbkCharLength(std::string_view s, size_t i);  // 1 or 2
// True when the last byte is a lead byte with nothing to pair with: written before a separator
// or delimiter that can be a second byte, it would swallow it.
bool endsInLoneLeadByte(std::string_view s);

// The physical lines of a file, line ends removed, with 1-based line numbers; empty lines are
// left out.
struct Line {
  std::string_view text;
  int number = 0;
};
std::vector<Line> splitLines(std::string_view file);

// Splits a VARYING line into its fields (unquoted, doubled delimiters undone). False, with a
// reason in `error` (UTF-8), when a quoted field is not closed or is followed by more than blanks
// before the separator. GBK-aware: a separator or delimiter byte that is the second byte of a
// Chinese character does not count.
bool splitVarying(std::string_view line, char separator, char delimiter,
                  std::vector<std::string>& fields, std::string& error);

// One field as VARYING text: quoted when `quote` (the delimiter doubled inside), or when it must
// be to read back (it holds the separator or the delimiter, or starts or ends with a blank).
std::string quoteField(std::string_view text, char separator, char delimiter, bool quote);

// The separator of a file without a schema: whichever of comma, tab and semicolon splits the
// first lines into one consistent number of fields, the most fields winning (comma, tab,
// semicolon on a tie); comma when none does.
char detectSeparator(const std::vector<Line>& lines, char delimiter);

// A field's text as a value of the field's type (Text for CHAR). False when the text is no
// such value; the caller names the file, line and field.
bool parseValue(std::string_view text, const SchemaField& field, const DateFormat& format,
                Value& out);

// A value of the field's type as file text. `fixed`: the text must fit the field's width, and a
// date may use a two-digit year to fit. False when it cannot be written (too wide, a year a
// two-digit field cannot hold, a value out of the type's range).
bool formatValue(const Value& v, const SchemaField& field, const DateFormat& format, bool fixed,
                 std::string& out);

}  // namespace tdb::text
