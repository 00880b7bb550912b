#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/projects/project_definition.h"
#include "engine/table.h"
#include "tests/engine/temp_dir.h"

namespace torvanel::test {

using FieldValues = std::vector<std::pair<QString, tdb::Value>>;

// A field definition with a name written in UTF-8.
tdb::FieldDef field(const QString& name, tdb::FieldType type, int size = 0, int precision = 0);
// GBK text, as the engine holds it.
tdb::Value text(const QString& s);

// Creates table `name` (UTF-8) in `folder` (a path ending in "/") with `fields` and `indexes` (a
// Paradox primary key) and appends `rows` through the engine.
void createTable(const std::string& folder, const QString& name,
                 const std::vector<tdb::FieldDef>& fields,
                 const std::vector<FieldValues>& rows = {},
                 const std::vector<tdb::IndexDef>& indexes = {});

// Real tables in a folder of their own, for the formulas to read and write.
class FormulaTables {
 public:
  // Creates `name` with `fields` and `indexes` (a Paradox primary key) and appends `rows`
  // through the engine.
  void create(const QString& name, const std::vector<tdb::FieldDef>& fields,
              const std::vector<FieldValues>& rows = {},
              const std::vector<tdb::IndexDef>& indexes = {}) const;
  std::unique_ptr<tdb::Table> open(const QString& name) const;
  // Adds an index to `name` through an exclusive open, as the engine asks.
  void addIndex(const QString& name, const tdb::IndexDef& def) const;
  // An auxiliary entry for table `name` of this folder.
  AuxiliaryTable entry(const QString& name, const QString& relationType = {},
                       const QString& relationText = {}) const;
  // "[" + folder + "/" + name + "]" + field: how a formula names an auxiliary field.
  QString reference(const QString& name, const QString& field) const;
  QString database() const;

  tdb::test::TempDir dir;
};

// Sets the fields named in `values` on `t`'s record in hand.
void setFields(tdb::Table& t, const FieldValues& values);
// The field's value on the current record of a cursor.
tdb::Value valueOf(tdb::Table& t, const QString& name);

}  // namespace torvanel::test
