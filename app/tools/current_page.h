#pragma once

namespace torvanel {

struct WindowSlot;

// Gives the keyboard focus back to the window's current display page, as a panel of the main
// window does when it closes: its single-record box in that view, else its grid.
void focusCurrentPage(WindowSlot& slot);

}  // namespace torvanel
