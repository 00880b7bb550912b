#pragma once

#include <QString>
#include <optional>

#include "app/reports/page_calculation.h"
#include "app/reports/report_template.h"

namespace torvanel {

// Where the preview stands: the report page shown first on the sheet (0 for the layout without
// records), the report's page count and the pages on a sheet (the template's tables across).
struct PreviewPlace {
  int current = 0;
  int pageCount = 0;
  int across = 1;
};

// Which of the preview's navigation buttons can be used at `place`.
struct PreviewButtons {
  bool first = false, previous = false, next = false, last = false, goTo = false;
};
PreviewButtons previewButtons(const PreviewPlace& place);

// The status bar's page text: "空表预览", "页数:4/7", or with several pages on the sheet
// "页数:4-6/7".
QString pageStatus(const PreviewPlace& place);
// The grouped report's range ("分组字段:GRP 起始:A 结束:无") and the current page's place in its
// group ("当前组:2/3/A"); empty when the report is not grouped or shows no page.
QString groupRangeStatus(const ReportTemplate& t, const QString& rangeStart,
                         const QString& rangeEnd, const PreviewPlace& place);
QString currentGroupStatus(const ReportTemplate& t, const PageList& pages,
                           const PreviewPlace& place);

// The page the go-to box sends the preview to: its text as a number, where an empty, negative
// or unreadable text, or a page the report does not have, becomes 1.
int goToPage(const QString& typed, int pageCount);

// The zoom the zoom box's text asks for, when it is a whole number from 1 to 200.
std::optional<int> chosenZoom(const QString& text);
// The zoom that shows the whole page height in a view `viewHeight` pixels high (less a margin of
// 50), for a page `pageHeight` pixels high at 100; kept between 10 and 100 so that a tiny window
// or a huge paper still shows something readable.
int fittingZoom(int viewHeight, int pageHeight);

}  // namespace torvanel
