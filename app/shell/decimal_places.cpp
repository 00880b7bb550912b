#include "app/shell/decimal_places.h"

namespace torvanel {

int askDecimalPlaces(Dialogs& dialogs, int currentPlaces) {
  QString text = QString::number(currentPlaces);
  for (;;) {
    text = dialogs.inputBox(QStringLiteral("设置公式计算时的小数位数:"),
                            QStringLiteral("小数位数:0--12位"), text);
    bool ok = false;
    const int places = text.trimmed().toInt(&ok);
    if (!ok)
      dialogs.message(QStringLiteral("小数位数不是有效整数，请重输!"));
    else if (places < 0 || places > 12)
      dialogs.message(QStringLiteral("小数位数超界，请重输!"));
    else
      return places;
  }
}

}  // namespace torvanel
