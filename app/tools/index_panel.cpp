#include "app/tools/index_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/common/gbk_string.h"

namespace torvanel {

namespace {

struct OptionBox {
  const char* caption;
  unsigned option;
};
constexpr OptionBox kOptionBoxes[5] = {
    {"主索引(Dbase不用)", tdb::ixPrimary},
    {"唯一值", tdb::ixUnique},
    {"降序", tdb::ixDescending},
    {"忽略大小写(Dbase不用)", tdb::ixCaseInsensitive},
    {"Expression(只Dbase用)", tdb::ixExpression},
};

}  // namespace

IndexPanel::IndexPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("indexPanel"));
  setFrameShape(QFrame::StyledPanel);
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("indexName"));
  available_ = new QListWidget(this);
  available_->setObjectName(QStringLiteral("available"));
  key_ = new QListWidget(this);
  key_->setObjectName(QStringLiteral("keyFields"));
  auto* add = new QPushButton(QStringLiteral(">>"), this);
  auto* remove = new QPushButton(QStringLiteral("<<"), this);
  connect(add, &QPushButton::clicked, this, [this] { moveChosen(available_, key_); });
  connect(remove, &QPushButton::clicked, this, [this] { moveChosen(key_, available_); });

  auto* optionGroup = new QGroupBox(QStringLiteral("索引选项:"), this);
  auto* optionLayout = new QVBoxLayout(optionGroup);
  for (int i = 0; i < 5; ++i) {
    options_[i] = new QCheckBox(QString::fromUtf8(kOptionBoxes[i].caption), optionGroup);
    optionLayout->addWidget(options_[i]);
  }
  confirm_ = new QPushButton(QStringLiteral(" 确认"), this);
  cancel_ = new QPushButton(QStringLiteral("取消"), this);

  auto* moves = new QVBoxLayout;
  moves->addStretch();
  moves->addWidget(add);
  moves->addWidget(remove);
  moves->addStretch();
  auto* lists = new QGridLayout;
  lists->addWidget(new QLabel(QStringLiteral("字段:"), this), 0, 0);
  lists->addWidget(new QLabel(QStringLiteral("索引字段:"), this), 0, 2);
  lists->addWidget(available_, 1, 0);
  lists->addLayout(moves, 1, 1);
  lists->addWidget(key_, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(confirm_);
  buttons->addWidget(cancel_);
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(new QLabel(QStringLiteral("索引文件名称:"), this));
  nameRow->addWidget(name_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(nameRow);
  layout->addLayout(lists, 1);
  layout->addWidget(optionGroup);
  layout->addLayout(buttons);
}

void IndexPanel::fill(const QStringList& fieldNames, const tdb::IndexDef* def) {
  available_->clear();
  key_->clear();
  name_->setText(def ? fromGbk(def->name) : QString());
  available_->addItems(fieldNames);
  if (def) {
    const QStringList key = indexKeyFields(*def);
    key_->addItems(key);
    // Every entry of a name the key holds leaves the list.
    for (const QString& k : key)
      for (int i = available_->count() - 1; i >= 0; --i)
        if (available_->item(i)->text() == k) delete available_->takeItem(i);
  }
  for (int i = 0; i < 5; ++i)
    options_[i]->setChecked(def && (def->options & kOptionBoxes[i].option));
}

IndexPanelInput IndexPanel::input() const {
  IndexPanelInput in;
  in.name = name_->text();
  for (int i = 0; i < key_->count(); ++i) in.keyFields << key_->item(i)->text();
  for (int i = 0; i < 5; ++i)
    if (options_[i]->isChecked()) in.options |= kOptionBoxes[i].option;
  return in;
}

void IndexPanel::moveChosen(QListWidget* from, QListWidget* to) {
  QListWidgetItem* chosen = from->currentItem();
  if (!chosen || !chosen->isSelected()) return;
  to->addItem(from->takeItem(from->row(chosen)));
}

}  // namespace torvanel
