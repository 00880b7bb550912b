#include "tests/projects/formula_tables.h"

#include "app/common/gbk_string.h"
#include "app/common/table_names.h"

namespace torvanel::test {

tdb::FieldDef field(const QString& name, tdb::FieldType type, int size, int precision) {
  tdb::FieldDef def;
  def.name = gbkText(name);
  def.type = type;
  def.size = size;
  def.precision = precision;
  return def;
}

tdb::Value text(const QString& s) { return tdb::Value::text(gbkText(s)); }

void setFields(tdb::Table& t, const FieldValues& values) {
  for (const auto& [name, value] : values) t.fieldByName(gbkText(name)).setValue(value);
}

tdb::Value valueOf(tdb::Table& t, const QString& name) {
  return t.fieldByName(gbkText(name)).value();
}

void createTable(const std::string& folder, const QString& name,
                 const std::vector<tdb::FieldDef>& fields, const std::vector<FieldValues>& rows,
                 const std::vector<tdb::IndexDef>& indexes) {
  tdb::Table t;
  t.setDatabaseName(folder);
  t.setTableName(engineTableName(name));
  for (const tdb::FieldDef& f : fields) t.fieldDefs().add(f);
  for (const tdb::IndexDef& i : indexes) t.indexDefs().add(i);
  t.createTable();
  t.open();
  for (const FieldValues& row : rows) {
    t.append();
    setFields(t, row);
    t.post();
  }
}

void FormulaTables::create(const QString& name, const std::vector<tdb::FieldDef>& fields,
                           const std::vector<FieldValues>& rows,
                           const std::vector<tdb::IndexDef>& indexes) const {
  createTable(dir.path(), name, fields, rows, indexes);
}

std::unique_ptr<tdb::Table> FormulaTables::open(const QString& name) const {
  auto t = std::make_unique<tdb::Table>();
  t->setDatabaseName(dir.path());
  t->setTableName(engineTableName(name));
  t->open();
  return t;
}

void FormulaTables::addIndex(const QString& name, const tdb::IndexDef& def) const {
  auto t = open(name);
  t->close();
  t->setExclusive(true);
  t->open();
  t->addIndex(def);
}

QString FormulaTables::database() const { return databaseText(dir.path()); }

AuxiliaryTable FormulaTables::entry(const QString& name, const QString& relationType,
                                    const QString& relationText) const {
  AuxiliaryTable e;
  e.database = database();
  e.table = name;
  e.relationType = relationType;
  e.relationText = relationText;
  return e;
}

QString FormulaTables::reference(const QString& name, const QString& field) const {
  return QLatin1Char('[') + database() + QLatin1Char('/') + name + QLatin1Char(']') + field;
}

}  // namespace torvanel::test
