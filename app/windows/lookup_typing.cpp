// Typing into a master field that a lookup relation reads moves the lookup table along, so that
// the user sees the record the formulas will take while the key is being typed.

#include <QLineEdit>
#include <QTabWidget>

#include "app/common/gbk_string.h"
#include "app/ui/field_controls.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

void WindowEngine::hookLookups(int slot, size_t page) {
  WindowSlot& s = registry_[slot];
  if (s.kind != 'm') return;
  const tdb::Table& t = s.window->table();
  QStringList hooked;
  for (const dataarray& def : s.auxdefs) {
    if (def.relationType != kLookupRelationType || def.auxKey.isEmpty() ||
        def.masterFields.isEmpty() || hooked.contains(def.masterFields))
      continue;
    // The first edit field of the page that the relation reads.
    for (const auto& [kind, index] : s.editslots[page]) {
      QWidget* control = kind == 'e' ? static_cast<QWidget*>(s.edits[page][size_t(index)])
                                     : s.combos[page][size_t(index)];
      const int field = kind == 'e' ? s.edits[page][size_t(index)]->field()
                                    : s.combos[page][size_t(index)]->field();
      if (fromGbk(t.fieldDefs()[field].name) != def.masterFields) continue;
      const QString name = def.masterFields;
      auto typed = [this, slot, name](const QString& text) { lookupTyped(slot, name, text); };
      if (auto* edit = qobject_cast<QLineEdit*>(control))
        connect(edit, &QLineEdit::textEdited, this, typed);
      else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->lineEdit()) connect(combo->lineEdit(), &QLineEdit::textEdited, this, typed);
        connect(combo, &QComboBox::textActivated, this, typed);
      }
      hooked << name;
      break;
    }
  }
}

void WindowEngine::lookupTyped(int slot, const QString& field, const QString& text) {
  WindowSlot& s = registry_[slot];
  for (size_t j = 0; j < s.auxdefs.size(); ++j) {
    const dataarray& def = s.auxdefs[j];
    if (def.relationType != kLookupRelationType || def.auxKey.isEmpty() ||
        def.masterFields != field)
      continue;
    if (s.auxsheets[j]) s.window->lowerPages()->setCurrentWidget(s.auxsheets[j]);
    tdb::Table* t = s.auxtables[j];
    if (!t || !t->active()) continue;
    try {
      t->locate(gbkText(def.auxKey), tdb::Value::text(gbkText(text)),
                tdb::loCaseInsensitive | tdb::loPartialKey);
    } catch (const tdb::EngineError&) {
      // A message per keystroke would stop the typing: a key that cannot be looked up is a miss.
    }
  }
}

}  // namespace torvanel
