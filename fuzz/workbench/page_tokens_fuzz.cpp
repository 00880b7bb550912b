// Page tokens filled into arbitrary report texts with arbitrary field values. Filling must end,
// leave a text without "[" as it is, never expand a token that a value brings in, and print no
// line break or tab that a value holds.
//
// Input: the text, a 0 byte, then the value every bracketed name of up to 8 characters stands for.

#include <QString>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/reports/page_tokens.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvanel;
  const char* bytes = reinterpret_cast<const char*>(data);
  const auto* zero = static_cast<const char*>(std::memchr(bytes, 0, size));
  const qsizetype textSize = zero ? zero - bytes : static_cast<qsizetype>(size);
  const QString text = QString::fromUtf8(bytes, textSize);
  const QString value =
      zero ? QString::fromUtf8(zero + 1, static_cast<qsizetype>(size) - textSize - 1) : QString();

  TokenValues values;
  values.page = 7;
  values.pageCount = 12;
  values.grouped = size % 2 == 0;
  values.groupPage = 2;
  values.groupPageCount = 3;
  values.date = value;
  values.time = value;
  values.field = [&](const QString& name) -> std::optional<QString> {
    if (name.size() > 8) return std::nullopt;
    return value;
  };
  const QString filled = fillTokens(text, values);
  if (!text.contains(QLatin1Char('[')) && filled != text) abort();
  // Each "[" of the text yields at most one replacement: the output is bounded.
  const qsizetype most =
      text.size() + text.count(QLatin1Char('[')) * std::max<qsizetype>(value.size(), 2);
  if (filled.size() > most) abort();
  const qsizetype breaks = filled.count(QLatin1Char('\n')) + filled.count(QLatin1Char('\r')) +
                           filled.count(QLatin1Char('\t'));
  const qsizetype textBreaks =
      text.count(QLatin1Char('\n')) + text.count(QLatin1Char('\r')) + text.count(QLatin1Char('\t'));
  if (breaks > textBreaks) abort();
  return 0;
}
