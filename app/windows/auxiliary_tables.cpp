// A project window's auxiliary tables: each opened below the display pages as a detail of the
// master (an index relation) or for lookups, ordered as the project says. A table that fails
// never stops the window: its page caption or a message says what went wrong.

#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "app/common/gbk_string.h"
#include "app/common/table_names.h"
#include "app/ui/bound_grid.h"
#include "app/ui/dialogs.h"
#include "app/ui/table_model.h"
#include "app/ui/table_source.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

// Orders `t` by `key`: the index whose expression it is, by that index's name; otherwise as
// field names, which the engine matches against the indexes' fields (an empty key: natural
// order). Index definitions are read afresh from the table first.
void orderBy(tdb::Table& t, const QString& key) {
  const std::string gbk = gbkText(key);
  if (!t.active()) t.updateFieldDefs();
  for (const tdb::IndexDef& def : t.indexDefs()) {
    if (def.fields == gbk) break;
    if (!def.expression.empty() && def.expression == gbk) {
      t.setIndexName(def.name);
      return;
    }
  }
  t.setIndexFieldNames(gbk);
}

void appendCaption(QTabWidget* pages, QWidget* sheet, const QString& suffix) {
  const int at = pages->indexOf(sheet);
  pages->setTabText(at, pages->tabText(at) + suffix);
}

}  // namespace

void WindowEngine::openAuxiliaries(int slot) {
  WindowSlot& s = registry_[slot];
  const size_t n = s.auxdefs.size();
  s.auxtables.assign(n, nullptr);
  s.auxsources.assign(n, nullptr);
  s.auxsheets.assign(n, nullptr);
  s.auxgrids.assign(n, nullptr);
  for (size_t j = 0; j < n; ++j) openAuxiliary(slot, j);
  TForm11& window = *s.window;
  if (window.lowerPages()->count() == 0)
    window.dropLowerPages();
  else
    window.lowerPages()->setCurrentIndex(0);
}

void WindowEngine::openAuxiliary(int slot, size_t j) {
  WindowSlot& s = registry_[slot];
  TForm11& window = *s.window;
  const dataarray& def = s.auxdefs[j];
  tdb::Table& t = window.addAuxiliary();
  s.auxtables[j] = &t;
  s.auxsources[j] = &window.auxiliarySource(j);
  t.setDatabaseName(engineDatabaseName(def.database));
  t.setTableName(engineTableName(def.table));
  t.setTableType(tableTypeFor(def.table));
  QTabWidget* pages = window.lowerPages();
  QWidget* sheet = nullptr;
  if (def.shown) {
    sheet = new QWidget;
    pages->addTab(sheet, def.table);
    auto* grid = new QTableView(sheet);
    // An auxiliary grid takes edits in every state of the window.
    bindGrid(grid, new TableModel(*s.auxsources[j], grid));
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    auto* fill = new QVBoxLayout(sheet);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(grid);
    s.auxsheets[j] = sheet;
    s.auxgrids[j] = grid;
  }
  const QString named =
      QStringLiteral("辅助数据表[") + def.database + QStringLiteral("]") + def.table;

  if (def.relationType == kIndexRelationType) {
    try {
      orderBy(t, def.auxKey);
      if (!def.masterFields.isEmpty()) {
        t.setMasterSource(&window.table());
        t.setMasterFields(gbkText(def.masterFields));
      }
      t.open();
    } catch (const tdb::EngineError&) {
      // Unlinked and in its natural order it may still open, to be looked at and mended.
      bool second = false;
      try {
        t.close();
        t.setMasterSource(nullptr);
        t.setMasterFields("");
        t.setIndexName("");
        t.setIndexFieldNames("");
        t.open();
        second = true;
      } catch (const tdb::EngineError&) {
        t.close();
        if (sheet)
          appendCaption(pages, sheet, QStringLiteral("非法数据表-"));
        else
          dialogs().message(named + QStringLiteral("为非法数据表![索引]关系错误!"));
      }
      if (sheet) {
        if (!t.active()) {
          delete s.auxgrids[j];
          s.auxgrids[j] = nullptr;
        }
        appendCaption(pages, sheet, QStringLiteral("[索引]关系错误"));
      } else if (second) {
        dialogs().message(named + QStringLiteral("[索引]关系错误!"));
      }
    }
  } else {
    try {
      t.open();
    } catch (const tdb::EngineError&) {
      t.close();
      if (sheet) {
        delete s.auxgrids[j];
        s.auxgrids[j] = nullptr;
        appendCaption(pages, sheet, QStringLiteral("非法数据表"));
      } else {
        dialogs().message(named + QStringLiteral("为非法数据表!"));
      }
    }
    if (t.active()) {
      if (sheet && !def.lookupIndex.isEmpty())
        appendCaption(pages, sheet, QStringLiteral("(") + def.lookupIndex + QStringLiteral(")"));
      try {
        orderBy(t, def.lookupIndex);
      } catch (const tdb::EngineError&) {
        t.setIndexName("");
        t.setIndexFieldNames("");
        if (sheet)
          appendCaption(pages, sheet,
                        QStringLiteral("(索引") + def.lookupIndex + QStringLiteral("错误)"));
        else
          dialogs().message(named + QStringLiteral("的索引") + def.lookupIndex +
                            QStringLiteral("错误"));
      }
    }
  }
  // The grid was bound before the table opened: it reads the rows now.
  if (s.auxgrids[j]) static_cast<TableModel*>(s.auxgrids[j]->model())->refresh();
}

bool WindowEngine::postAuxiliaries(int slot) {
  for (tdb::Table* t : registry_[slot].auxtables) {
    if (!t || !t->active() || !t->editing()) continue;
    try {
      t->post();
    } catch (const tdb::EngineError& e) {
      showError(e);
      return false;
    }
  }
  return true;
}

}  // namespace torvanel
