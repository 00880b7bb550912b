#include "app/projects/formula_editor.h"

#include "app/projects/table_entries.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

#include "app/projects/panel_frame.h"

namespace torvanel {

namespace {

enum Column { kNumber, kField, kFormula };

}  // namespace

FormulaEditor::FormulaEditor(QWidget* parent) : QFrame(parent) {
  makePanelFrame(this, "formulaEditor");
  grid_ = new QTableWidget(0, 3, this);
  grid_->setObjectName(QStringLiteral("formulaGrid"));
  grid_->setHorizontalHeaderLabels(
      {QStringLiteral("序号"), QStringLiteral("字段名称"), QStringLiteral("公式")});
  grid_->verticalHeader()->hide();
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->horizontalHeader()->setStretchLastSection(true);
  memo_ = new QLineEdit(this);
  memo_->setObjectName(QStringLiteral("formulaMemo"));
  tables_ = new QListWidget(this);
  tables_->setObjectName(QStringLiteral("formulaTables"));
  fieldNames_ = new QListWidget(this);
  fieldNames_->setObjectName(QStringLiteral("formulaFields"));

  auto* buttons = new QHBoxLayout;
  for (const char* op : {"＋", "－", "×", "÷"}) {
    auto* b = new QPushButton(QString::fromUtf8(op), this);
    connect(b, &QPushButton::clicked, this, [this, op] { append(QString::fromUtf8(op)); });
    buttons->addWidget(b);
  }
  const auto button = [this, buttons](const char* caption, auto slot) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    connect(b, &QPushButton::clicked, this, slot);
    buttons->addWidget(b);
  };
  button("加入公式", [this] {
    const QListWidgetItem* table = tables_->currentItem();
    const QListWidgetItem* field = fieldNames_->currentItem();
    if (!table || !field) return;
    // The master's own fields go by name; another table's as its bracketed reference.
    const bool master = table->text() == tables_->item(0)->text();
    append(master ? field->text()
                  : QLatin1Char('[') + table->text() + QLatin1Char(']') + field->text());
  });
  button("清除公式", [this] { memo_->clear(); });
  button("全清", [this] {
    for (int r = 0; r < grid_->rowCount(); ++r) grid_->item(r, kFormula)->setText(QString());
    showCurrentFormula();
  });
  button("退出", [this] { hide(); });

  auto* layout = new QGridLayout(this);
  layout->addWidget(grid_, 0, 0, 1, 2);
  layout->addWidget(memo_, 1, 0, 1, 2);
  layout->addWidget(tables_, 2, 0);
  layout->addWidget(fieldNames_, 2, 1);
  layout->addLayout(buttons, 3, 0, 1, 2);

  connect(grid_, &QTableWidget::currentCellChanged, this, &FormulaEditor::showCurrentFormula);
  connect(memo_, &QLineEdit::textChanged, this, &FormulaEditor::storeFormula);
  connect(tables_, &QListWidget::itemClicked, this, &FormulaEditor::tableChosen);
  hide();
}

void FormulaEditor::load(const QStringList& fields, const QStringList& formulas) {
  grid_->setRowCount(0);
  grid_->setRowCount(static_cast<int>(fields.size()));
  for (int r = 0; r < fields.size(); ++r) {
    grid_->setItem(r, kNumber, new QTableWidgetItem(QString::number(r + 1)));
    grid_->setItem(r, kField, new QTableWidgetItem(fields[r]));
    grid_->setItem(r, kFormula,
                   new QTableWidgetItem(r < formulas.size() ? formulas[r] : QString()));
  }
  if (grid_->rowCount() > 0) grid_->setCurrentCell(0, kFormula);
  showCurrentFormula();
}

QStringList FormulaEditor::fields() const {
  QStringList out;
  for (int r = 0; r < grid_->rowCount(); ++r) out << grid_->item(r, kField)->text();
  return out;
}

QStringList FormulaEditor::formulas() const {
  QStringList out;
  for (int r = 0; r < grid_->rowCount(); ++r) out << grid_->item(r, kFormula)->text();
  return out;
}

void FormulaEditor::offerTables(const TableRef& master, const QStringList& masterFields,
                                const QList<TableRef>& auxiliaries, FieldReader readFields) {
  readFields_ = std::move(readFields);
  fillTableEntries(tables_, QList<TableRef>{master} + auxiliaries);
  tables_->setCurrentRow(0);
  fieldNames_->clear();
  fieldNames_->addItems(masterFields);
  fieldNames_->setCurrentRow(0);
}

void FormulaEditor::tableChosen() {
  const int row = tables_->currentRow();
  if (row < 0) return;
  fieldNames_->clear();
  fieldNames_->addItems(readFields_ ? readFields_(tableOfEntry(tables_, row)) : QStringList());
  fieldNames_->setCurrentRow(0);
}

void FormulaEditor::append(const QString& text) {
  if (grid_->currentRow() < 0) return;
  memo_->setText(memo_->text() + text);
}

void FormulaEditor::showCurrentFormula() {
  const int row = grid_->currentRow();
  const QSignalBlocker quiet(memo_);
  memo_->setText(row >= 0 ? grid_->item(row, kFormula)->text() : QString());
}

void FormulaEditor::storeFormula(const QString& text) {
  // A formula is one line of the project file: a pasted line break is dropped here.
  if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
    memo_->setText(QString(text).remove(QLatin1Char('\r')).remove(QLatin1Char('\n')));
    return;
  }
  const int row = grid_->currentRow();
  if (row >= 0) grid_->item(row, kFormula)->setText(text);
}

}  // namespace torvanel
