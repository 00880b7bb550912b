#pragma once

#include <QRect>

#include "app/common/global_settings.h"

class QComboBox;
class QMdiArea;

namespace torvanel {

// What the window engine needs of the main window that holds its windows. The main window
// implements it and tells the engine when it is going away (WindowEngine::hostGone); from then on
// the engine asks it nothing. The engine tells the main window that the commands on offer may
// have changed through its commandsChanged signal, which the main window connects to menuset.
class WindowHost {
 public:
  // The MDI area the child windows live in.
  virtual QMdiArea* mdiArea() const = 0;
  // The window list: one entry per open child window, "<slot> caption", the slot as item data.
  virtual QComboBox* windowList() const = 0;
  // The global settings in force.
  virtual const GlobalSettings& settings() const = 0;
  // Where the child window of `slot` goes when it opens, in the MDI area's coordinates.
  virtual QRect newWindowPlace(int slot) const = 0;

 protected:
  ~WindowHost() = default;
};

}  // namespace torvanel
