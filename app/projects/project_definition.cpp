#include "app/projects/project_definition.h"

namespace torvanel {

namespace {
const QString kArrow = QStringLiteral("->");
}

QString AuxiliaryTable::auxiliaryKey() const {
  const qsizetype arrow = relationText.indexOf(kArrow);
  return arrow < 0 ? relationText : relationText.left(arrow);
}

QString AuxiliaryTable::masterFields() const {
  const qsizetype arrow = relationText.indexOf(kArrow);
  return arrow < 0 ? QString() : relationText.mid(arrow + kArrow.size());
}

QString AuxiliaryTable::entryText() const { return database + QLatin1Char('/') + table; }

bool DisplayPage::hasFields() const { return !rows.isEmpty() && !rows.first().field.isEmpty(); }

QString DisplayPage::defaultCaption(int position) {
  return QStringLiteral("第") + QString::number(position) + QStringLiteral("页");
}

void ProjectDefinition::reset() {
  auxiliaries = {AuxiliaryTable{}};
  formulas.clear();
  pages = {DisplayPage{DisplayPage::defaultCaption(0)}};
}

TableRef ProjectDefinition::masterRef() const { return TableRef::parse(master.trimmed()); }

FieldFormula* ProjectDefinition::formulaOf(const QString& field) {
  for (FieldFormula& f : formulas)
    if (f.field == field) return &f;
  return nullptr;
}

TableRef splitTableEntry(const QString& entry) {
  const qsizetype slash = entry.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return {QString(), entry};
  return {entry.left(slash), entry.mid(slash + 1)};
}

bool parseFieldReference(const QString& text, FieldReference& out) {
  const qsizetype close = text.lastIndexOf(QLatin1Char(']'));
  if (!text.startsWith(QLatin1Char('[')) || close < 0) return false;
  const TableRef ref = splitTableEntry(text.mid(1, close - 1));
  out = {ref.database, ref.table, text.mid(close + 1)};
  return true;
}

}  // namespace torvanel
