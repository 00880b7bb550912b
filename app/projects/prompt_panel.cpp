#include "app/projects/prompt_panel.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/projects/table_entries.h"

#include "app/projects/panel_frame.h"

namespace torvanel {

PromptPanel::PromptPanel(QWidget* parent) : QFrame(parent) {
  makePanelFrame(this, "promptPanel");
  title_ = new QLabel(this);
  tables_ = new QListWidget(this);
  tables_->setObjectName(QStringLiteral("promptTables"));
  fields_ = new QListWidget(this);
  fields_->setObjectName(QStringLiteral("promptFields"));
  auto* confirm = new QPushButton(QStringLiteral("确认"), this);
  auto* clear = new QPushButton(QStringLiteral("清除"), this);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  auto* layout = new QGridLayout(this);
  layout->addWidget(title_, 0, 0, 1, 3);
  layout->addWidget(new QLabel(QStringLiteral("辅助数据表及字段:"), this), 1, 0, 1, 3);
  layout->addWidget(tables_, 2, 0, 1, 2);
  layout->addWidget(fields_, 2, 2);
  layout->addWidget(confirm, 3, 0);
  layout->addWidget(clear, 3, 1);
  layout->addWidget(cancel, 3, 2);
  connect(tables_, &QListWidget::itemClicked, this, &PromptPanel::tableChosen);
  connect(confirm, &QPushButton::clicked, this, [this] {
    const QListWidgetItem* table = tables_->currentItem();
    const QListWidgetItem* field = fields_->currentItem();
    hide();
    if (table && field)
      emit chosen(QLatin1Char('[') + table->text() + QLatin1Char(']') + field->text());
  });
  connect(clear, &QPushButton::clicked, this, [this] {
    hide();
    emit chosen(QString());
  });
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
  hide();
}

void PromptPanel::open(const QString& field, const QList<TableRef>& tables,
                       FieldReader readFields) {
  readFields_ = std::move(readFields);
  title_->setText(QStringLiteral("为字段") + field + QStringLiteral("设置提示字段..."));
  fillTableEntries(tables_, tables);
  tables_->setCurrentRow(0);
  tableChosen();
  show();
  raise();
}

void PromptPanel::tableChosen() {
  const int row = tables_->currentRow();
  if (row < 0) return;
  fields_->clear();
  fields_->addItems(readFields_(tableOfEntry(tables_, row)));
  fields_->setCurrentRow(0);
}

}  // namespace torvanel
