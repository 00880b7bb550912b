#pragma once

#include <functional>

#include "engine/field_defs.h"

namespace torvanel {

class WindowEngine;

// "确认" of the designer on the table of window `slot`: after the user agrees, backs the table
// up, builds it anew with `fields` and `indexes` carrying its records over (in the window's
// order), asks again when values would be lost, and puts the new table in place; then the window
// shows it, ordered by its first index, under a caption that names that order. `progress` hears
// how far the work is. True when the window shows the new structure; false when the structure was
// refused, the user said no or a step failed (the user was told): the table is then as it was and
// open in the window again.
bool restructureWindow(WindowEngine& engine, int slot, const tdb::FieldDefs& fields,
                       const tdb::IndexDefs& indexes,
                       const std::function<void(long done, long total)>& progress);

}  // namespace torvanel
