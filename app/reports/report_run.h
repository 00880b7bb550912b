#pragma once

#include <QDateTime>
#include <QString>
#include <memory>

#include "app/reports/page_calculation.h"
#include "app/reports/page_composer.h"
#include "app/reports/sheet.h"

namespace tdb {
class Table;
}

namespace torvanel {

// What the user is told when a calculation gives no pages.
extern const QString kNoPagesMessage;

// One report over one open table, the single entry for preview, printing and scripts:
//
//   ReportRun run(templateForTable(folder, "orders.ts0", table), table, 96, logo);
//   if (!run.calculate(from, to, progress)) show(kNoPagesMessage);
//   for (int n = 1; n <= run.sheetCount(); ++n) draw(run.sheet(n));
//
// The table must stay open while the run lives; its current record never moves. Records the
// table lost after the calculation are left out of their page, never read.
class ReportRun {
 public:
  // Checks every printed column first: throws ReportError naming the column whose width is no
  // whole number or whose field the table lacks, before anything is calculated or drawn.
  // `logoFile` is the template's logo bitmap (logoPath); `dpi` the layout's resolution.
  ReportRun(ReportTemplate t, tdb::Table& table, int dpi, const QString& logoFile = {});
  ~ReportRun();

  // The page calculation from group `rangeStart` to group `rangeEnd` (kOpenRange: open on that
  // side); false when it gives no pages. Replaces any earlier calculation.
  bool calculate(const QString& rangeStart, const QString& rangeEnd,
                 const ReportProgress& progress = {});

  const ReportTemplate& reportTemplate() const { return t_; }
  const PageList& pages() const { return pages_; }
  // Sheets: one per tables-across pages.
  int sheetCount() const;
  // Sheet `n` (from 1), showing its pages up to the last page of the report. Throws ReportError
  // for a sheet the report does not have.
  Sheet sheet(int n);
  // The sheet whose first band shows page `firstPage`, its later bands the pages after it up to
  // `lastPage`: a print run's sheets over a range of pages.
  Sheet sheetFrom(int firstPage, int lastPage);
  // The page as laid out with no records: texts as typed, empty rows.
  Sheet emptyLayout();
  // The moment [PrinDate] and [PrinTime] show; now by default.
  void setPrintedAt(const QDateTime& at);

 private:
  ReportTemplate t_;
  tdb::Table& table_;
  ColumnTotals totals_;
  PageList pages_;
  std::unique_ptr<PageComposer> composer_;
};

// The template in `templateFile` (a name without a folder lies in `programFolder`, ending in
// '/'), reconciled with the fields of `table`. Throws FileError when it cannot be read, a
// missing file included.
ReportTemplate templateForTable(const QString& programFolder, const QString& templateFile,
                                const tdb::Table& table);

// reconcile() with the fields of the open `table`: text fields bring their width in characters,
// the others the default.
void reconcileWithTable(ReportTemplate& t, const tdb::Table& table);

}  // namespace torvanel
