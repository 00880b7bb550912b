#include "app/reports/print_dialog.h"

#include "app/reports/report_run.h"

namespace torvanel {

struct TForm5::State {
  ReportRun* run = nullptr;
};

TForm5::TForm5(QWidget* parent) : QDialog(parent), s_(std::make_unique<State>()) {
  setWindowTitle(QStringLiteral("打印"));
}

TForm5::~TForm5() = default;

int TForm5::printReport(ReportRun& run, PrintRangeMode, int) {
  s_->run = &run;
  exec();
  return 0;
}

}  // namespace torvanel
