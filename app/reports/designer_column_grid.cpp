#include "app/reports/designer_column_grid.h"

#include <QHeaderView>
#include <QSignalBlocker>

namespace torvanel {

namespace {

const QString kAlignmentSteps[] = {QString(), QStringLiteral("左对齐"), QStringLiteral("居中"),
                                   QStringLiteral("右对齐")};

bool isFlagRow(int row) {
  return row == kPrinted || row == kPageSum || row == kGroupSum || row == kGrandSum;
}

// The alignment after `text`; an unknown text starts the cycle again.
QString nextAlignment(const QString& text) {
  for (int i = 0; i < 4; ++i)
    if (kAlignmentSteps[i] == text) return kAlignmentSteps[(i + 1) % 4];
  return kAlignmentSteps[0];
}

}  // namespace

ColumnGridView::ColumnGridView(ReportTemplate& t, QWidget* parent) : QTableWidget(parent), t_(t) {
  setObjectName(QStringLiteral("columnGrid"));
  horizontalHeader()->setSectionsMovable(true);
  horizontalHeader()->setDefaultSectionSize(72);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  connect(horizontalHeader(), &QHeaderView::sectionMoved, this,
          [this](int, int from, int to) { columnMoved(from, to); });
  connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (filling_) return;
    t_.grid.columns[size_t(item->column()) + 1][size_t(item->row())] = item->text();
    emit changed();
  });
  connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int) {
    if (!filling_ && row >= 0) emit changed();
  });
}

void ColumnGridView::fill() {
  filling_ = true;
  const auto& columns = t_.grid.columns;
  const int count = columns.empty() ? 0 : int(columns.size()) - 1;
  clear();
  setRowCount(kGridRows);
  setColumnCount(count);
  QStringList captions;
  for (int r = 0; r < kGridRows; ++r) captions << (columns.empty() ? QString() : columns[0][r]);
  setVerticalHeaderLabels(captions);
  for (int c = 0; c < count; ++c)
    for (int r = 0; r < kGridRows; ++r)
      setItem(r, c, new QTableWidgetItem(columns[size_t(c) + 1][size_t(r)]));
  filling_ = false;
}

bool ColumnGridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  const int row = index.row();
  if (!index.isValid() || (!isFlagRow(row) && row != kAlignment))
    return QTableWidget::edit(index, trigger, event);
  // Only a trigger that would open an editor steps the cell; selecting it does not.
  if (!(editTriggers() & trigger) && trigger != AllEditTriggers) return false;
  QTableWidgetItem* cell = item(row, index.column());
  if (!cell) return false;
  if (isFlagRow(row))
    cell->setText(cell->text() == kChecked ? QString() : kChecked);
  else
    cell->setText(nextAlignment(cell->text()));
  return false;
}

void ColumnGridView::columnMoved(int from, int to) {
  if (from == to) return;
  auto& columns = t_.grid.columns;
  GridColumn moved = columns[size_t(from) + 1];
  columns.erase(columns.begin() + from + 1);
  columns.insert(columns.begin() + to + 1, moved);
  // The header's own move is undone and the cells shown anew, so that the grid's columns stay in
  // the template's order.
  {
    const QSignalBlocker quiet(horizontalHeader());
    horizontalHeader()->moveSection(to, from);
  }
  fill();
  setCurrentCell(0, to);
  emit changed();
}

}  // namespace torvanel
