#pragma once

#include <QByteArray>
#include <QString>
#include <string>

namespace torvanel {

// GBK bytes to and from Qt's Unicode strings, through the one iconv-based codec.
QString fromGbk(const QByteArray& gbk);
QByteArray toGbk(const QString& text);
// The same for the engine's text, GBK bytes in a std::string.
QString fromGbk(const std::string& gbk);
std::string gbkText(const QString& text);

}  // namespace torvanel
