#include "app/tools/index_definitions.h"

#include "app/common/gbk_string.h"

namespace torvanel {

QString listedIndexName(const tdb::IndexDef& def) {
  const QString name = fromGbk(def.name);
  return name.trimmed().isEmpty() ? QStringLiteral("PRIMINDEX") : name;
}

QStringList indexKeyFields(const tdb::IndexDef& def) {
  const std::string& key = (def.options & tdb::ixExpression) ? def.expression : def.fields;
  return fromGbk(key).split(QLatin1Char(';'));
}

QString applyIndexPanel(std::vector<tdb::IndexDef>& defs, int chosen, const IndexPanelInput& in) {
  if (in.keyFields.isEmpty()) {
    if (chosen >= 0) defs.erase(defs.begin() + chosen);
    return {};
  }
  const int k = chosen >= 0 ? chosen : static_cast<int>(defs.size());
  QString name = in.name;
  if (name.trimmed().isEmpty()) {
    const bool primary = in.options & tdb::ixPrimary;
    name = (primary ? QStringLiteral("Primindex") : QStringLiteral("Index")) + QString::number(k);
  }
  const std::string gbkName = gbkText(name);
  for (int i = 0; i < static_cast<int>(defs.size()); ++i) {
    if (i != chosen && tdb::sameName(defs[i].name, gbkName))
      return QStringLiteral("索引名重复 '%1'").arg(name);
  }
  tdb::IndexDef def;
  def.name = gbkName;
  def.options = in.options;
  const std::string key = gbkText(in.keyFields.join(QLatin1Char(';')));
  (in.options & tdb::ixExpression ? def.expression : def.fields) = key;
  if (chosen >= 0)
    defs[static_cast<size_t>(chosen)] = def;
  else
    defs.push_back(def);
  return {};
}

}  // namespace torvanel
