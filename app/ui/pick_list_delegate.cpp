#include "app/ui/pick_list_delegate.h"

#include <QComboBox>

#include "app/ui/table_model.h"

namespace torvanel {

PickListDelegate::PickListDelegate(const TableModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

QWidget* PickListDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
  const auto& columns = model_.columns();
  if (index.column() < 0 || static_cast<size_t>(index.column()) >= columns.size() ||
      columns[static_cast<size_t>(index.column())].pickList.isEmpty())
    return QStyledItemDelegate::createEditor(parent, option, index);
  auto* combo = new QComboBox(parent);
  combo->setEditable(true);
  combo->addItems(columns[static_cast<size_t>(index.column())].pickList);
  return combo;
}

void PickListDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    combo->setEditText(index.data(Qt::EditRole).toString());
    return;
  }
  QStyledItemDelegate::setEditorData(editor, index);
}

void PickListDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    model->setData(index, combo->currentText(), Qt::EditRole);
    return;
  }
  QStyledItemDelegate::setModelData(editor, model, index);
}

}  // namespace torvanel
