#include "app/windows/window_registry.h"

#include "app/common/table_names.h"
#include "app/windows/table_window.h"
#include "engine/table.h"

namespace torvanel {

int WindowRegistry::take(char kind) {
  size_t slot = 0;
  while (slot < slots_.size() && slots_[slot].kind != 'n') ++slot;
  if (slot == slots_.size()) slots_.emplace_back();
  WindowSlot& s = slots_[slot];
  s = WindowSlot{};
  s.kind = kind;
  return static_cast<int>(slot);
}

void WindowRegistry::free(int slot) {
  WindowSlot& s = slots_[static_cast<size_t>(slot)];
  s.kind = 'n';
  s.window = nullptr;
}

int WindowRegistry::slotOf(const QWidget* window) const {
  for (size_t i = 0; i < slots_.size(); ++i)
    if (slots_[i].kind != 'n' && slots_[i].window == window) return static_cast<int>(i);
  return -1;
}

std::vector<int> WindowRegistry::inUse() const {
  std::vector<int> out;
  for (size_t i = 0; i < slots_.size(); ++i)
    if (slots_[i].kind != 'n') out.push_back(static_cast<int>(i));
  return out;
}

int WindowRegistry::holding(const QString& database, const QString& table, int except) const {
  for (int slot : inUse()) {
    const WindowSlot& s = slots_[static_cast<size_t>(slot)];
    const TForm11* w = s.window;
    if (slot != except && w && w->databaseName() == database && w->tableName() == table)
      return slot;
    // Auxiliary tables write too: a lookup grid is writable in every state.
    for (const tdb::Table* aux : s.auxtables) {
      if (aux && aux->active() && databaseText(aux->databaseName()) == database &&
          tableText(aux->tableName()) == table)
        return slot;
    }
  }
  return -1;
}

}  // namespace torvanel
