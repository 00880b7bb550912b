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

// How closeeverytable ends: 'y' closes the windows, 'n' only saves or asks.
enum class CloseMode { Close, SaveOnly };

// The main window's view of its child windows. The window registry implements it; the main window
// uses it for its enabling rules, its window list, switching the memory buffer and quitting.
class ChildWindows {
 public:
  virtual ~ChildWindows() = default;

  // The active child window's state; empty when no child window is open.
  virtual std::optional<ActiveWindowState> activeWindow() const = 0;

  // True when the record clipboard table exists, so something can be pasted.
  virtual bool recordClipboardExists() const = 0;

  // Saves or discards (asking when needed) every window's changes and, in CloseMode::Close,
  // closes them all. False when the user cancelled; nothing was closed then.
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
