#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/field_defs.h"

namespace tdb::text {

// The schema file (.SCH) that describes a text table: one section named after the table, then
// "key = value" lines. Keys and type names are read in any case, blanks around them ignored.
//
//   [CUSTOMER]
//   FILETYPE = VARYING            VARYING: fields split at SEPARATOR; FIXED: cut at offsets
//   CHARSET = ascii               recorded as written; the text is read and written as GBK
//   DELIMITER = "                 quote around text fields; empty for none
//   SEPARATOR = ,                 a literal tab (or the word TAB) for tab-separated files
//   DATEFORMAT = MM/DD/YYYY       optional: MM/DD/YYYY (the default), DD/MM/YYYY, YYYY-MM-DD ...
//   Field1 = Name,Type,Width,Decimals,Offset
//
// Type mapping between schema types and the engine's field types.
//
//   reading (schema -> engine)                   creating (engine -> schema)
//   CHAR        -> ftString(width)               ftString             -> CHAR(size)
//   FLOAT       -> ftFloat(width, decimals)      ftFloat              -> FLOAT(size or 20,
//   precision) NUMBER      -> ftFloat(width, decimals)      ftCurrency, ftBCD    -> FLOAT(size or
//   20, SHORTINT    -> ftSmallint                                            precision or 4)
//   LONGINT     -> ftInteger                     ftSmallint           -> SHORTINT(6)
//   BOOL        -> ftBoolean                     ftInteger, ftWord,
//   DATE        -> ftDate                        ftAutoInc            -> LONGINT(11)
//   TIME        -> ftTime                        ftLargeint           -> NUMBER(20,0)
//   TIMESTAMP   -> ftDateTime                    ftBoolean            -> BOOL(5)
//                                                ftDate               -> DATE(10)
//                                                ftTime               -> TIME(8)
//                                                ftDateTime           -> TIMESTAMP(19)
//                                                memos, blobs, ftBytes: refused
//
// So a table created with ftCurrency, ftWord, ftAutoInc or ftLargeint fields reads back with
// the plainer type beside them: a text file keeps no more than the schema can say.

enum class FileType { Varying, Fixed };

// The order of a date's parts and the character between them. Years are written with four
// digits, or two when a fixed-width field is too narrow for four.
struct DateFormat {
  enum class Order { MDY, DMY, YMD };
  Order order = Order::MDY;
  char separator = '/';
  friend bool operator==(const DateFormat&, const DateFormat&) = default;
};

struct SchemaField {
  std::string name;  // GBK
  FieldType type = FieldType::ftUnknown;
  std::string typeName;  // as the file spells it, upper case ("NUMBER"); empty: the usual name
  int width = 0;         // characters the value may take (bytes of GBK text for CHAR)
  int decimals = 0;      // digits after the point written for FLOAT and NUMBER
  int offset = 0;        // 0-based start in the line; matters only to FIXED files
  friend bool operator==(const SchemaField&, const SchemaField&) = default;
};

struct Schema {
  std::string tableName;  // the section's name, GBK
  FileType fileType = FileType::Varying;
  std::string charset = "ascii";
  char delimiter = '"';  // '\0': text is never quoted
  char separator = ',';
  DateFormat dateFormat;
  std::vector<SchemaField> fields;

  // Bytes a FIXED line holds: the end of its last-ending field.
  int lineLength() const;
  friend bool operator==(const Schema&, const Schema&) = default;
};

// Parses the bytes of a schema file. Throws EngineError naming `path` and the line when the
// file says something the driver cannot follow: no section, an unknown type or file type, field
// lines not numbered 1, 2, 3 ... without gaps, widths or offsets out of range, FIXED fields that
// overlap, a separator equal to the delimiter.
Schema parseSchema(std::string_view bytes, const std::string& path);

// The schema as a file: GBK, CR LF line ends, read back by parseSchema as the same schema.
std::string formatSchema(const Schema& schema);

// A VARYING schema for a new table of that structure: comma-separated, text quoted with '"',
// offsets laid end to end. Throws EngineError naming `path` for a type a text table cannot hold
// and for names the file could not carry (empty, duplicate, with line breaks).
Schema designSchema(const std::string& tableName, const FieldDefs& defs, const std::string& path);

// The engine's field definitions of a schema.
FieldDefs fieldDefsOf(const Schema& schema);

// The schema type name written for a field type ("CHAR").
const char* schemaTypeName(FieldType type);

// The schema file of a table: its name with the extension .SCH, the one there in any case, else
// in the case of the table's extension.
std::string schemaPathFor(const std::string& tablePath);

}  // namespace tdb::text
