#include "app/shell/menu_state.h"

#include <initializer_list>

namespace torvanel {

using C = Command;
using M = Menu;

MenuState::MenuState() {
  menuEnabled.fill(true);
  itemEnabled.fill(true);
  itemChecked.fill(false);
  buttonEnabled.fill(true);
}

QString decimalItemCaption(int places) {
  return QStringLiteral("设置公式计算时的小数位数 当前为%1位(&D)").arg(places);
}

void menuset(MenuState& s, const MenuInputs& in) {
  auto setItems = [&](std::initializer_list<C> cs, bool on) {
    for (C c : cs) s.itemEnabled[index(c)] = on;
  };
  auto setButtons = [&](std::initializer_list<C> cs, bool on) {
    for (C c : cs) s.buttonEnabled[index(c)] = on;
  };
  auto setMenus = [&](std::initializer_list<M> ms, bool on) {
    for (M m : ms) s.menuEnabled[index(m)] = on;
  };

  // 1. Check marks of the settings.
  const GlobalSettings& g = in.settings;
  s.itemChecked[index(C::UseBuffer)] = g.useMemoryBuffer;
  s.itemChecked[index(C::NoBuffer)] = !g.useMemoryBuffer;
  s.itemChecked[index(C::AutoSave)] = g.autoSaveOnExit;
  s.itemChecked[index(C::NoAutoSave)] = !g.autoSaveOnExit;
  s.itemChecked[index(C::DbaseDefault)] = g.defaultDbfType == tdb::TableType::ttDBase;
  s.itemChecked[index(C::FoxproDefault)] = g.defaultDbfType == tdb::TableType::ttFoxPro;

  // 2. The decimal places item shows the current places.
  s.decimalItemCaption = decimalItemCaption(decimalPlaces(g.formulaDecimals));

  // 3. Projects can be opened only while the project list exists.
  s.menuEnabled[index(M::Projects)] = in.projectListExists;
  s.itemEnabled[index(C::OpenProject)] = in.projectListExists;
  s.buttonEnabled[index(C::OpenProject)] = in.projectListExists;

  // 4. No child window: everything that acts on one is off.
  if (!in.active) {
    setMenus({M::Tables, M::Records, M::Edit, M::Utilities, M::Reports}, false);
    setItems({C::CloseTable, C::CloseAll, C::SaveTable, C::SaveAll, C::CancelTable, C::CancelAll},
             false);
    for (const ToolButtonInfo& b : toolbarTable()) {
      if (b.command != C::NewTable && b.command != C::OpenTable && b.command != C::OpenProject)
        s.buttonEnabled[index(b.command)] = false;
    }
    return;
  }
  const ActiveWindowState& w = *in.active;

  // 5. Recalculation needs a project.
  s.itemEnabled[index(C::Recalculate)] = w.showsProject;

  // 6. Saving and cancelling need buffered changes.
  const bool pending = g.useMemoryBuffer && w.updatesPending;
  setItems({C::SaveTable, C::SaveAll, C::CancelTable, C::CancelAll}, pending);
  setButtons({C::SaveTable, C::CancelTable}, pending);

  // 7. The edit-state group and the record clipboard.
  const std::initializer_list<C> editItems = {C::MoveUp,       C::MoveDown, C::AppendRecord,
                                              C::InsertRecord, C::Replace,  C::DeleteRecord,
                                              C::RevertRecord, C::DeleteAll};
  const std::initializer_list<C> editButtons = {C::MoveUp, C::MoveDown, C::InsertRecord,
                                                C::DeleteRecord};
  const bool selected = w.selectedRows > 0;
  setItems(editItems, w.inEditState);
  setButtons(editButtons, w.inEditState);
  const bool canPaste = w.inEditState && in.recordClipboardExists;
  const bool canCut = w.inEditState && selected;
  setItems({C::Cut}, canCut);
  setButtons({C::Cut}, canCut);
  setItems({C::Paste}, canPaste);
  setButtons({C::Paste}, canPaste);
  setItems({C::Copy}, selected);
  setButtons({C::Copy}, selected);

  // 8. Everything that needs only an open window.
  setMenus({M::Edit, M::Tables, M::Records, M::Utilities, M::Reports}, true);
  setItems({C::CloseTable, C::CloseAll}, true);
  setButtons({C::CloseTable, C::EnterEdit, C::LeaveEdit, C::SingleRecord, C::MultiRecord, C::Query,
              C::FirstRecord, C::LastRecord, C::PriorRecord, C::NextRecord},
             true);
}

}  // namespace torvanel
