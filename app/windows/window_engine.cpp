#include "app/windows/window_engine.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "app/common/gbk_string.h"
#include "app/common/table_names.h"
#include "app/ui/bound_grid.h"
#include "app/ui/dialogs.h"
#include "app/ui/field_controls.h"
#include "app/ui/table_model.h"
#include "app/windows/table_window.h"
#include "app/windows/table_window_text.h"
#include "app/windows/window_host.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

QString tableText(const TForm11& w) {
  return QStringLiteral("[") + w.databaseName() + QStringLiteral("]") + w.tableName();
}

}  // namespace

WindowEngine::WindowEngine(WindowHost& host, QObject* parent) : QObject(parent), host_(&host) {
  connect(host_->mdiArea(), &QMdiArea::subWindowActivated, this, &WindowEngine::activated);
}

void WindowEngine::hostGone() {
  if (!host_) return;
  disconnect(host_->mdiArea(), nullptr, this, nullptr);
  host_ = nullptr;
}

QMdiArea* WindowEngine::mdiArea() const { return host_ ? host_->mdiArea() : nullptr; }

int WindowEngine::activeSlot() const {
  QMdiArea* area = mdiArea();
  if (!area) return -1;
  const QMdiSubWindow* frame = area->activeSubWindow();
  if (!frame) {
    // Offscreen or while nothing has focus, the last window opened counts as the active one.
    const auto frames = area->subWindowList(QMdiArea::ActivationHistoryOrder);
    if (frames.isEmpty()) return -1;
    frame = frames.last();
  }
  return registry_.slotOf(frame->widget());
}

QMdiSubWindow* WindowEngine::frameOf(int slot) const {
  QMdiArea* area = mdiArea();
  if (!area) return nullptr;
  for (QMdiSubWindow* f : area->subWindowList())
    if (f->widget() == registry_[slot].window) return f;
  return nullptr;
}

void WindowEngine::viewtable(const TableRef& ref) {
  const int slot = openWindow('d', ref);
  if (slot < 0) return;
  WindowSlot& s = registry_[slot];
  s.pagecaptions = {QStringLiteral("浏览编辑")};
  s.pagecolumns.assign(1, {});
  TForm11& window = *s.window;
  window.setWindowTitle(captionOf(slot));
  window.dropLowerPages();
  // One page, "浏览编辑", with a read-only grid of every field.
  addPage(slot, s.pagecaptions[0]);
  showWindow(slot);
}

int WindowEngine::openWindow(char kind, const TableRef& ref) {
  if (!host_) return -1;
  const int slot = registry_.take(kind);
  WindowSlot& s = registry_[slot];
  auto* window = new TForm11;
  window->resize(10, 10);
  // A window destroyed by anyone but closetable (the main window going away) leaves its slot.
  connect(window, &QObject::destroyed, this, [this, slot, window] {
    if (registry_[slot].window == window) registry_.free(slot);
  });
  window->upperPages()->hide();
  s.window = window;

  tdb::Table& t = window->table();
  t.setDatabaseName(engineDatabaseName(ref.database));
  t.setTableName(engineTableName(ref.table));
  t.setIndexFieldNames("");
  t.setIndexName("");
  t.setTableType(tableTypeFor(ref.table));
  try {
    t.open();
  } catch (const tdb::EngineError&) {
    delete window;
    registry_.free(slot);
    dialogs().message(unopenableTableText(ref.text()));
    return -1;
  }
  orderAndBuffer(slot);
  return slot;
}

tdb::TableType WindowEngine::tableTypeFor(const QString& table) const {
  return table.toUpper().endsWith(QLatin1String(".DBF")) && host_ ? host_->settings().defaultDbfType
                                                                  : tdb::TableType::ttDefault;
}

QTableView* WindowEngine::addPage(int slot, const QString& caption) {
  WindowSlot& s = registry_[slot];
  TForm11& window = *s.window;
  auto* sheet = new QWidget;
  window.upperPages()->addTab(sheet, caption);
  auto* grid = new QTableView(sheet);
  bindGrid(grid, new TableModel(window.source(), grid));
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->installEventFilter(this);
  grid->viewport()->installEventFilter(this);
  auto* fill = new QVBoxLayout(sheet);
  fill->setContentsMargins(0, 0, 0, 0);
  fill->addWidget(grid);
  s.pagesheets.push_back(sheet);
  s.pagegrids.push_back(grid);
  // Cut and copy are offered by the rows picked, as they are after each click.
  connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &WindowEngine::commandsChanged);
  return grid;
}

