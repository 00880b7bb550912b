#include "app/common/shown_text.h"

namespace torvanel {

QString shownText(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F)
      out += QStringLiteral("\\x") +
             QString::number(c.unicode(), 16).rightJustified(2, QLatin1Char('0')).toUpper();
    else
      out += c;
  }
  return out;
}

}  // namespace torvanel
