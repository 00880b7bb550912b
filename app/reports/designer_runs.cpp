// The report manager's commands that open other windows: the head and tail editor, the logo
// dialog, the empty-table preview, and the page calculation before preview and printing.

#include <QApplication>
#include <QComboBox>

#include "app/reports/designer_body_tab.h"
#include "app/reports/designer_head_tail_tab.h"
#include "app/reports/designer_page_tab.h"
#include "app/reports/head_tail_editor.h"
#include "app/reports/logo_dialog.h"
#include "app/reports/page_progress_panel.h"
#include "app/reports/preview_window.h"
#include "app/reports/print_dialog.h"
#include "app/reports/printed_columns.h"
#include "app/reports/report_manager.h"
#include "app/reports/report_run.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"

namespace torvanel {

void Tform2::editSection(int section) {
  if (!editor_->editSection(t_, static_cast<Section>(section), fields_)) return;
  changed();
  pageTab_->fill();
  headTailTab_->fill();
}

void Tform2::editLogo() {
  if (!logoDialog_->editLogo(t_, logoFile())) return;
  changed();
  pageTab_->fill();
}

void Tform2::previewEmpty() {
  try {
    ReportRun run(t_, window_->table(), logicalDpiY(), logoFile());
    preview_->previewEmptyLayout(run, box_->currentText());
  } catch (const ReportError& e) {
    dialogs().message(e.text());
  }
}

void Tform2::calculateAndThen(bool print) {
  try {
    ReportRun run(t_, window_->table(), logicalDpiY(), logoFile());
    progress_->adjustSize();
    progress_->move((width() - progress_->width()) / 2, (height() - progress_->height()) / 2);
    progress_->show();
    progress_->raise();
    progress_->repaint();  // the walk holds the event loop: this is the panel's one chance
    const bool pages = run.calculate(rangeStart_, rangeEnd_, progress_->reporter());
    progress_->hide();
    if (!pages) {
      dialogs().message(kNoPagesMessage);
      return;
    }
    if (print)
      printDialog_->printReport(run, PrintRangeMode::NoCurrentPage);
    else
      preview_->previewReport(run, box_->currentText(), rangeStart_, rangeEnd_, 1);
  } catch (const ReportError& e) {
    progress_->hide();
    dialogs().message(e.text());
  }
}

}  // namespace torvanel
