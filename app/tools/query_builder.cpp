#include "app/tools/query_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

#include "app/common/gbk_string.h"
#include "app/tools/filter_composer.h"
#include "app/windows/position_condition.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"
#include "app/windows/window_registry.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

QComboBox* pickList(const char* name, QStringList items, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QLatin1String(name));
  box->addItems(items);
  box->setCurrentIndex(-1);
  return box;
}

QLineEdit* textBox(const char* name, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QLatin1String(name));
  return box;
}

QPushButton* button(const QString& caption, const char* name, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QLatin1String(name));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TForm02::TForm02(QWidget* mainWindow) : QDialog(mainWindow) {
  setObjectName(QStringLiteral("TForm02"));
  setWindowTitle(QStringLiteral("查询"));
  setModal(true);

  // The condition row.
  auto* row = new QGridLayout;
  logic_ =
      pickList("logic", {QStringLiteral("AND"), QStringLiteral("OR"), QStringLiteral("NOT")}, this);
  field_ = pickList("field", {}, this);
  operator_ = pickList("operator",
                       {QStringLiteral("="), QStringLiteral(">"), QStringLiteral("<"),
                        QStringLiteral(">="), QStringLiteral("<="), QStringLiteral("<>")},
                       this);
  value_ = textBox("value", this);
  // Wide enough for a field name of a dBASE table.
  field_->setMinimumContentsLength(10);
  const QString rowCaptions[] = {QStringLiteral("逻辑符号:"), QStringLiteral("数据库字段:"),
                                 QStringLiteral("比较符号："), QStringLiteral("字段取值:")};
  QWidget* rowControls[] = {logic_, field_, operator_, value_};
  for (int i = 0; i < 4; ++i) {
    row->addWidget(new QLabel(rowCaptions[i], this), 0, i);
    row->addWidget(rowControls[i], 1, i);
  }
  QPushButton* clearRow = button(QStringLiteral("清除"), "clearCondition", this);
  QPushButton* addRow = button(QStringLiteral("加入"), "addCondition", this);
  row->addWidget(clearRow, 1, 4);
  row->addWidget(addRow, 1, 5);

  // The string-position condition, which the filter language cannot say.
  auto* positionGroup = new QGroupBox(QStringLiteral("字符串位置查询:"), this);
  auto* positionRow = new QHBoxLayout(positionGroup);
  substr_ = textBox("substr", positionGroup);
  positionField_ = pickList("positionField", {}, positionGroup);
  positionOperator_ =
      pickList("positionOperator", {QStringLiteral("="), QStringLiteral(">")}, positionGroup);
  position_ = textBox("position", positionGroup);
  positionField_->setMinimumContentsLength(10);
  QPushButton* clearPositionButton = button(QStringLiteral("清除"), "clearPosition", positionGroup);
  positionRow->addWidget(new QLabel(QStringLiteral("字符串"), positionGroup));
  positionRow->addWidget(substr_);
  positionRow->addWidget(new QLabel(QStringLiteral("在"), positionGroup));
  positionRow->addWidget(positionField_);
  positionRow->addWidget(new QLabel(QStringLiteral("中的位置"), positionGroup));
  positionRow->addWidget(positionOperator_);
  positionRow->addWidget(position_);
  positionRow->addWidget(clearPositionButton);

  // The expression.
  auto* expressionRow = new QHBoxLayout;
  expression_ = textBox("expression", this);
  QPushButton* store = button(QStringLiteral("存入历史条件"), "storeHistory", this);
  expressionRow->addWidget(new QLabel(QStringLiteral("查询表达式:"), this));
  expressionRow->addWidget(expression_, 1);
  expressionRow->addWidget(store);

  // Options and the four closing buttons.
  auto* options = new QGroupBox(QStringLiteral("选项:"), this);
  auto* optionRow = new QHBoxLayout(options);
  caseSensitive_ = new QCheckBox(QStringLiteral("区分大小写"), options);
  caseSensitive_->setObjectName(QStringLiteral("caseSensitive"));
  partialCompare_ = new QCheckBox(QStringLiteral("允许部分比较"), options);
  partialCompare_->setObjectName(QStringLiteral("partialCompare"));
  optionRow->addWidget(caseSensitive_);
  optionRow->addWidget(partialCompare_);
  auto* closing = new QHBoxLayout;
  QPushButton* ok = button(QStringLiteral("确认"), "apply", this);
  QPushButton* resetButton = button(QStringLiteral("重置"), "reset", this);
  QPushButton* all = button(QStringLiteral("全部"), "all", this);
  QPushButton* cancel = button(QStringLiteral("取消"), "cancel", this);
  for (QPushButton* b : {ok, resetButton, all, cancel}) closing->addWidget(b);

  // The history of this run.
  auto* historyGroup = new QGroupBox(QStringLiteral("历史条件:"), this);
  auto* historyLayout = new QVBoxLayout(historyGroup);
  history_ = new QListWidget(historyGroup);
  history_->setObjectName(QStringLiteral("history"));
  auto* historyButtons = new QHBoxLayout;
  QPushButton* deleteEntry = button(QStringLiteral("删除"), "deleteHistory", historyGroup);
  QPushButton* addEntry = button(QStringLiteral("加入"), "addHistory", historyGroup);
  historyButtons->addWidget(deleteEntry);
  historyButtons->addWidget(addEntry);
  historyLayout->addLayout(historyButtons);
  historyLayout->addWidget(history_);

  auto* left = new QVBoxLayout;
  left->addLayout(row);
  left->addWidget(positionGroup);
  left->addLayout(expressionRow);
  left->addWidget(options);
  left->addLayout(closing);
  auto* whole = new QHBoxLayout(this);
  whole->addLayout(left, 3);
  whole->addWidget(historyGroup, 1);

  connect(field_, &QComboBox::currentIndexChanged, this, &TForm02::fieldChosen);
  connect(clearRow, &QPushButton::clicked, this, &TForm02::clearCondition);
  connect(addRow, &QPushButton::clicked, this, &TForm02::addCondition);
  connect(clearPositionButton, &QPushButton::clicked, this, &TForm02::clearPosition);
  connect(store, &QPushButton::clicked, this, &TForm02::storeHistory);
  connect(addEntry, &QPushButton::clicked, this, &TForm02::addHistory);
  connect(deleteEntry, &QPushButton::clicked, this, &TForm02::deleteHistory);
  connect(ok, &QPushButton::clicked, this, &TForm02::apply);
  connect(resetButton, &QPushButton::clicked, this, &TForm02::reset);
  connect(all, &QPushButton::clicked, this, &TForm02::showAll);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm02::query(WindowSlot& slot) {
  prepare(slot);
  exec();
  slot_ = nullptr;
}

void TForm02::prepare(WindowSlot& slot) {
  slot_ = &slot;
  adjustSize();
  const QRect screenArea = screen()->geometry();
  move(static_cast<int>(std::lround((screenArea.width() - width()) / 2.0)),
       static_cast<int>(std::lround((screenArea.height() - height()) / 2.0)));

  const tdb::Table& t = slot.window->table();
  setWindowTitle(QStringLiteral("查询:[") + slot.window->databaseName() + QStringLiteral("]") +
                 slot.window->tableName() + QStringLiteral("(") + fromGbk(t.indexFieldNames()) +
                 QStringLiteral(")"));
  QStringList names;
  for (const tdb::FieldDef& def : t.fieldDefs()) names << fromGbk(def.name);
  field_->blockSignals(true);
  field_->clear();
  field_->addItems(names);
  field_->blockSignals(false);
  positionField_->clear();
  positionField_->addItems(names);
  reset();
  history_->setCurrentRow(history_->count() > 0 ? 0 : -1);
}

void TForm02::fieldChosen(int index) {
  if (index < 0 || !slot_) return;
  try {
    value_->setText(fromGbk(slot_->window->table().field(index).asString()));
  } catch (const tdb::EngineError&) {
    value_->clear();
  }
}

void TForm02::addCondition() {
  expression_->setText(expression_->text() + logic_->currentText());
  logic_->setCurrentIndex(-1);
  if (field_->currentIndex() < 0 || operator_->currentIndex() < 0) return;
  const tdb::Table& t = slot_->window->table();
  const bool stringField = t.fieldDefs()[field_->currentIndex()].type == tdb::FieldType::ftString;
  expression_->setText(expression_->text() + conditionText(field_->currentText(),
                                                           operator_->currentText(), value_->text(),
                                                           stringField));
  clearCondition();
}

void TForm02::clearCondition() {
  logic_->setCurrentIndex(-1);
  field_->setCurrentIndex(-1);
  operator_->setCurrentIndex(-1);
  value_->clear();
}

void TForm02::clearPosition() {
  substr_->clear();
  positionField_->setCurrentIndex(-1);
  positionOperator_->setCurrentIndex(-1);
  position_->clear();
}

void TForm02::reset() {
  clearCondition();
  clearPosition();
  expression_->clear();
}

void TForm02::storeHistory() {
  const QString text = expression_->text().trimmed();
  if (!text.isEmpty()) history_->addItem(text);
  history_->setCurrentRow(history_->count() - 1);
}

void TForm02::addHistory() {
  if (QListWidgetItem* entry = history_->currentItem())
    expression_->setText(expression_->text() + entry->text());
}

void TForm02::deleteHistory() {
  if (QListWidgetItem* entry = history_->currentItem()) delete entry;
  history_->setCurrentRow(history_->count() > 0 ? 0 : -1);
}

void TForm02::apply() {
  TForm11& window = *slot_->window;
  tdb::Table& t = window.table();
  unsigned options = 0;
  if (!caseSensitive_->isChecked()) options |= tdb::foCaseInsensitive;
  if (!partialCompare_->isChecked()) options |= tdb::foNoPartialCompare;

  searchstru& condition = slot_->filter;
  condition.substr = substr_->text();
  condition.fieldname = positionField_->currentText();
  condition.compop = positionOperator_->currentText();
  if (position_->text().trimmed().isEmpty()) position_->setText(QStringLiteral("0"));
  bool isNumber = false;
  const int position = position_->text().trimmed().toInt(&isNumber, 10);
  condition.position = isNumber ? position : -1;
  condition.casesens = caseSensitive_->isChecked();
  window.setPositionCondition(PositionCondition(condition, t));

  try {
    t.setFilterOptions(options);
    t.setFilter(gbkText(expression_->text().trimmed()));
    t.setFiltered(true);
  } catch (const tdb::EngineError& e) {
    // The user mends the expression in the dialog, which stays open.
    showError(e);
    return;
  }
  window.statusPanel(2)->setText(queryStatusText(expression_->text(), condition));
  window.showPosition();
  accept();
}

void TForm02::showAll() {
  TForm11& window = *slot_->window;
  tdb::Table& t = window.table();
  try {
    t.setFiltered(false);
    t.refresh();
    t.setFilter("");
    t.setFilterOptions(0);
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
  slot_->filter = searchstru{};
  window.setPositionCondition(PositionCondition());
  window.statusPanel(2)->clear();
  window.showPosition();
  accept();
}

}  // namespace torvanel
