#pragma once

class QTableView;

namespace torvanel {

class TableModel;

// Binds a grid to the model of a data source's table: the grid's current row follows the cursor
// (and the record in hand, a new one included), and the cursor follows the row the user picks,
// storing the record in hand first as any move does. A cell editor's Enter stores the cell and is
// then the grid's own Enter. The grid shows `model`, edited through a pick-list delegate.
void bindGrid(QTableView* grid, TableModel* model);

}  // namespace torvanel
