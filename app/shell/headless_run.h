#pragma once

#include <QString>

#include "app/common/global_settings.h"

namespace torvanel {

// What the runs without windows (--report, --recalc) share: their messages and their start.

// One line on stderr, "torvanel: " + message, in the terminal's encoding.
void sayOnStderr(const QString& message);

// Keeps Qt's notes to developers (a missing runtime folder under cron, a substituted font) off
// stderr, which carries the run's own messages alone; critical ones are still said.
void keepQtNotesOffStderr();

// The program folder with its alias file and settings, as the workbench starts them. A folder or
// file that cannot be prepared is said, and the run goes on with what there is, as the workbench
// does. Returns the folder, ending with '/'.
QString startProgramFolder(GlobalSettings& settings);

}  // namespace torvanel
