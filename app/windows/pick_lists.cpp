// The pick lists of a project's page columns: a prompt source "[" + database + "/" + table + "]"
// + field offers every value of that field in one of the project's auxiliary tables.

#include "app/common/gbk_string.h"
#include "app/windows/window_engine.h"
#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/table.h"

namespace torvanel {

QStringList WindowEngine::pickList(int slot, const QString& source) {
  const WindowSlot& s = registry_[slot];
  const int close = source.indexOf(u']');
  if (close < 0) return {};
  const QString entry = source.mid(1, close - 1);
  const std::string field = gbkText(source.mid(close + 1));
  for (size_t j = 0; j < s.auxdefs.size(); ++j) {
    if (s.auxdefs[j].database + QStringLiteral("/") + s.auxdefs[j].table != entry) continue;
    tdb::Table* t = s.auxtables[j];
    if (!t || !t->active()) return {};
    QStringList out;
    try {
      const tdb::Field* f = t->findField(field);
      if (!f) return {};
      // Read through positions so that the table's own current record and its grid stay put.
      const int index = f->index();
      const tdb::FieldType type = t->fieldDefs()[index].type;
      const long count = t->recordCount();
      for (long p = 1; p <= count; ++p) {
        const tdb::Value v = t->valueAt(t->recordAt(p), index);
        out << (v.isNull() ? QString() : fromGbk(tdb::displayText(v, type)));
      }
    } catch (const tdb::EngineError&) {
      // What could be read is offered; a damaged record ends the list.
    }
    return out;
  }
  return {};
}

}  // namespace torvanel
