#pragma once

#include <QString>
#include <array>
#include <optional>

#include "app/shell/commands.h"
#include "app/shell/settings.h"
#include "app/windows/child_windows.h"

namespace torvanel {

// The enabled state, check marks and captions of the main window's menus and toolbar buttons.
// Everything starts enabled and unchecked; menuset changes only what its rules name.
struct MenuState {
  MenuState();

  std::array<bool, kMenuCount> menuEnabled;
  std::array<bool, kCommandCount> itemEnabled;
  std::array<bool, kCommandCount> itemChecked;
  std::array<bool, kCommandCount> buttonEnabled;  // meaningful for commands with a button
  QString decimalItemCaption;

  bool menu(Menu m) const { return menuEnabled[index(m)]; }
  bool item(Command c) const { return itemEnabled[index(c)]; }
  bool checked(Command c) const { return itemChecked[index(c)]; }
  bool button(Command c) const { return buttonEnabled[index(c)]; }
};

// What menuset reads.
struct MenuInputs {
  GlobalSettings settings;
  bool projectListExists = false;           // "datatools.tsm" is in the program folder
  std::optional<ActiveWindowState> active;  // empty when no child window is open
  bool recordClipboardExists = false;
};

// Recomputes `state` from the inputs by the main window's enabling rules, in their order.
void menuset(MenuState& state, const MenuInputs& in);

// "设置公式计算时的小数位数 当前为" + places + "位(&D)".
QString decimalItemCaption(int places);

}  // namespace torvanel