void WindowEngine::showWindow(int slot) {
  TForm11* window = registry_[slot].window;
  window->upperPages()->setCurrentIndex(0);
  window->setViewMode(0);
  // A post or a buffered change made in a control changes what the menus offer.
  const TableSource* source = &window->source();
  connect(source, &TableSource::dataSetChanged, this, &WindowEngine::commandsChanged);
  connect(source, &TableSource::stateChanged, this, &WindowEngine::commandsChanged);
  connect(source, &TableSource::recordStored, this, &WindowEngine::commandsChanged);
  connect(source, &TableSource::recordDeleted, this, &WindowEngine::commandsChanged);
  connect(window->priorButton(), &QPushButton::clicked, this, &WindowEngine::priorrecord);
  connect(window->nextButton(), &QPushButton::clicked, this, &WindowEngine::nextrecord);
  connect(window->appendButton(), &QPushButton::clicked, this, &WindowEngine::appendrecord);

  QComboBox* list = host_->windowList();
  list->addItem(windowListEntry(slot, window->windowTitle()), slot);
  list->setCurrentIndex(list->count() - 1);

  QMdiSubWindow* frame = host_->mdiArea()->addSubWindow(window);
  frame->setGeometry(host_->newWindowPlace(slot));
  window->upperPages()->show();
  frame->show();
  window->layOutBands();
  window->showPosition();
  emit commandsChanged();
}

void WindowEngine::orderByFirstIndex(tdb::Table& t) {
  if (t.indexDefs().count() == 0) return;
  const tdb::IndexDef& first = t.indexDefs()[0];
  if (!first.fields.empty())
    t.setIndexFieldNames(first.fields);
  else
    t.setIndexName(first.name);
}

void WindowEngine::reopenRebuilt(int slot) {
  TForm11& w = *registry_[slot].window;
  tdb::Table& t = w.table();
  // The old order may name what the new structure lacks, and the buffer may not suit it.
  t.setCachedUpdates(false);
  t.setIndexFieldNames("");
  t.setIndexName("");
  t.open();
  orderAndBuffer(slot);
  retitle(slot);
  emit commandsChanged();
}

