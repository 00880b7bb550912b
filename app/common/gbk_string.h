#pragma once

#include <QByteArray>
#include <QString>

namespace torvanel {

// GBK bytes to and from Qt's Unicode strings, through the one iconv-based codec.
QString fromGbk(const QByteArray& gbk);
QByteArray toGbk(const QString& text);

}  // namespace torvanel
