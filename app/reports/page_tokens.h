#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace torvanel {

// What the page tokens of a report text stand for on one page.
struct TokenValues {
  int page = 0;       // [PageNum], from 1 over the report
  int pageCount = 0;  // [PageCou]
  bool grouped = false;
  int groupPage = 0;       // [GPageNum]; one blank when not grouped
  int groupPageCount = 0;  // [GPageCou]; one blank when not grouped
  QString date;            // [PrinDate], in the system's short date format
  QString time;            // [PrinTime], in the system's long time format
  // The display text of the field `name` in the page's first record, or nothing when the report
  // has no such field (its reference then stays as typed).
  std::function<std::optional<QString>(const QString& name)> field;
};

// `text` with every page token and field reference replaced, in one pass from left to right:
// what a replacement brings in (a record whose text looks like a token) is printed as it is,
// never expanded. An unknown bracketed text stays as typed. Case matters.
QString fillTokens(const QString& text, const TokenValues& values);

// The text as one printed line: CR, LF and TAB become blanks.
QString printableLine(QString text);

}  // namespace torvanel
