#pragma once

#include <QFrame>
#include <functional>

#include "app/common/table_ref.h"

class QLabel;
class QListWidget;

namespace torvanel {

// The page editor's panel for a field's prompt source: the auxiliary tables, the chosen table's
// fields, and "确认" (take "[" + table entry + "]" + field), "清除" (no prompt) and "取消".
class PromptPanel : public QFrame {
  Q_OBJECT
 public:
  explicit PromptPanel(QWidget* parent);

  using FieldReader = std::function<QStringList(const TableRef&)>;
  // Titled for `field`, the first table and its first field selected; shows the panel.
  void open(const QString& field, const QList<TableRef>& tables, FieldReader readFields);

  QListWidget* tableList() const { return tables_; }
  QListWidget* fieldList() const { return fields_; }

 signals:
  // The prompt source chosen: empty after "清除".
  void chosen(const QString& source);

 private:
  void tableChosen();

  FieldReader readFields_;
  QLabel* title_ = nullptr;
  QListWidget* tables_ = nullptr;
  QListWidget* fields_ = nullptr;
};

}  // namespace torvanel
