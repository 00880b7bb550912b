#include "app/shell/toolbar_band.h"

#include <QComboBox>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/shell/window_list_layout.h"

namespace torvanel {

ToolbarBand::ToolbarBand(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ToolbarBand"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  breakRow();
  // Not in the layout: the window list sits at a fixed place over the first row.
  windowList_ = new QComboBox(this);
  windowList_->setObjectName(QStringLiteral("WindowList"));
  windowList_->hide();
}

void ToolbarBand::addButton(QAction* action) { rows_.back()->addAction(action); }

void ToolbarBand::addSeparator() { rows_.back()->addSeparator(); }

void ToolbarBand::breakRow() {
  auto* row = new QToolBar(this);
  row->setObjectName(QStringLiteral("ToolbarRow%1").arg(rows_.size() + 1));
  row->setMovable(false);
  row->setFloatable(false);
  row->setIconSize(QSize(20, 20));
  row->setToolButtonStyle(Qt::ToolButtonIconOnly);
  static_cast<QVBoxLayout*>(layout())->addWidget(row);
  rows_ << row;
}

void ToolbarBand::placeWindowList(const WindowListPlacement& p) {
  if (!p.visible) {
    windowList_->setFixedWidth(0);
    windowList_->hide();
    return;
  }
  windowList_->setFixedWidth(p.width);
  windowList_->move(p.left, p.top);
  windowList_->show();
  windowList_->raise();
}

}  // namespace torvanel
