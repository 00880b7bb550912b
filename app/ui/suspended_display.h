#pragma once

#include "engine/table.h"

namespace torvanel {

// Holds a table's bound controls still while a long run of moves and posts goes on, however the
// run ends; they read the table again once, at the end.
class SuspendedDisplay {
 public:
  explicit SuspendedDisplay(tdb::Table& t) : t_(t) { t_.disableControls(); }
  ~SuspendedDisplay() { t_.enableControls(); }
  SuspendedDisplay(const SuspendedDisplay&) = delete;
  SuspendedDisplay& operator=(const SuspendedDisplay&) = delete;

 private:
  tdb::Table& t_;
};

}  // namespace torvanel
