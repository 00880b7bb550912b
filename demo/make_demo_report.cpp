// Writes the demo's report template for ORDERS.DBF, ORDERS.ts0, into the program folder when it is
// missing, so that a report can be previewed and written (`torvanel --report`) out of the box. The
// template goes through the workbench's own template writer, so it is always one the program reads.

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

#include "app/common/file_error.h"
#include "app/reports/report_run.h"
#include "app/reports/template_file.h"
#include "engine/engine_error.h"
#include "engine/table.h"

using namespace torvanel;

namespace {

// A titled table of the orders under a column-title row, with the quantity and price summed on
// every page and over the whole report.
void arrangeOrders(ReportTemplate& t) {
  t.sections[kMainTitle].text = QStringLiteral("订单明细表");
  t.sections[kMainTitle].size = 16;
  t.sections[kMainTitle].bold = true;
  t.sections[kMainTitle].alignment = TextAlignment::Centre;
  t.sections[kPageHeader].text = QStringLiteral("打印日期：[PrinDate]");
  t.sections[kPageHeader].alignment = TextAlignment::Right;
  t.sections[kPageFooter].text = QStringLiteral("第[PageNum]页，共[PageCou]页");
  t.sections[kPageFooter].alignment = TextAlignment::Centre;
  t.pageTotals = true;
  t.grandTotals = true;
  t.defaultHeader = true;
  const QStringList printed = {kTotalRowNo, "ORDERNO", "CUSTNO", "ITEM", "QTY", "PRICE", "ORDERED"};
  const QStringList titles = {"序号", "订单号", "客户号", "商品", "数量", "单价", "订货日期"};
  for (size_t i = 1; i < t.grid.columns.size(); ++i) {  // column 0 holds the row captions
    GridColumn& c = t.grid.columns[i];
    const QString& name = c[kFieldName];
    const qsizetype at = printed.indexOf(name);
    c[kPrinted] = at >= 0 ? kChecked : QString();
    if (at >= 0) c[kTitle] = titles[at];
    if (name == "QTY" || name == "PRICE") c[kPageSum] = c[kGrandSum] = kChecked;
    if (name == kTotalRowNo) {
      c[kWidth] = QStringLiteral("8");  // room for the labels of the total rows
      c[kPageLabel] = QStringLiteral("本页合计");
      c[kGrandLabel] = QStringLiteral("总计");
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::fputs("usage: make_demo_report PROGRAM_FOLDER\n", stderr);
    return 2;
  }
  QString folder = QString::fromLocal8Bit(argv[1]);
  if (!folder.endsWith('/')) folder += '/';
  const QString path = templatePath(folder, "ORDERS.ts0");
  if (QFileInfo::exists(path)) return 0;  // the user's own changes stay
  try {
    tdb::Table orders;
    orders.setDatabaseName((folder + "demo/").toStdString());
    orders.setTableName("ORDERS.DBF");
    orders.open();
    ReportTemplate t = defaultTemplate();
    reconcileWithTable(t, orders);
    arrangeOrders(t);
    writeTemplateFile(path, t);
  } catch (const tdb::EngineError& e) {
    std::fprintf(stderr, "make_demo_report: %s\n", e.what());
    return 1;
  } catch (const FileError& e) {
    std::fprintf(stderr, "make_demo_report: %s\n", e.text().toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
