#include "app/reports/page_tokens.h"

namespace torvanel {

namespace {

std::optional<QString> tokenValue(QStringView name, const TokenValues& v) {
  const auto groupNumber = [&](int n) {
    return v.grouped ? QString::number(n) : QStringLiteral(" ");
  };
  if (name == u"PageNum") return QString::number(v.page);
  if (name == u"PageCou") return QString::number(v.pageCount);
  if (name == u"GPageNum") return groupNumber(v.groupPage);
  if (name == u"GPageCou") return groupNumber(v.groupPageCount);
  if (name == u"PrinDate") return v.date;
  if (name == u"PrinTime") return v.time;
  if (v.field) return v.field(name.toString());
  return std::nullopt;
}

}  // namespace

QString fillTokens(const QString& text, const TokenValues& values) {
  QString out;
  out.reserve(text.size());
  qsizetype i = 0;
  while (i < text.size()) {
    const qsizetype open = text.indexOf(QLatin1Char('['), i);
    if (open < 0) break;
    out += QStringView(text).mid(i, open - i);
    const qsizetype close = text.indexOf(QLatin1Char(']'), open + 1);
    if (close < 0) {
      i = open;
      break;
    }
    // A "[" inside the brackets cannot belong to a token: the token starts at the last one.
    const qsizetype inner = text.lastIndexOf(QLatin1Char('['), close);
    out += QStringView(text).mid(open, inner - open);
    const std::optional<QString> value =
        tokenValue(QStringView(text).mid(inner + 1, close - inner - 1), values);
    if (value) {
      out += printableLine(*value);
      i = close + 1;
    } else {
      out += QLatin1Char('[');
      i = inner + 1;
    }
  }
  out += QStringView(text).mid(i);
  return out;
}

QString printableLine(QString text) {
  for (QChar& c : text)
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
      c = QLatin1Char(' ');
  return text;
}

}  // namespace torvanel
