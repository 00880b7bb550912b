#include "app/reports/column_totals.h"

#include "app/common/number_text.h"
#include "engine/convert.h"
#include "engine/table.h"

namespace torvanel {

ColumnTotals::ColumnTotals(const ReportTemplate& t, const std::vector<PrintedColumn>& printed) {
  for (int kind = 0; kind < 3; ++kind) {
    sums_[kind].assign(printed.size(), 0.0);
    for (int i = 0; i < static_cast<int>(printed.size()); ++i) {
      const PrintedColumn& c = printed[i];
      if (c.kind == PrintedColumn::Kind::Field && c.field >= 0 &&
          t.grid.columns[c.grid][kPageSum + kind] == kChecked)
        summed_[kind].push_back({i, c.field});
    }
  }
}

void ColumnTotals::reset(TotalKind kind) { sums_[kind].assign(sums_[kind].size(), 0.0); }

void ColumnTotals::add(TotalKind kind, tdb::Table& table, uint32_t record) {
  for (const Summed& s : summed_[kind])
    sums_[kind][s.printedIndex] += totalValue(table.valueAt(record, s.field));
}

QString ColumnTotals::text(TotalKind kind, int printedIndex) const {
  for (const Summed& s : summed_[kind])
    if (s.printedIndex == printedIndex)
      return QString::fromStdString(shortestNumberText(sums_[kind][printedIndex]));
  return {};
}

double totalValue(const tdb::Value& value) {
  using Kind = tdb::Value::Kind;
  switch (value.kind()) {
    case Kind::Integer:
      return static_cast<double>(value.integerValue());
    case Kind::Double:
    case Kind::DateTime:
      return value.doubleValue();
    case Kind::Boolean:
      return value.booleanValue() ? 1 : 0;
    case Kind::Text: {
      double n = 0;
      return tdb::parseNumber(value.textValue(), n) ? n : 0;
    }
    default:
      return 0;
  }
}

}  // namespace torvanel
