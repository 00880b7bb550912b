#include "app/projects/table_structure.h"

#include "app/common/gbk_string.h"
#include "app/common/table_names.h"
#include "engine/table.h"

namespace torvanel {

TableStructure readStructure(const TableRef& ref, tdb::TableType dbfType) {
  tdb::Table t;
  t.setDatabaseName(engineDatabaseName(ref.database));
  t.setTableName(engineTableName(ref.table));
  const bool dbf = ref.table.toUpper().endsWith(QLatin1String(".DBF"));
  t.setTableType(dbf ? dbfType : tdb::TableType::ttDefault);
  t.updateFieldDefs();
  TableStructure s;
  for (const tdb::FieldDef& f : t.fieldDefs()) s.fields << fromGbk(f.name);
  for (const tdb::IndexDef& d : t.indexDefs()) s.indexes << fromGbk(d.fields + d.expression);
  return s;
}

}  // namespace torvanel
