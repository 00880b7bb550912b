#include "app/ui/bound_grid.h"

#include <QTableView>

#include "app/ui/dialogs.h"
#include "app/ui/pick_list_delegate.h"
#include "app/ui/table_model.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

// Puts the grid's current cell on the cursor's row, in the column it was in. Rows picked with
// Ctrl+click stay as they are.
void showCursorRow(QTableView* grid, TableModel* model) {
  const int row = model->currentRow();
  if (row < 0 || grid->currentIndex().row() == row) return;
  const QModelIndex at = model->index(row, std::max(grid->currentIndex().column(), 0));
  const bool single = grid->selectionMode() == QAbstractItemView::SingleSelection;
  grid->selectionModel()->setCurrentIndex(
      at, single ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                 : QItemSelectionModel::NoUpdate);
}

}  // namespace

void bindGrid(QTableView* grid, TableModel* model) {
  grid->setModel(model);
  grid->setItemDelegate(new PickListDelegate(*model, grid));
  const TableSource& source = model->source();
  const auto follow = [grid, model] { showCursorRow(grid, model); };
  QObject::connect(&source, &TableSource::scrolled, grid, follow);
  QObject::connect(&source, &TableSource::stateChanged, grid, follow);
  QObject::connect(&source, &TableSource::recordStored, grid, follow);
  // A reset of the rows loses the current cell; it goes back to the cursor's row, without
  // selecting anything, before anything else can pick row 0.
  QObject::connect(model, &QAbstractItemModel::modelReset, grid, [grid, model] {
    const int row = model->currentRow();
    if (row >= 0 && !grid->currentIndex().isValid())
      grid->selectionModel()->setCurrentIndex(model->index(row, 0), QItemSelectionModel::NoUpdate);
  });
  QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, grid,
                   [model](const QModelIndex& now) {
                     if (!now.isValid()) return;
                     try {
                       model->goToRow(now.row());
                     } catch (const tdb::EngineError& e) {
                       showError(e);
                     }
                   });
}

}  // namespace torvanel
