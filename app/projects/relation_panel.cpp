#include "app/projects/relation_panel.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/projects/panel_frame.h"

namespace torvanel {

namespace {

QString selectedText(const QListWidget* list) {
  const QList<QListWidgetItem*> chosen = list->selectedItems();
  return chosen.isEmpty() ? QString() : chosen.first()->text();
}

}  // namespace

RelationPanel::RelationPanel(QWidget* parent) : QFrame(parent) {
  makePanelFrame(this, "relationPanel");
  leftCaption_ = new QLabel(this);
  rightCaption_ = new QLabel(this);
  left_ = new QListWidget(this);
  left_->setObjectName(QStringLiteral("auxiliaryKeys"));
  right_ = new QListWidget(this);
  right_->setObjectName(QStringLiteral("masterFields"));
  result_ = new QLineEdit(this);
  result_->setObjectName(QStringLiteral("relationText"));
  result_->setReadOnly(true);
  confirm_ = new QPushButton(QStringLiteral("确认"), this);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  auto* layout = new QGridLayout(this);
  layout->addWidget(leftCaption_, 0, 0);
  layout->addWidget(rightCaption_, 0, 1);
  layout->addWidget(left_, 1, 0);
  layout->addWidget(right_, 1, 1);
  layout->addWidget(result_, 2, 0, 1, 2);
  layout->addWidget(confirm_, 3, 0);
  layout->addWidget(cancel, 3, 1);
  connect(left_, &QListWidget::itemClicked, this, &RelationPanel::compose);
  connect(right_, &QListWidget::itemClicked, this, &RelationPanel::compose);
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
  hide();
}

void RelationPanel::open(const QString& leftCaption, const QStringList& left,
                         const QString& rightCaption, const QStringList& right) {
  leftCaption_->setText(leftCaption);
  rightCaption_->setText(rightCaption);
  result_->clear();
  for (auto [list, items] : {std::pair{left_, &left}, std::pair{right_, &right}}) {
    list->clear();
    list->addItems(*items);
    list->clearSelection();
    list->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
  }
  show();
  raise();
}

QString RelationPanel::result() const { return result_->text(); }

void RelationPanel::compose() {
  const QString left = selectedText(left_);
  const QString right = selectedText(right_);
  result_->setText(left.isEmpty() && right.isEmpty() ? QString()
                                                     : left + QStringLiteral("->") + right);
}

}  // namespace torvanel
