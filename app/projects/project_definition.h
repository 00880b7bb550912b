#pragma once

#include <QList>
#include <QString>

#include "app/common/table_ref.h"

namespace torvanel {

// One project: a master table, auxiliary tables with their relations, a formula per master field
// and the display pages of the project window. The designer edits one of these; the window engine
// builds a project window from it. Plain values: copying one copies the whole project.

inline const QString kIndexRelation = QStringLiteral("[索引]关系");
inline const QString kLookupRelation = QStringLiteral("[查找]关系");
inline const QString kShown = QStringLiteral("√");
inline const QString kNotShown = QStringLiteral("Ｘ");

// One auxiliary table (a row of the designer's auxiliary grid).
struct AuxiliaryTable {
  QString database;      // alias name or folder path
  QString table;         // an entry with an empty table is not stored in the file
  QString relationType;  // kIndexRelation, kLookupRelation or empty
  // Auxiliary key + "->" + master fields, kept as the user or the file gave it; either side may
  // be empty.
  QString relationText;
  QString shown;        // kShown: the table gets a grid page of its own
  QString lookupIndex;  // the index a table outside an index relation is opened with

  // The text before the first "->" (the whole text when there is none).
  QString auxiliaryKey() const;
  // The text after the first "->" (empty when there is none).
  QString masterFields() const;
  // database + "/" + table: how the formula and prompt editors list the table.
  QString entryText() const;

  bool operator==(const AuxiliaryTable&) const = default;
};

// A master field's formula; an empty formula is no formula.
struct FieldFormula {
  QString field;
  QString formula;

  bool operator==(const FieldFormula&) const = default;
};

// One row of a display page.
struct PageColumn {
  QString field;         // a master field
  QString displayName;   // the label of the single-record view
  QString promptSource;  // "[" + database + "/" + table + "]" + field, or empty

  bool operator==(const PageColumn&) const = default;
};

struct DisplayPage {
  QString caption;
  // At least one row; a page without fields holds one empty row.
  QList<PageColumn> rows{PageColumn{}};

  // The first row names a field.
  bool hasFields() const;
  // "第" + position + "页": the caption a new page gets.
  static QString defaultCaption(int position);

  bool operator==(const DisplayPage&) const = default;
};

struct ProjectDefinition {
  QString name;    // as the project list shows it; it does not name the file
  QString master;  // "[" + database + "]" + table; empty until chosen
  QList<AuxiliaryTable> auxiliaries{AuxiliaryTable{}};
  QList<FieldFormula> formulas;  // one per master field, in the table's field order
  QList<DisplayPage> pages{DisplayPage{DisplayPage::defaultCaption(0)}};

  // Back to an empty project on the same name and master: one empty auxiliary row, one page
  // "第0页" without fields, no formulas.
  void reset();

  // The master as database and table, taken from the trimmed master text.
  TableRef masterRef() const;

  // The formula entry of the field named exactly `field` (case-sensitive); nullptr when none.
  FieldFormula* formulaOf(const QString& field);

  bool operator==(const ProjectDefinition&) const = default;
};

// A reference "[" + database + "/" + table + "]" + field, as the formula editor inserts it and a
// prompt source holds it.
struct FieldReference {
  QString database;
  QString table;
  QString field;
};

// Splits a table entry database + "/" + table at its last "/": a folder database is full of "/",
// a table name never holds one. An entry with no "/" is all table.
TableRef splitTableEntry(const QString& entry);

// Reads "[" + entry + "]" + field, the entry ending at the last "]" and split as splitTableEntry
// does. Returns false (leaving `out` alone) for text that is no such reference.
bool parseFieldReference(const QString& text, FieldReference& out);

}  // namespace torvanel
