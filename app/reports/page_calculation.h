#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "app/reports/column_totals.h"

namespace tdb {
class Table;
}

namespace torvanel {

// Which records go on which page. Record numbers are positions (from 1) in the table's current
// order and filter, counted from the table's first record even when a range starts later.
struct PageEntry {
  long first = 0, last = 0;
  int group = 0;        // from 1 in the group list; 0 when the report is not grouped
  int pageInGroup = 0;  // from 1; 0 when not grouped
};

struct GroupEntry {
  QString value;  // the group field's text
  long first = 0, last = 0;
  int pages = 0;
};

struct PageList {
  std::vector<PageEntry> pages;
  std::vector<GroupEntry> groups;
  int rowsPerPage = 0;  // record rows on a full page
  bool empty() const { return pages.empty(); }
};

// Told how far the walk is: `done` of `total` records.
using ReportProgress = std::function<void(long done, long total)>;

// Walks `table` once in its current order and filter and fixes the page list. `rowsThatFit` is
// the number of table rows under the page's fixed blocks (the composition's empty layout); a
// page total takes one of them. Grouped reports start a page at every change of the group field's
// text, from the group `rangeStart` to the group `rangeEnd` (kOpenRange: open on that side); a
// range needs the group field. Group and grand total rows are reserved on the page that prints
// them: when they would not fit, the page's last record moves to a page of its own. The grand
// sums go to `totals`. An empty list means no records in range, or a page too small for a row
// and the total rows it must carry. The table's current record does not move.
PageList calpage(const ReportTemplate& t, tdb::Table& table, int rowsThatFit,
                 const QString& rangeStart, const QString& rangeEnd, ColumnTotals& totals,
                 const ReportProgress& progress = {});

}  // namespace torvanel
