#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QString>
#include <array>
#include <vector>

#include "app/reports/column_totals.h"
#include "app/reports/page_calculation.h"
#include "app/reports/report_fonts.h"
#include "app/reports/sheet.h"

namespace tdb {
class Table;
}

namespace torvanel {

// Lays out sheets of a report as display lists at one logical resolution: page header and footer,
// titles, then one band per table across, each with its head text, hand-drawn header, optional
// column-title row, the rows of its page between box-character rules, the page, group and grand
// total rows, empty rows up to the foot of the table, and its tail text; the logo last, over
// everything. Records are read by position; the table's current record never moves.
class PageComposer {
 public:
  // `t`, `table` (may be null: no records) and `printed` (printedColumns) must outlive the
  // composer. `dpi` is the layout's logical resolution.
  PageComposer(const ReportTemplate& t, tdb::Table* table, std::vector<PrintedColumn> printed,
               int dpi);

  // The page list and the totals the calculation made; both must outlive the composer.
  void setPages(const PageList* pages, ColumnTotals* totals);
  // The logo bitmap file (drawn when the template prints a logo and the file reads as a picture).
  void setLogoFile(const QString& path);
  // The moment [PrinDate] and [PrinTime] show.
  void setPrintedAt(const QDateTime& at) { printedAt_ = at; }

  // The table rows that fit under the fixed blocks of a page: the basis of the page calculation.
  int rowsThatFit();

  // The sheet whose first band shows page `firstPage` (from 1; 0 lays out the empty page with
  // texts as typed); bands after it show the following pages up to `lastPage`.
  Sheet compose(int firstPage, int lastPage);

 private:
  struct Band {
    int left = 0, right = 0;
    int page = 0;  // 0: the empty layout
  };
  enum class RowKind { Data, Empty, Title, PageTotal, GroupTotal, GrandTotal };

  Sheet layOut(int firstPage, int lastPage, int* rows);
  int composeBand(Sheet& sheet, const Band& band, int y);
  int lineout(Sheet& sheet, bool spacing, int section, const QString& text, int y, int right,
              int left) const;
  int rowout(Sheet& sheet, const Band& band, RowKind kind, int y, uint32_t record = 0,
             int rowOnPage = 0) const;
  int rule(Sheet& sheet, const Band& band, int kind, int y) const;
  QString cellText(const PrintedColumn& c, int printedIndex, const Band& band, RowKind kind,
                   uint32_t record, int rowOnPage) const;
  void addText(Sheet& sheet, const QString& text, int x, int top, int clipLeft, int clipRight,
               int bottom, const SectionFont& font) const;
  QString filled(const QString& text, int page) const;
  QString fieldText(uint32_t record, int field) const;
  int rowsUnder(int y) const;
  bool lastOfGroup(int page) const;
  void sumGroup(int group);
  void addLogo(Sheet& sheet);
  int px(int mm) const;

  const ReportTemplate& t_;
  tdb::Table* table_;
  std::vector<PrintedColumn> printed_;
  std::vector<int> widths_;
  QHash<QString, int> tokenFields_;  // bracketed names that stand for a field, and its index
  int dpi_;
  std::array<SectionFont, kSectionCount> fonts_;
  std::array<QString, 3> rules_;  // top, middle and bottom rule lines
  QString separator_;
  int width_ = 0, height_ = 0;  // the sheet
  int tailHeight_ = 0;          // the tail block under each band
  const PageList* pages_ = nullptr;
  ColumnTotals* totals_ = nullptr;
  int summedGroup_ = 0;  // the group whose sums the group totals hold
  QString logoFile_;
  QImage logo_;
  bool logoRead_ = false;
  bool measuring_ = false;  // laying out only to count the rows that fit
  QDateTime printedAt_ = QDateTime::currentDateTime();
};

}  // namespace torvanel
