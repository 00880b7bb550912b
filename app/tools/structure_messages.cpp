#include "app/tools/structure_messages.h"

#include <QStringList>

#include "engine/restructure.h"

namespace torvanel {

QString structureRefusal(const QString& reason) {
  QString text = QStringLiteral("字段类型或索引可能不适合此表,请修改!");
  if (!reason.isEmpty()) text += QLatin1Char('\n') + reason;
  return text;
}

QString lossQuestion(const tdb::CarryLosses& losses) {
  QStringList parts;
  if (losses.cleared > 0)
    parts << QStringLiteral("%1个值不能转换为新类型,将被清空").arg(losses.cleared);
  if (losses.shortened > 0)
    parts << QStringLiteral("%1个文字超出新宽度,将被截短").arg(losses.shortened);
  if (losses.dropped > 0)
    parts << QStringLiteral("%1个值没有对应的新字段,将被丢弃").arg(losses.dropped);
  return QStringLiteral("新结构不能保存全部原有数据:\n") + parts.join(QStringLiteral(";\n")) +
         QStringLiteral("\n继续吗?");
}

}  // namespace torvanel
