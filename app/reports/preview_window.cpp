#include "app/reports/preview_window.h"

#include "app/reports/report_run.h"

namespace torvanel {

struct TForm4::State {
  ReportRun* run = nullptr;
  int currentPage = 0;
};

TForm4::TForm4(QWidget* parent) : QDialog(parent), s_(std::make_unique<State>()) {
  setWindowTitle(QStringLiteral("预览页面"));
}

TForm4::~TForm4() = default;

void TForm4::previewReport(ReportRun& run, const QString&, const QString&, const QString&,
                           int currentPage) {
  s_->run = &run;
  s_->currentPage = currentPage;
  setWindowTitle(QStringLiteral("预览"));
  exec();
}

void TForm4::previewEmptyLayout(ReportRun& run, const QString&) {
  s_->run = &run;
  s_->currentPage = 0;
  setWindowTitle(QStringLiteral("空表预览"));
  exec();
}

int TForm4::currentPage() const { return s_->currentPage; }

}  // namespace torvanel
