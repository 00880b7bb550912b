#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "engine/field_defs.h"

namespace torvanel {

// The designer's index list and the work its index panel does on the definitions.

// The list's entry for a definition: its name, or "PRIMINDEX" when that is blank (a Paradox
// primary key has no name).
QString listedIndexName(const tdb::IndexDef& def);

// The key of a definition as the panel's "索引字段:" list shows it: its expression when it has
// one, else its field list, split at every ";".
QStringList indexKeyFields(const tdb::IndexDef& def);

// What the panel holds when " 确认" is clicked.
struct IndexPanelInput {
  QString name;           // "索引文件名称:" as typed
  QStringList keyFields;  // "索引字段:" in list order
  unsigned options = 0;   // the checked boxes
};

// Applies the panel to `defs`: `chosen` is the position being changed, -1 when a new index is
// defined. An empty key removes the chosen index (and adds nothing when defining). A blank name
// becomes "Primindex" or "Index" followed by the entry's position. A key with ixExpression is
// that expression, else the field names joined by ";".
// Returns the refusal shown to the user, "索引名重复 '<name>'" when another definition has that
// name (compared without case), and leaves `defs` as they were then; "" when applied.
QString applyIndexPanel(std::vector<tdb::IndexDef>& defs, int chosen, const IndexPanelInput& in);

}  // namespace torvanel
