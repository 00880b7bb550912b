#include "tests/reports/report_forms.h"

#include <QAbstractButton>

#include "app/reports/sheet_painter.h"
#include "tests/engine/table_fixture.h"

namespace torvanel::test {

void ReportForms::makeTable(int rows, int inA) {
  {
    tdb::Table t;
    tdb::test::point(t, wb.data, "sales.dbf", tdb::TableType::ttDBase);
    t.fieldDefs().add("NAME", tdb::FieldType::ftString, 10);
    t.fieldDefs().add("GRP", tdb::FieldType::ftString, 4);
    t.createTable();
  }
  for (int i = 1; i <= rows; ++i)
    tdb::test::addRecord(wb.data, "sales.dbf",
                         {{"NAME", tdb::Value::text("R" + std::to_string(i))},
                          {"GRP", tdb::Value::text(i <= inA ? "A" : "B")}},
                         tdb::TableType::ttDBase);
  tdb::test::point(table, wb.data, "sales.dbf", tdb::TableType::ttDBase);
  table.open();
}

ReportTemplate ReportForms::smallSheet(int across) const {
  ReportTemplate t = defaultTemplate();
  reconcileWithTable(t, table);
  t.paperType = 8;
  t.paperWidth = 100 * across;
  t.paperHeight = 60;
  t.tablesAcross = across;
  t.leftMargin = t.rightMargin = t.topMargin = t.bottomMargin = 10;
  t.sections[kPageFooter].text = QStringLiteral("第[PageNum]页");
  for (GridColumn& c : t.grid.columns) {
    if (c[kFieldName] == QStringLiteral("NAME")) c[kWidth] = QStringLiteral("4");
    c[kPrinted] = c[kFieldName] == QStringLiteral("NAME") ? kChecked : QString();
  }
  return t;
}

std::unique_ptr<ReportRun> ReportForms::calculated(const ReportTemplate& t) {
  auto run = std::make_unique<ReportRun>(t, table, 96);
  EXPECT_TRUE(run->calculate(kOpenRange, kOpenRange));
  return run;
}

QAbstractButton* ReportForms::button(QWidget* window, const QString& text) {
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
    if (b->text() == text && b->isVisible()) return b;
  ADD_FAILURE() << "no visible button " << text.toStdString();
  return nullptr;
}

QImage ReportForms::expectedSheet(const ReportTemplate& t, int first) {
  ReportRun second(t, table, 96);
  if (first == 0) return sheetImage(second.emptyLayout());
  second.calculate(kOpenRange, kOpenRange);
  return sheetImage(second.sheetFrom(first, static_cast<int>(second.pages().pages.size())));
}

}  // namespace torvanel::test
