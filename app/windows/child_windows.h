#pragma once

#include <optional>

namespace torvanel {

// What the main window's enabling rules need to know of the active child window.
struct ActiveWindowState {
  bool showsProject = false;    // a project window rather than a table window
  bool updatesPending = false;  // its table uses cached updates and has updates pending
  bool inEditState = false;     // its grids are writable
  int selectedRows = 0;         // rows selected in the grid of its active display page
};

// How closetable and closeeverytable end: 'y' closes the windows, 'n' only saves or asks. A save
// that fails stops both, except when the program quits: then every window is saved that can be,
// and every window closes.
enum class CloseMode { Close, SaveOnly, Quit };

// The main window's view of its child windows. The window registry implements it; the main window
// uses it for its enabling rules, its window list, switching the memory buffer and quitting.
class ChildWindows {
 public:
  virtual ~ChildWindows() = default;

  // The active child window's state; empty when no child window is open.
  virtual std::optional<ActiveWindowState> activeWindow() const = 0;

  // True when the record clipboard table exists, so something can be pasted.
  virtual bool recordClipboardExists() const = 0;

  // Saves or discards (asking when needed) every window's changes and, in CloseMode::Close or
  // Quit, closes them all. False when the user cancelled or, except in Quit, a save failed (the
  // user was told why); nothing was closed then.
  virtual bool closeeverytable(CloseMode mode) = 0;

  // Reopens every window's main table with cached updates switched on or off, after the caller
  // has set the global setting; reports tables that refuse the buffer.
  virtual void reopenWithMemoryBuffer(bool on) = 0;

  // Brings the window of that slot to the front when the slot is in use.
  virtual void bringToFront(int slot) = 0;

  // Closes and deletes the record clipboard table, when it exists.
  virtual void deleteRecordClipboard() = 0;
};

}  // namespace torvanel