void WindowEngine::orderAndBuffer(int slot) {
  try {
    orderByFirstIndex(registry_[slot].window->table());
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
  openWithBuffer(slot);
}

void WindowEngine::retitle(int slot) {
  const QString caption = captionOf(slot);
  registry_[slot].window->setWindowTitle(caption);
  const int entry = listEntry(slot);
  if (entry >= 0) {
    host_->windowList()->setItemText(entry, windowListEntry(slot, caption));
    host_->windowList()->setCurrentIndex(entry);
  }
}

void WindowEngine::settleEditing(bool keep) {
  torvanel::settleEditing(QApplication::focusWidget(), keep);
}

QString WindowEngine::captionOf(int slot) const {
  const WindowSlot& s = registry_[slot];
  TForm11& w = *s.window;
  const tdb::Table& t = w.table();
  const QString caption = tableWindowCaption(w.databaseName(), w.tableName(),
                                             fromGbk(t.indexFieldNames()), fromGbk(t.indexName()));
  if (s.kind != 'm') return caption;
  // "数据表:" gives way to the project's name.
  return QStringLiteral("项目:") + s.projectname + caption.mid(caption.indexOf(u'['));
}

void WindowEngine::openWithBuffer(int slot) {
  TForm11& w = *registry_[slot].window;
  tdb::Table& t = w.table();
  const bool wanted = host_ && host_->settings().useMemoryBuffer;
  try {
    t.setCachedUpdates(wanted);
  } catch (const tdb::EngineError&) {
    dialogs().message(tableText(w) + QStringLiteral("没有索引不能建立缓冲!"));
    t.setCachedUpdates(false);
  }
  w.showBufferState();
}

void WindowEngine::activated(QMdiSubWindow* frame) {
  if (!frame) return;
  const int slot = registry_.slotOf(frame->widget());
  if (slot < 0) return;
  selectListEntry(slot);
  tdb::Table& t = registry_[slot].window->table();
  // Changes made through other windows show. A record in hand stays as it is: refreshing would
  // store it, and looking at a window must write nothing.
  if (t.active() && !t.editing()) {
    try {
      t.refresh();
    } catch (const tdb::EngineError&) {
      // The table shows as it was; the next command reports what is wrong.
    }
  }
  emit commandsChanged();
}

int WindowEngine::listEntry(int slot) const {
  return host_ ? host_->windowList()->findData(slot) : -1;
}

void WindowEngine::selectListEntry(int slot) {
  const int entry = listEntry(slot);
  if (entry >= 0) host_->windowList()->setCurrentIndex(entry);
}

void WindowEngine::removeListEntry(int slot) {
  if (!host_) return;
  const int entry = listEntry(slot);
  if (entry >= 0) host_->windowList()->removeItem(entry);
  if (registry_.inUse().empty()) host_->windowList()->clear();
}

void WindowEngine::bringToFront(int slot) {
  if (slot < 0 || slot >= registry_.size() || registry_[slot].kind == 'n') return;
  if (QMdiSubWindow* frame = frameOf(slot)) {
    if (frame->isMinimized()) frame->showNormal();
    mdiArea()->setActiveSubWindow(frame);
  }
}

std::optional<ActiveWindowState> WindowEngine::activeWindow() const {
  const int slot = activeSlot();
  if (slot < 0) return std::nullopt;
  const WindowSlot& s = registry_[slot];
  ActiveWindowState state;
  state.showsProject = s.kind == 'm';
  tdb::Table& t = s.window->table();
  state.updatesPending = t.active() && t.cachedUpdates() && t.updatesPending();
  state.inEditState = inEditState(slot);
  // Rows picked with Ctrl+click in the active page's grid, for cut and copy.
  const int page = s.window->upperPages()->currentIndex();
  if (page >= 0 && static_cast<size_t>(page) < s.pagegrids.size()) {
    state.selectedRows =
        static_cast<int>(selectedPositions(s.pagegrids[static_cast<size_t>(page)]).size());
  }
  return state;
}

// ---------------------------------------------------------------- saving and cancelling

bool WindowEngine::postInHand(int slot) {
  tdb::Table& t = registry_[slot].window->table();
  try {
    if (t.editing()) t.post();
  } catch (const tdb::EngineError& e) {
    showError(e);
    return false;
  }
  return true;
}

bool WindowEngine::save(int slot) {
  TForm11& w = *registry_[slot].window;
  tdb::Table& t = w.table();
  try {
    if (!t.cachedUpdates() && t.editing()) t.post();
    if (!t.cachedUpdates() || !t.updatesPending()) return true;
    t.applyUpdates();
    t.commitUpdates();
  } catch (const tdb::EngineError& e) {
    showError(e);
    return false;
  }
  const long n = t.position();
  if (t.driverTypeName() == "DBASE") {
    try {
      packDbase(t);  // deleted records leave the file
      t.first();
      t.moveBy(static_cast<int>(n - 1));
    } catch (const tdb::EngineError& e) {
      showError(e);
    }
  }
  return true;
}

void WindowEngine::packDbase(tdb::Table& t) {
  t.close();
  try {
    t.setExclusive(true);
    t.open();
    t.pack();
  } catch (const tdb::EngineError&) {
    dialogs().message(QStringLiteral("请关闭其他窗口打开的本表后才能真正删除!"));
  }
  t.close();
  t.setExclusive(false);
  t.open();
}

bool WindowEngine::okthistable() {
  const int slot = activeSlot();
  const bool ok = slot < 0 || save(slot);
  emit commandsChanged();
  return ok;
}

bool WindowEngine::okeverytable() { return saveEvery(true); }

bool WindowEngine::saveEvery(bool stopAtFailure) {
  const int active = activeSlot();
  bool ok = true;
  for (int slot : registry_.inUse()) {
    bringToFront(slot);
    if (!save(slot)) {
      ok = false;
      if (stopAtFailure) break;
    }
  }
  bringToFront(active);
  emit commandsChanged();
  return ok;
}

void WindowEngine::cancelthistable() {
  const int slot = activeSlot();
  if (slot >= 0) {
    tdb::Table& t = registry_[slot].window->table();
    t.cancel();
    if (t.cachedUpdates() && t.updatesPending()) t.cancelUpdates();
  }
  emit commandsChanged();
}

void WindowEngine::canceleverytable() {
  const int active = activeSlot();
  for (int slot : registry_.inUse()) {
    bringToFront(slot);
    tdb::Table& t = registry_[slot].window->table();
    t.cancel();
    if (t.cachedUpdates() && t.updatesPending()) t.cancelUpdates();
  }
  bringToFront(active);
  emit commandsChanged();
}

// ---------------------------------------------------------------- closing

void WindowEngine::destroy(int slot) {
  TForm11* window = registry_[slot].window;
  window->table().close();
  QMdiSubWindow* frame = frameOf(slot);
  registry_.free(slot);
  removeListEntry(slot);
  if (frame) {
    mdiArea()->removeSubWindow(window);
    delete frame;
  }
  delete window;
}

bool WindowEngine::closetable(CloseMode mode) {
  const int slot = activeSlot();
  if (slot < 0) return true;
  settleEditing(true);
  // An auxiliary table's edit and the record in hand are the user's work too: they are stored
  // (the record into the buffer, where the question covers it) before anything goes, and a store
  // that fails keeps the window.
  if (!postAuxiliaries(slot) || !postInHand(slot)) return false;
  tdb::Table& t = registry_[slot].window->table();
  bool saved = true;
  if (host_->settings().autoSaveOnExit || !t.cachedUpdates()) {
    saved = save(slot);
  } else if (t.updatesPending()) {
    const Answer a = dialogs().confirm(QStringLiteral("修改数据存盘吗？"), true);
    if (a == Answer::Cancel) return false;
    if (a == Answer::Yes) saved = save(slot);
  }
  // A save that failed (the user was told why) keeps the window with its changes.
  if (!saved || mode == CloseMode::SaveOnly) {
    emit commandsChanged();
    return saved;
  }
  destroy(slot);
  emit commandsChanged();
  return true;
}

bool WindowEngine::closeeverytable(CloseMode mode) {
  if (!host_) return true;
  settleEditing(true);
  const std::vector<int> open = registry_.inUse();
  const bool quitting = mode == CloseMode::Quit;
  for (int slot : open) {
    // Both are tried even when the first fails: quitting goes on, and the record in hand must
    // still reach the buffer the question covers.
    const bool auxiliaries = postAuxiliaries(slot);
    const bool inHand = postInHand(slot);
    if (!(auxiliaries && inHand) && !quitting) return false;
  }
  bool pending = false;
  for (int slot : open) {
    tdb::Table& t = registry_[slot].window->table();
    pending |= t.active() && t.cachedUpdates() && t.updatesPending();
  }
  // Quitting saves what can be saved: one window's failure must not cost the others theirs.
  bool saved = true;
  const GlobalSettings& settings = host_->settings();
  if (!settings.autoSaveOnExit && settings.useMemoryBuffer && pending) {
    const Answer a = dialogs().confirm(QStringLiteral("修改数据存盘吗？"), true);
    if (a == Answer::Cancel) return false;
    if (a == Answer::Yes) saved = saveEvery(!quitting);
  } else {
    saved = saveEvery(!quitting);
  }
  if (!saved && !quitting) return false;
  if (mode == CloseMode::SaveOnly) return true;
  for (int slot : open) destroy(slot);
  host_->windowList()->clear();
  emit commandsChanged();
  return true;
}

void WindowEngine::reopenWithMemoryBuffer(bool on) {
  const int active = activeSlot();
  for (int slot : registry_.inUse()) {
    bringToFront(slot);
    TForm11& w = *registry_[slot].window;
    tdb::Table& t = w.table();
    t.close();
    t.setCachedUpdates(on);
    try {
      t.open();
    } catch (const tdb::EngineError&) {
      if (on) dialogs().message(tableText(w) + QStringLiteral("没有索引不能建立缓冲!"));
      t.setCachedUpdates(false);
      try {
        t.open();
      } catch (const tdb::EngineError& e) {
        showError(e);
      }
    }
    w.showBufferState();
  }
  bringToFront(active);
}

}  // namespace torvanel
