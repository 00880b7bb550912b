#pragma once

#include <QString>
#include <optional>
#include <span>
#include <variant>
#include <vector>

#include "engine/field_defs.h"

namespace torvanel {

// One of the ten field types the designer offers, in the order of its type menu.
struct FieldTypeChoice {
  const char* caption;  // the type menu's item, UTF-8
  const char* shown;    // what the grid's type column shows, UTF-8
  tdb::FieldType type;
  const char* width;  // what picking it puts into the width column ("" empties it)
};
std::span<const FieldTypeChoice> fieldTypeChoices();

// The type column's text for a field type: its name among the ten, else "其他".
QString shownTypeName(tdb::FieldType type);

// One data row of the designer's field grid. A row loaded from a table keeps that field's
// definition (type, size, decimals) until a type is picked for it from the menu, so a row the
// user leaves alone comes out exactly as it went in: N(10,2) stays N(10,2), a field of a type
// outside the ten ("其他") keeps that type.
struct DesignerRow {
  QString name;
  tdb::FieldType type = tdb::FieldType::ftUnknown;  // ftUnknown: never chosen
  QString width;                                    // as typed, decimal
  bool required = false;
  std::optional<tdb::FieldDef> loaded;

  static DesignerRow fromField(const tdb::FieldDef& def, const QString& name);
  // Picking a type from the menu: the row takes that type's width and forgets what it loaded.
  void pickType(const FieldTypeChoice& choice);
  // Whether the width column takes typing: only for text and memo rows.
  bool widthTypable() const;
};

// The width column read as a size: 0 when empty or not a whole number.
int widthValue(const QString& width);

// Why the rows cannot become a structure; the text the user is shown, its lines split by '\n'.
struct RowsRefused {
  QString message;
};

// The rows as field definitions, every row in order, blank ones included. Refused with
// "可能有相同字段名，不能生成表结构，请检查!" for an empty name or one that an earlier row has
// (compared without case), and with the structure message for a name the table's GBK text
// cannot hold.
std::variant<tdb::FieldDefs, RowsRefused> fieldDefsOf(const std::vector<DesignerRow>& rows);

}  // namespace torvanel
