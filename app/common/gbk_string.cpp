#include "app/common/gbk_string.h"

#include "app/common/gbk_codec.h"

namespace torvanel {

QString fromGbk(const QByteArray& gbk) {
  const std::string utf8 = gbkToUtf8(std::string_view(gbk.constData(), gbk.size()));
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QByteArray toGbk(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  const std::string gbk = utf8ToGbk(std::string_view(utf8.constData(), utf8.size()));
  return QByteArray(gbk.data(), static_cast<qsizetype>(gbk.size()));
}

QString fromGbk(const std::string& gbk) { return QString::fromStdString(gbkToUtf8(gbk)); }

std::string gbkText(const QString& text) { return utf8ToGbk(text.toStdString()); }

}  // namespace torvanel
