#include "app/common/table_ref.h"

namespace torvanel {

TableRef TableRef::parse(const QString& text) {
  TableRef ref;
  const qsizetype close = text.indexOf(QLatin1Char(']'));
  if (!text.startsWith(QLatin1Char('[')) || close < 0) return ref;
  ref.database = text.mid(1, close - 1);
  ref.table = text.mid(close + 1);
  return ref;
}

}  // namespace torvanel
