#pragma once

#include <QFrame>

#include "app/common/table_ref.h"

class QLineEdit;
class QListWidget;
class QTableWidget;

namespace torvanel {

// The designer's formula overlay: one row per master field ("序号", "字段名称", "公式"), the
// current row's formula in a one-line memo where every change is stored at once, and the lists
// of tables and fields whose references "加入公式" inserts. The grid itself takes no typing.
class FormulaEditor : public QFrame {
  Q_OBJECT
 public:
  explicit FormulaEditor(QWidget* parent);

  // One row per master field, in order, with its formula.
  void load(const QStringList& fields, const QStringList& formulas);
  QStringList fields() const;
  QStringList formulas() const;

  // The tables whose fields can be inserted: the master first, then the auxiliary tables. Fills
  // the field list from the master (`masterFields`); reading another table's fields goes
  // through `readFields`, which reports its own failure and gives an empty list then.
  using FieldReader = std::function<QStringList(const TableRef&)>;
  void offerTables(const TableRef& master, const QStringList& masterFields,
                   const QList<TableRef>& auxiliaries, FieldReader readFields);

  QTableWidget* grid() const { return grid_; }
  QLineEdit* memo() const { return memo_; }
  QListWidget* tableList() const { return tables_; }
  QListWidget* fieldList() const { return fieldNames_; }

 private:
  void tableChosen();
  void append(const QString& text);
  void showCurrentFormula();
  void storeFormula(const QString& text);

  FieldReader readFields_;
  QTableWidget* grid_ = nullptr;
  QLineEdit* memo_ = nullptr;
  QListWidget* tables_ = nullptr;
  QListWidget* fieldNames_ = nullptr;
};

}  // namespace torvanel
