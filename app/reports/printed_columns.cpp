#include "app/reports/printed_columns.h"

#include "app/common/gbk_string.h"
#include "engine/table.h"

namespace torvanel {

namespace {

PrintedColumn::Kind kindOf(const QString& name) {
  if (name == kPageRowNo) return PrintedColumn::Kind::PageRowNo;
  if (name == kGroupRowNo) return PrintedColumn::Kind::GroupRowNo;
  if (name == kTotalRowNo) return PrintedColumn::Kind::TotalRowNo;
  return PrintedColumn::Kind::Field;
}

}  // namespace

std::vector<PrintedColumn> printedColumns(const ReportTemplate& t, tdb::Table* table) {
  std::vector<PrintedColumn> printed;
  const auto& columns = t.grid.columns;
  for (int i = 1; i < static_cast<int>(columns.size()); ++i) {
    if (columns[i][kPrinted] != kChecked) continue;
    PrintedColumn c;
    c.grid = i;
    c.name = columns[i][kFieldName].trimmed();
    c.kind = kindOf(c.name);
    bool whole = false;
    const QString widthText = columns[i][kWidth].trimmed();
    c.width = widthText.toInt(&whole);
    if (!whole || c.width < 0 || c.width > kMostCells)
      throw ReportError(QStringLiteral("第%1列[%2]的打印宽度\"%3\"不是0到%4之间的整数")
                            .arg(i)
                            .arg(c.name, widthText)
                            .arg(kMostCells));
    if (table && c.kind == PrintedColumn::Kind::Field) {
      const tdb::Field* field = table->findField(gbkText(c.name));
      if (!field)
        throw ReportError(QStringLiteral("第%1列的字段[%2]在数据表中不存在").arg(i).arg(c.name));
      c.field = field->index();
    }
    printed.push_back(c);
  }
  return printed;
}

}  // namespace torvanel
