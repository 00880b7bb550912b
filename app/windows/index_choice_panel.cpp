#include "app/windows/index_choice_panel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/common/rounding.h"

namespace torvanel {

namespace {
// Below the tabs of the upper page control, so the page captions stay readable.
constexpr int kPanelTop = 30;
constexpr int kPanelWidth = 320;
}  // namespace

IndexChoicePanel::IndexChoicePanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("IndexChoicePanel"));
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);
  auto* caption = new QLabel(QStringLiteral("请选择索引文件:"), this);
  list_ = new QComboBox(this);
  list_->setEditable(false);
  confirm_ = new QPushButton(QStringLiteral("确认"), this);
  cancel_ = new QPushButton(QStringLiteral("取消"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(confirm_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption);
  layout->addWidget(list_);
  layout->addLayout(buttons);
  setFixedWidth(kPanelWidth);
  connect(confirm_, &QPushButton::clicked, this, &IndexChoicePanel::confirmed);
  connect(cancel_, &QPushButton::clicked, this, &QWidget::hide);
  hide();
}

void IndexChoicePanel::showCentred() {
  adjustSize();
  const int client = parentWidget() ? parentWidget()->width() : width();
  move(indexPanelLeft(client, width()), kPanelTop);
  show();
  raise();
  list_->setFocus();
}

int indexPanelLeft(int clientWidth, int panelWidth) {
  if (panelWidth >= clientWidth) return 0;
  return roundToInt((clientWidth - panelWidth) / 2.0);
}

}  // namespace torvanel
