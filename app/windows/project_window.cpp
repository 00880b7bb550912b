// A project window: the master on the project's display pages, each column titled in red with
// its display name and offering its prompt list, the auxiliary tables below.

#include "app/windows/project_window.h"

#include <QTabWidget>
#include <QTableView>

#include "app/common/gbk_string.h"
#include "app/ui/dialogs.h"
#include "app/ui/table_model.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"

namespace torvanel {

int WindowEngine::viewproject(const ProjectWindowSpec& spec) {
  const int slot = openWindow('m', spec.master);
  if (slot < 0) return -1;
  WindowSlot& s = registry_[slot];
  s.projectname = spec.name;
  s.pagecaptions = spec.pagecaptions;
  s.pagecolumns = spec.pagecolumns;
  s.formulas = spec.formulas;
  s.auxdefs = spec.auxdefs;
  TForm11& window = *s.window;
  window.setWindowTitle(captionOf(slot));
  openAuxiliaries(slot);

  tdb::Table& t = window.table();
  for (size_t page = 0; page < s.pagecolumns.size(); ++page) {
    const QString& caption = s.pagecaptions.value(static_cast<int>(page));
    QTableView* grid = addPage(slot, caption);
    if (s.pagecolumns[page].empty()) continue;
    std::vector<TableModel::Column> shown;
    for (const columns& c : s.pagecolumns[page]) {
      const tdb::Field* field = t.findField(gbkText(c.field));
      // A missing field is told and its column kept: the single-record view names it again.
      if (!field)
        dialogs().message(QStringLiteral("数据表中没有[") + caption + QStringLiteral("]页面的[") +
                          c.field + QStringLiteral("]字段!"));
      TableModel::Column column;
      column.field = field ? field->index() : -1;
      column.title = c.displayName;
      column.titleColour = Qt::red;
      if (!c.promptSource.isEmpty()) column.pickList = pickList(slot, c.promptSource);
      shown.push_back(std::move(column));
    }
    static_cast<TableModel*>(grid->model())->setColumns(std::move(shown));
  }
  showWindow(slot);
  return slot;
}

}  // namespace torvanel
