// The window engine's index choice: "选择索引文件" offers the main table's index definitions on
// the window's index choice panel, and "确认" orders the table by the one chosen, or by none.

#include <QComboBox>

#include "app/common/gbk_string.h"
#include "app/ui/dialogs.h"
#include "app/windows/index_choice_panel.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "app/windows/window_host.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

// An entry of the list: the index name, then its fields or its expression in brackets.
struct Choice {
  QString name;
  QString key;
};

// The entry "取消索引" (or any text without brackets) chooses no index: both parts empty. An
// expression may hold brackets of its own, so the key runs to the last "]".
Choice parseChoice(const QString& entry) {
  const qsizetype open = entry.indexOf(QLatin1Char('['));
  const qsizetype close = entry.lastIndexOf(QLatin1Char(']'));
  if (open < 0 || close < open) return {};
  return {entry.left(open), entry.mid(open + 1, close - open - 1)};
}

// Orders the table as chosen: by the index whose expression is the key through its name, else
// by the key as a field list (empty: the natural order). One setter clears the other's text, and
// on an open table it throws before anything changes.
void applyOrder(tdb::Table& t, const Choice& c) {
  const std::string key = gbkText(c.key);
  if (!key.empty()) {
    for (const tdb::IndexDef& d : t.indexDefs()) {
      if (d.fields != key && d.expression != key) continue;
      if (d.expression == key) {
        t.setIndexName(gbkText(c.name));
        return;
      }
      break;
    }
  }
  t.setIndexFieldNames(key);
}

}  // namespace

void WindowEngine::selectindex() {
  const int slot = activeSlot();
  if (slot < 0) return;
  TForm11& w = *registry_[slot].window;
  IndexChoicePanel* panel = w.indexChoice();
  QComboBox* list = panel->list();
  list->clear();
  for (const tdb::IndexDef& d : w.table().indexDefs())
    list->addItem(fromGbk(d.name) + QStringLiteral("[") + fromGbk(d.fields) +
                  fromGbk(d.expression) + QStringLiteral("]"));
  list->addItem(QStringLiteral("取消索引"));
  list->setCurrentIndex(0);
  disconnect(panel, &IndexChoicePanel::confirmed, this, nullptr);
  connect(panel, &IndexChoicePanel::confirmed, this, [this, slot] { applyIndexChoice(slot); });
  panel->showCentred();
}

void WindowEngine::applyIndexChoice(int slot) {
  if (slot < 0 || slot >= registry_.size() || registry_[slot].kind == 'n') return;
  TForm11& w = *registry_[slot].window;
  IndexChoicePanel* panel = w.indexChoice();
  tdb::Table& t = w.table();
  const Choice choice = parseChoice(panel->list()->currentText());

  const bool sameOrder = (t.indexName().empty() && fromGbk(t.indexFieldNames()) == choice.key) ||
                         (t.indexFieldNames().empty() && fromGbk(t.indexName()) == choice.name);
  if (sameOrder) {
    panel->hide();
    return;
  }

  const std::string oldName = t.indexName();
  const std::string oldFields = t.indexFieldNames();
  if (t.cachedUpdates()) {
    // The table closes to change its order, and closing drops a record still in hand: it goes
    // into the buffer first, where the question below covers it.
    if (t.editing()) {
      try {
        t.post();
      } catch (const tdb::EngineError& e) {
        showError(e);
        return;
      }
    }
    if (activeSlot() != slot) bringToFront(slot);
    if (!closetable(CloseMode::SaveOnly)) {
      panel->hide();
      return;
    }
    t.close();
    try {
      t.updateFieldDefs();
      applyOrder(t, choice);
      t.open();
    } catch (const tdb::EngineError& e) {
      showError(e);
      // The window keeps its table, in the order it had.
      try {
        t.close();
        if (!oldName.empty())
          t.setIndexName(oldName);
        else
          t.setIndexFieldNames(oldFields);
        t.open();
      } catch (const tdb::EngineError& again) {
        showError(again);
      }
      w.showBufferState();
      emit commandsChanged();
      return;
    }
    w.showBufferState();
  } else {
    try {
      applyOrder(t, choice);
    } catch (const tdb::EngineError& e) {
      showError(e);
      return;
    }
  }

  panel->hide();
  retitle(slot);
  emit commandsChanged();
}

}  // namespace torvanel
