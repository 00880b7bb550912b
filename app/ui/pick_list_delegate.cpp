#include "app/ui/pick_list_delegate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

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
    // As in a plain cell editor, the key that opened the editor types over the cell's text.
    combo->lineEdit()->selectAll();
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

bool PickListDelegate::eventFilter(QObject* object, QEvent* event) {
  auto* editor = qobject_cast<QWidget*>(object);
  if (!editor || event->type() != QEvent::KeyPress)
    return QStyledItemDelegate::eventFilter(object, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
    return QStyledItemDelegate::eventFilter(object, event);
  // An open drop-down takes its own Enter: it picks the item.
  if (auto* combo = qobject_cast<QComboBox*>(editor); combo && combo->view()->isVisible())
    return false;
  QWidget* viewport = editor->parentWidget();
  auto* view = viewport ? qobject_cast<QAbstractItemView*>(viewport->parentWidget()) : nullptr;
  emit commitData(editor);
  emit closeEditor(editor, QAbstractItemDelegate::NoHint);
  if (view) {
    QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers());
    QCoreApplication::sendEvent(view, &again);
  }
  return true;
}

}  // namespace torvanel
