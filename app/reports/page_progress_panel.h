#pragma once

#include <QWidget>

#include "app/reports/page_calculation.h"

class QLabel;
class QProgressBar;

namespace torvanel {

// "正在生成页面,稍候...": the only sign of life while the page calculation walks the table.
class PageProgressPanel : public QWidget {
  Q_OBJECT
 public:
  explicit PageProgressPanel(QWidget* parent = nullptr);

  // A progress callback for calpage that moves this panel's bar and repaints it at once (the
  // walk holds the event loop, so nothing else repaints).
  ReportProgress reporter();

  QProgressBar* bar() const { return bar_; }

 private:
  QLabel* label_;
  QProgressBar* bar_;
};

}  // namespace torvanel
