#include "app/shell/recalc_tables.h"

#include "app/common/gbk_string.h"
#include "app/tools/output_target.h"
#include "app/windows/table_window_text.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

QString refText(const AuxiliaryTable& entry) {
  return QLatin1Char('[') + entry.database + QLatin1Char(']') + entry.table;
}

// Orders `t` by the index written as `text` (an index's field list or its expression): by its
// name when an index has that expression, else by those fields; empty text leaves it natural.
void orderBy(tdb::Table& t, const QString& text) {
  const std::string key = gbkText(text);
  for (const tdb::IndexDef& def : t.indexDefs())
    if (def.fields == key || def.expression == key) {
      if (def.fields != key) {
        t.setIndexName(def.name);
        return;
      }
      break;
    }
  t.setIndexFieldNames(key);
}

}  // namespace

ProjectTableSet::ProjectTableSet(const ProjectDefinition& project, tdb::TableType dbfType) {
  const TableRef ref = project.masterRef();
  pointAt(master_, ref, outputType(ref.table, dbfType));
  try {
    master_.open();
    WindowEngine::orderByFirstIndex(master_);
  } catch (const tdb::EngineError& e) {
    throw std::runtime_error(
        (unopenableTableText(ref.text()) + QLatin1Char('\n') + QString::fromUtf8(e.what()))
            .toStdString());
  }
  for (const AuxiliaryTable& entry : project.auxiliaries) {
    if (entry.table.isEmpty()) continue;
    auto t = std::make_unique<tdb::Table>();
    openAuxiliary(entry, dbfType, *t);
    auxdefs_ << entry;
    auxtables_.push_back(std::move(t));
  }
  for (const FieldFormula& f : project.formulas)
    if (!f.formula.isEmpty()) formulas_ << f;
}

void ProjectTableSet::openAuxiliary(const AuxiliaryTable& entry, tdb::TableType dbfType,
                                    tdb::Table& t) {
  pointAt(t, {entry.database, entry.table}, outputType(entry.table, dbfType));
  try {
    t.open();
  } catch (const tdb::EngineError& e) {
    throw std::runtime_error((QStringLiteral("辅助数据表%1为非法数据表!\n").arg(refText(entry)) +
                              QString::fromUtf8(e.what()))
                                 .toStdString());
  }
  const bool indexRelation = entry.relationType == kIndexRelation;
  try {
    if (indexRelation) {
      orderBy(t, entry.auxiliaryKey());
      if (!entry.masterFields().isEmpty()) {
        t.setMasterSource(&master_);
        t.setMasterFields(gbkText(entry.masterFields()));
      }
    } else {
      orderBy(t, entry.lookupIndex);
    }
  } catch (const tdb::EngineError& e) {
    const QString what =
        indexRelation
            ? QStringLiteral("辅助数据表%1[索引]关系错误!").arg(refText(entry))
            : QStringLiteral("辅助数据表%1的索引%2错误").arg(refText(entry), entry.lookupIndex);
    throw std::runtime_error(
        (what + QLatin1Char('\n') + QString::fromUtf8(e.what())).toStdString());
  }
}

ProjectTables ProjectTableSet::forFormulas(double scale) {
  ProjectTables tables;
  tables.master = &master_;
  tables.auxdefs = auxdefs_;
  for (const auto& t : auxtables_) tables.auxtables.push_back(t.get());
  tables.formulas = formulas_;
  tables.scale = scale;
  return tables;
}

}  // namespace torvanel
