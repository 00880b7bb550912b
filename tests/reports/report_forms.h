#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <memory>

#include "app/reports/report_run.h"
#include "tests/windows/workbench.h"

class QAbstractButton;
class QDialog;

namespace torvanel::test {

// The report windows' tests: the workbench (its user and scripted dialogs), a table sales.dbf of
// NAME C(10) "R1".."Rn" and GRP C(4), open in a cursor of the test's own, and a small sheet
// (100 x 60 mm, margins 10) at 96 dpi on which a page holds five rows, with the page number in
// its footer.
class ReportForms : public ::testing::Test {
 protected:
  // Makes the table: `rows` records, the first `inA` in group "A", the rest in "B".
  void makeTable(int rows, int inA = 0);
  ReportTemplate smallSheet(int across = 1) const;
  // A report over the table, calculated over every group.
  std::unique_ptr<ReportRun> calculated(const ReportTemplate& t);

  // The visible button of `window` whose text is `text` (tool buttons and push buttons alike);
  // nullptr and a failure when there is none.
  static QAbstractButton* button(QWidget* window, const QString& text);
  // The sheet starting at report page `first` composed afresh by a second report over the same
  // table, drawn at 100: what the preview must show for that page.
  QImage expectedSheet(const ReportTemplate& t, int first);

  Workbench wb;
  tdb::Table table;
};

}  // namespace torvanel::test
