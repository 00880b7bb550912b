#pragma once

namespace torvanel {

// Where the toolbar's window list goes for a main window of `mainWidth` pixels on a screen
// `screenWidth` pixels wide: hidden with width 0 on a screen narrower than 800 or in a main window
// narrower than 768, else at left 546, top 1 of the toolbar band, as wide as the main window less
// 575.
struct WindowListPlacement {
  bool visible;
  int left;
  int top;
  int width;
};

WindowListPlacement windowListPlacement(int screenWidth, int mainWidth);

}  // namespace torvanel
