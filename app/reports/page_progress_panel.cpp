#include "app/reports/page_progress_panel.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <climits>

namespace torvanel {

PageProgressPanel::PageProgressPanel(QWidget* parent)
    : QWidget(parent),
      label_(new QLabel(QStringLiteral("正在生成页面,稍候..."), this)),
      bar_(new QProgressBar(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  bar_->setValue(0);
}

ReportProgress PageProgressPanel::reporter() {
  return [this](long done, long total) {
    // A progress bar counts in int; a bigger table is shown in proportion.
    const double scale = total > INT_MAX ? double(INT_MAX) / total : 1.0;
    bar_->setRange(0, static_cast<int>(total * scale));
    bar_->setValue(static_cast<int>(done * scale));
    if (isVisible()) repaint();
  };
}

}  // namespace torvanel
