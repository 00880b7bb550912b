#include "app/reports/page_calculation.h"

#include <algorithm>
#include <optional>
#include <string>

#include "app/common/gbk_string.h"
#include "app/common/rounding.h"
#include "engine/convert.h"
#include "engine/table.h"

namespace torvanel {

namespace {

// Moves the last record of every page that carries a group or grand total row but has no room
// left for it onto a page of its own, so total rows are never pushed below the page's foot.
void reserveTotalRows(const ReportTemplate& t, PageList& list) {
  const int groupRow = t.grouped() && t.groupTotals ? 1 : 0;
  const int grandRow = t.grandTotals ? 1 : 0;
  std::vector<PageEntry> pages;
  pages.reserve(list.pages.size() + list.groups.size() + 1);
  for (size_t i = 0; i < list.pages.size(); ++i) {
    const PageEntry& page = list.pages[i];
    const bool lastOfReport = i + 1 == list.pages.size();
    const bool lastOfGroup = lastOfReport || list.pages[i + 1].group != page.group;
    const int reserved = (lastOfGroup ? groupRow : 0) + (lastOfReport ? grandRow : 0);
    if (page.last - page.first + 1 <= list.rowsPerPage - reserved) {
      pages.push_back(page);
      continue;
    }
    PageEntry moved = page;
    moved.first = page.last;
    if (page.group > 0) {
      moved.pageInGroup = page.pageInGroup + 1;
      ++list.groups[page.group - 1].pages;
    }
    pages.push_back(page);
    pages.back().last = page.last - 1;
    pages.push_back(moved);
  }
  list.pages = std::move(pages);
}

}  // namespace

PageList calpage(const ReportTemplate& t, tdb::Table& table, int rowsThatFit,
                 const QString& rangeStart, const QString& rangeEnd, ColumnTotals& totals,
                 const ReportProgress& progress) {
  PageList list;
  totals.reset(kGrandTotal);
  list.rowsPerPage = rowsThatFit - (t.pageTotals ? 1 : 0);
  const int reserved = (t.grouped() && t.groupTotals ? 1 : 0) + (t.grandTotals ? 1 : 0);
  if (list.rowsPerPage - reserved < 1) return list;
  const long total = table.recordCount();
  if (total == 0) return list;

  int groupField = -1;
  tdb::FieldType groupType = tdb::FieldType::ftUnknown;
  if (const tdb::Field* f =
          t.groupField.isEmpty() ? nullptr : table.findField(gbkText(t.groupField))) {
    groupField = f->index();
    groupType = f->dataType();
  }
  const auto groupText = [&](uint32_t record) {
    return tdb::displayText(table.valueAt(record, groupField), groupType);
  };
  const long step = std::max<long>(roundToInt(total / 5.0), 10);
  const auto tell = [&](long n) {
    if (progress && n % step == 0) progress(n, total);
  };

  long n = 0;  // records passed so far; the record at n + 1 is next
  if (rangeStart != kOpenRange) {
    if (groupField < 0) return list;
    const std::string start = gbkText(rangeStart);
    for (;; ++n) {
      const uint32_t r = table.recordAt(n + 1);
      if (r == 0) return list;
      if (groupText(r) == start) break;
      tell(n);
    }
  }

  const bool grouped = t.grouping && groupField >= 0;
  const std::optional<std::string> end =
      rangeEnd == kOpenRange ? std::nullopt : std::optional(gbkText(rangeEnd));
  std::optional<std::string> previous;
  tdb::Value previousValue;  // the stored value behind `previous`: equal values show equal text
  int rowsOnPage = 0, group = 0, pageInGroup = 0;
  bool newPage = true;
  for (uint32_t r; (r = table.recordAt(n + 1)) != 0;) {
    tell(n);
    ++n;
    ++rowsOnPage;
    if (grouped) {
      tdb::Value value = table.valueAt(r, groupField);
      if (!previous || !(value == previousValue)) {
        std::string text = tdb::displayText(value, groupType);
        previousValue = std::move(value);
        if (text != previous) {
          if (end && previous == end) break;  // the last group of the range is complete
          list.groups.push_back({fromGbk(text), n, n, 0});
          previous = std::move(text);
          ++group;
          pageInGroup = 1;
          newPage = true;
        }
      }
    }
    if (newPage) {
      rowsOnPage = 1;
      list.pages.push_back({n, n, group, pageInGroup});
    }
    list.pages.back().last = n;
    if (grouped) {
      list.groups.back().last = n;
      list.groups.back().pages = pageInGroup;
    }
    newPage = rowsOnPage >= list.rowsPerPage;
    if (newPage && grouped) ++pageInGroup;
    if (t.grandTotals) totals.add(kGrandTotal, table, r);
  }
  if (progress) progress(n, total);
  reserveTotalRows(t, list);
  return list;
}

}  // namespace torvanel
