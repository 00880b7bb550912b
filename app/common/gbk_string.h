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

// The GBK bytes of text a user gave for the field named `field`. Throws tdb::EngineError naming
// the field and the first character that GBK cannot hold (an emoji, a rare character): stored,
// it would silently become '?'.
std::string fieldGbk(const QString& text, const QString& field);

}  // namespace torvanel
