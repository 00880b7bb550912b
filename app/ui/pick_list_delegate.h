#pragma once

#include <QStyledItemDelegate>

namespace torvanel {

class TableModel;

// The editor of a grid cell: a drop-down of the column's pick list (a value may still be typed)
// when the column has one, else the plain editor. Enter in an editor stores the cell, closes the
// editor and is then the grid's own Enter, so that it walks on from the cell as it does without
// an editor.
class PickListDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  PickListDelegate(const TableModel& model, QObject* parent = nullptr);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  const TableModel& model_;
};

}  // namespace torvanel
