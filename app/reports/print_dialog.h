#pragma once

#include <QDialog>
#include <memory>

namespace torvanel {

class ReportRun;

// Which page ranges the print dialog offers: the empty layout's preview offers only its one
// sheet, a calculated report's preview all three, the report manager all but the current page.
enum class PrintRangeMode { CurrentPageOnly = 0, AllRanges = 1, NoCurrentPage = 2 };

// TForm5, the print dialog: choose a print queue of the system, or "PDF文件" to write the same
// sheets into a PDF file, the pages and the copies; every sheet is a print job of its own.
class TForm5 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm5(QWidget* parent = nullptr);
  ~TForm5() override;

  // Opens modally over the pages `run` has calculated (its empty layout when `currentPage` is 0),
  // offering the ranges of `mode`; `currentPage` is the page "打印当前页" prints. `run` must
  // outlive the call. Failures are told through the dialogs service. Returns the number of sheets
  // printed or written (0 when the user cancels or nothing could be printed).
  int printReport(ReportRun& run, PrintRangeMode mode, int currentPage = 0);

 private:
  // "打印": the chosen range on the chosen queue, or into the PDF file the user names.
  void printChosen();

  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace torvanel
