#pragma once

namespace torvanel {

class WindowEngine;

// The checks of "修改表结构" on the window of `slot`, each refusal told to the user: not a
// project window, its table open in no other window, not filtered by a query; then its unsaved
// changes (a record still in hand among them) settled as closing it would settle them, but the
// window stays open. Changes the user
// chose not to save are dropped, so the restructure carries only what the file holds. False when
// a check refused, the user cancelled or a save failed.
bool mayRestructure(WindowEngine& engine, int slot);

}  // namespace torvanel
