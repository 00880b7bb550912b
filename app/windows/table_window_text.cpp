#include "app/windows/table_window_text.h"

#include "app/common/rounding.h"

namespace torvanel {

QString tableWindowCaption(const QString& database, const QString& table,
                           const QString& indexFieldNames, const QString& indexName) {
  const QString index = indexFieldNames.isEmpty() ? indexName : indexFieldNames;
  return QStringLiteral("数据表:[") + database + QStringLiteral("]") + table + QStringLiteral("(") +
         index + QStringLiteral(")");
}

QString unopenableTableText(const QString& table) {
  return table + QStringLiteral("不是有效数据表,不能打开!请检查数据表或索引文件.");
}

QString windowListEntry(int slot, const QString& caption) {
  return QStringLiteral("<") + QString::number(slot) + QStringLiteral("> ") + caption;
}

QString recordPositionText(long position, long count) {
  return QString::number(position) + QStringLiteral("/") + QString::number(count);
}

QString bufferStateText(bool cachedUpdates) {
  return cachedUpdates ? QStringLiteral("使用缓冲") : QStringLiteral("未用缓冲");
}

QRect tableWindowGeometry(int clientWidth, int clientHeight, int toolbarBandHeight, int slot) {
  const int left = clientWidth >= 100 * slot ? 100 * slot : 0;
  return QRect(left, 0, roundToInt(clientWidth / 2.0), clientHeight - toolbarBandHeight - 4);
}

}  // namespace torvanel
