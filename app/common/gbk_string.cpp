#include "app/common/gbk_string.h"

#include <QList>

#include "app/common/gbk_codec.h"
#include "engine/engine_error.h"

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

std::string fieldGbk(const QString& text, const QString& field) {
  const std::string utf8 = text.toStdString();
  if (fitsGbk(utf8)) return utf8ToGbk(utf8);
  for (const char32_t c : text.toUcs4()) {
    const QString one = QString::fromUcs4(&c, 1);
    if (!fitsGbk(one.toStdString()))
      throw tdb::EngineError(QStringLiteral("字段[%1]中的字符[%2]数据表不能保存,请改用其他字符")
                                 .arg(field, one)
                                 .toStdString());
  }
  return utf8ToGbk(utf8);
}

}  // namespace torvanel
