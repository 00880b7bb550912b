#include "app/reports/print_run.h"

#include <QPainter>

#include "app/reports/output_error.h"
#include "app/reports/print_service.h"
#include "app/reports/sheet_files.h"
#include "app/reports/sheet_painter.h"

namespace torvanel {

namespace {

QString printerName(const QPrinter& printer) {
  if (printer.outputFormat() == QPrinter::PdfFormat) return printer.outputFileName();
  return printer.printerName();
}

[[noreturn]] void refuse(const QPrinter& printer, const QString& what) {
  throw OutputError(QStringLiteral("打印机[%1]%2").arg(printerName(printer), what));
}

}  // namespace

int printSheets(QPrinter& printer, const PrintRange& range, const SheetComposer& compose,
                const SheetStarting& starting) {
  printer.setFullPage(true);  // the sheet's own margins are drawn on it
  printer.setCopyCount(qMax(range.copies, 1));
  const int step = qMax(range.across, 1);
  int printed = 0;
  for (int current = range.first; current <= range.last; current += step) {
    if (starting && !starting(current)) break;
    const Sheet sheet = compose(current, range.last);
    if (!printer.setPageLayout(sheetPageLayout(sheet)))
      refuse(printer, QStringLiteral("不能使用%1x%2毫米的纸张")
                          .arg(sheet.paperWidthMm)
                          .arg(sheet.paperHeightMm));
    printer.setDocName(QStringLiteral("报表第%1页").arg(current));
    QPainter painter;
    if (!painter.begin(&printer)) refuse(printer, QStringLiteral("不能开始打印"));
    paintSheetOnDevice(painter, sheet);
    if (!painter.end() || printer.printerState() == QPrinter::Error ||
        printer.printerState() == QPrinter::Aborted)
      refuse(printer, QStringLiteral("打印失败"));
    if (printer.outputFormat() == QPrinter::NativeFormat) {
      const QString refusal = printServiceRefusal();
      if (!refusal.isEmpty()) refuse(printer, QStringLiteral("打印失败: ") + refusal);
    }
    ++printed;
  }
  return printed;
}

}  // namespace torvanel
