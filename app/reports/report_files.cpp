#include "app/reports/report_files.h"

#include "app/common/table_names.h"
#include "app/reports/output_error.h"
#include "app/reports/report_run.h"
#include "app/reports/sheet_files.h"
#include "app/reports/template_file.h"
#include "engine/table.h"

namespace torvanel {

void writeReportFiles(const QString& programFolder, const QString& templatePath, tdb::Table& table,
                      const ReportFiles& files) {
  ReportTemplate t = templateForTable(programFolder, templatePath, table);
  const int across = t.tablesAcross;
  const QString logo = logoPath(programFolder, templatePath, tableText(table.tableName()));
  ReportRun run(std::move(t), table, files.layoutDpi, logo);
  if (!run.calculate(kOpenRange, kOpenRange)) throw OutputError(kNoPagesMessage);

  const int pageCount = static_cast<int>(run.pages().pages.size());
  const int from = files.ranged ? files.from : 1;
  const int to = files.ranged ? files.to : pageCount;
  if (from < 1 || to > pageCount || from > to)
    throw OutputError(QStringLiteral("页码范围[%1,%2]超出报表的页数: 报表共%3页")
                          .arg(from)
                          .arg(to)
                          .arg(pageCount));
  const int sheets = (to - from + across) / across;
  const SheetSource sheetAt = [&](int i) { return run.sheetFrom(from + i * across, to); };
  if (!files.pdf.isEmpty()) writeSheetsPdf(files.pdf, sheets, sheetAt);
  if (!files.pngFolder.isEmpty()) writeSheetsPng(files.pngFolder, sheets, to, sheetAt);
}

}  // namespace torvanel
