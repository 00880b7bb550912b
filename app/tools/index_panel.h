#pragma once

#include <QFrame>

#include "app/tools/index_definitions.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace torvanel {

// The structure designer's index panel: the name box "索引文件名称:", the fields still available
// ("字段:") and the key's fields in key order ("索引字段:") with ">>" and "<<" between them, the
// five "索引选项:" boxes, and " 确认" / "取消", which the designer handles.
class IndexPanel : public QFrame {
  Q_OBJECT
 public:
  explicit IndexPanel(QWidget* parent);

  // Fills the panel to define an index (`def` null) or to change `def`, offering `fieldNames`
  // (the grid's names in row order, blank ones included) less the key's own.
  void fill(const QStringList& fieldNames, const tdb::IndexDef* def);
  IndexPanelInput input() const;

  QPushButton* confirmButton() const { return confirm_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  // ">>" and "<<": the chosen entry of `from` goes to the end of `to`.
  static void moveChosen(QListWidget* from, QListWidget* to);

  QLineEdit* name_ = nullptr;
  QListWidget* available_ = nullptr;
  QListWidget* key_ = nullptr;
  QCheckBox* options_[5] = {};
  QPushButton* confirm_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace torvanel
