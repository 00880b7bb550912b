#include "app/tools/filter_composer.h"

#include "app/windows/position_condition.h"
#include "app/windows/window_registry.h"

namespace torvanel {

QString conditionText(const QString& field, const QString& op, const QString& value,
                      bool stringField) {
  const QString open = QStringLiteral("(") + field + op;
  if (value.isEmpty()) {
    const QString null = open + QStringLiteral("null)");
    return stringField ? open + QStringLiteral("'')or") + null : null;
  }
  if (stringField) return open + QLatin1Char('\'') + value + QStringLiteral("')");
  return open + value + QLatin1Char(')');
}

QString queryStatusText(const QString& expression, const searchstru& condition) {
  if (!isComplete(condition)) return expression;
  return expression + QStringLiteral("[POS(") + condition.substr + QLatin1Char(',') +
         condition.fieldname + QLatin1Char(')') + condition.compop +
         QString::number(condition.position) + QLatin1Char(']');
}

}  // namespace torvanel
