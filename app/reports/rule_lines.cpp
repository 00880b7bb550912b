#include "app/reports/rule_lines.h"

namespace torvanel {

namespace {

struct BoxCharacters {
  QChar vertical, horizontal;
  QChar left[3], junction[3], right[3];  // by RuleKind
};

const BoxCharacters& boxCharacters(LineStyle style) {
  static const BoxCharacters thin = {
      u'│', u'─', {u'┌', u'├', u'└'}, {u'┬', u'┼', u'┴'}, {u'┐', u'┤', u'┘'}};
  static const BoxCharacters thick = {
      u'┃', u'━', {u'┏', u'┣', u'┗'}, {u'┳', u'╋', u'┻'}, {u'┓', u'┫', u'┛'}};
  static const BoxCharacters thinDashed = {
      u'┆', u'┄', {u'┌', u'├', u'└'}, {u'┬', u'┼', u'┴'}, {u'┐', u'┤', u'┘'}};
  static const BoxCharacters thickDashed = {
      u'┇', u'┅', {u'┏', u'┣', u'┗'}, {u'┳', u'╋', u'┻'}, {u'┓', u'┫', u'┛'}};
  switch (style) {
    case LineStyle::ThickSolid:
      return thick;
    case LineStyle::ThinDashed:
      return thinDashed;
    case LineStyle::ThickDashed:
      return thickDashed;
    default:
      return thin;
  }
}

}  // namespace

int rowCells(const std::vector<int>& widths) {
  int cells = 0;
  for (int w : widths)
    if (w > 0) cells += 1 + w;
  return cells == 0 ? 0 : cells + 1;
}

QString ruleLine(RuleKind kind, RuleStyle rules, LineStyle line, const std::vector<int>& widths) {
  if (rules == RuleStyle::VerticalOnly || rules == RuleStyle::None) return {};
  const BoxCharacters& box = boxCharacters(line);
  const int k = static_cast<int>(kind);
  const bool both = rules == RuleStyle::Both;
  QString result;
  for (int w : widths) {
    if (w <= 0) continue;
    result += !both ? box.horizontal : result.isEmpty() ? box.left[k] : box.junction[k];
    result += QString(w, box.horizontal);
  }
  if (!result.isEmpty()) result += both ? box.right[k] : box.horizontal;
  return result;
}

QString rowSeparator(RuleStyle rules, LineStyle line) {
  if (rules == RuleStyle::VerticalOnly || rules == RuleStyle::Both)
    return QString(boxCharacters(line).vertical);
  return {};
}

}  // namespace torvanel
