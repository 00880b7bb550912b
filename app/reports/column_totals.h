#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "app/reports/printed_columns.h"

namespace tdb {
class Table;
class Value;
}  // namespace tdb

namespace torvanel {

enum TotalKind { kPageTotal, kGroupTotal, kGrandTotal };

// The page, group and grand sums of the printed columns that ask for them (a "√" in the column's
// sum row of that kind). A value that is no number counts as 0 and an empty one is 0: neither
// disturbs the sum.
class ColumnTotals {
 public:
  ColumnTotals() = default;
  ColumnTotals(const ReportTemplate& t, const std::vector<PrintedColumn>& printed);

  bool any(TotalKind kind) const { return !summed_[kind].empty(); }
  void reset(TotalKind kind);
  // Adds stored record `record` of `table` (as Table::recordAt gives it).
  void add(TotalKind kind, tdb::Table& table, uint32_t record);
  // The sum for the printed column at `printedIndex`, as the shortest decimal text (up to 15
  // significant digits); empty when that column has no sum of this kind.
  QString text(TotalKind kind, int printedIndex) const;

 private:
  struct Summed {
    int printedIndex;
    int field;
  };
  std::array<std::vector<Summed>, 3> summed_;
  std::array<std::vector<double>, 3> sums_;  // by printed column
};

// A value as a number for a total: numbers and booleans as they are, dates as day numbers, text
// when it reads as a decimal number; anything else (and an empty value) 0.
double totalValue(const tdb::Value& value);

}  // namespace torvanel
