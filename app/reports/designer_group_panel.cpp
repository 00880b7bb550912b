#include "app/reports/designer_group_panel.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/reports/report_template.h"

namespace torvanel {

DesignerGroupPanel::DesignerGroupPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("groupPanel"));
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);
  field_ = new QLabel(this);
  auto* range = new QGroupBox(QStringLiteral("请输入起始及终止字段内容："), this);
  start_ = new QLineEdit(range);
  start_->setObjectName(QStringLiteral("rangeStart"));
  end_ = new QLineEdit(range);
  end_->setObjectName(QStringLiteral("rangeEnd"));
  auto* rangeLayout = new QVBoxLayout(range);
  rangeLayout->addWidget(start_);
  rangeLayout->addWidget(end_);
  auto* all = new QPushButton(QStringLiteral("全部"), this);
  auto* confirm = new QPushButton(QStringLiteral("确认"), this);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(all);
  buttons->addWidget(confirm);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(field_);
  layout->addWidget(range);
  layout->addLayout(buttons);
  hide();

  connect(all, &QPushButton::clicked, this, [this] {
    hide();
    emit rangeChosen(kOpenRange, kOpenRange);
  });
  connect(confirm, &QPushButton::clicked, this, [this] {
    hide();
    emit rangeChosen(start_->text(), end_->text());
  });
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
}

void DesignerGroupPanel::open(const QString& field) {
  field_->setText(QStringLiteral("分组字段为:") + field);
  adjustSize();
  if (QWidget* p = parentWidget()) move((p->width() - width()) / 2, (p->height() - height()) / 2);
  show();
  raise();
}

}  // namespace torvanel
