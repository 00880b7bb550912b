#include "app/shell/window_list_layout.h"

namespace torvanel {

WindowListPlacement windowListPlacement(int screenWidth, int mainWidth) {
  if (screenWidth < 800 || mainWidth < 768) return {false, 546, 1, 0};
  return {true, 546, 1, mainWidth - 575};
}

}  // namespace torvanel
