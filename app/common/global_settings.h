#pragma once

#include "engine/table_type.h"

namespace torvanel {

// The four global settings in force. The main window owns them, reads them once at start and
// writes them on every change (app/shell/settings.h); the layers below read them through it.
struct GlobalSettings {
  bool useMemoryBuffer = false;  // tables open with cached updates
  bool autoSaveOnExit = false;   // closing saves buffered changes without asking
  tdb::TableType defaultDbfType = tdb::TableType::ttDBase;  // ttDBase or ttFoxPro
  double formulaDecimals = 100;  // rounding scale of formulas: 10 to the power of the places
};

}  // namespace torvanel
