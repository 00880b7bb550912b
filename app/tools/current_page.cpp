#include "app/tools/current_page.h"

#include <QScrollArea>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>

#include "app/windows/table_window.h"
#include "app/windows/window_registry.h"

namespace torvanel {

void focusCurrentPage(WindowSlot& s) {
  const int page = std::max(s.window->upperPages()->currentIndex(), 0);
  QWidget* target = nullptr;
  if (s.window->viewMode() == 1 && static_cast<size_t>(page) < s.recboxes.size())
    target = s.recboxes[static_cast<size_t>(page)];
  else if (static_cast<size_t>(page) < s.pagegrids.size())
    target = s.pagegrids[static_cast<size_t>(page)];
  if (target) target->setFocus();
}

}  // namespace torvanel
