#include "app/projects/formula_text.h"

#include <QRegularExpression>
#include <cmath>

#include "app/common/gbk_string.h"
#include "app/projects/project_definition.h"
#include "engine/convert.h"
#include "engine/field_defs.h"

namespace torvanel {

namespace {

const QString kOperators[] = {QStringLiteral("＋"), QStringLiteral("－"), QStringLiteral("×"),
                              QStringLiteral("÷")};

// The first "{n}": taken out of `text`, and the scale it gives when n is a whole number 0 to 12.
std::optional<double> takeRoundingSpec(QString& text) {
  const qsizetype open = text.indexOf(QLatin1Char('{'));
  const qsizetype close = text.indexOf(QLatin1Char('}'));
  if (open < 0 || close <= open) return std::nullopt;
  const QString inner = text.mid(open + 1, close - open - 1);
  text.remove(open, close - open + 1);
  static const QRegularExpression digits(QStringLiteral("^[0-9]{1,2}$"));
  if (!digits.match(inner).hasMatch()) return std::nullopt;
  const int places = inner.toInt();
  if (places > 12) return std::nullopt;
  return std::pow(10.0, places);
}

// Takes the first occurrence of `marker` out of `text`; false when there is none.
bool takeMarker(QString& text, const char* marker) {
  const qsizetype at = text.indexOf(QLatin1String(marker));
  if (at < 0) return false;
  text.remove(at, 2);
  return true;
}

// A date or time in the form the engine shows it, as a field of `type` would take it.
tdb::Value dateOrTime(const QString& text, tdb::FieldType type) {
  tdb::FieldDef def;
  def.name = "constant";
  def.type = type;
  try {
    return tdb::toFieldValue(tdb::Value::text(gbkText(text)), def);
  } catch (const std::exception&) {
    return {};
  }
}

// A decimal number: optional sign, digits with an optional fraction, an optional exponent;
// blanks before it only.
tdb::Value decimalNumber(const QString& text) {
  static const QRegularExpression form(
      QStringLiteral(R"(^ *[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?$)"));
  if (!form.match(text).hasMatch()) return tdb::Value::number(0);
  bool ok = false;
  const double d = text.trimmed().toDouble(&ok);
  return tdb::Value::number(ok && std::isfinite(d) ? d : 0);
}

FormulaOperand operandOf(const QString& text) {
  FormulaOperand operand;
  const qsizetype open = text.indexOf(QLatin1Char('('));
  const qsizetype close = text.indexOf(QLatin1Char(')'));
  if (open >= 0 && close > open) {
    operand.kind = FormulaOperand::Kind::Constant;
    operand.constant = constantValue(text.mid(open + 1, close - open - 1));
  } else if (text.contains(QLatin1Char('[')) && text.contains(QLatin1Char(']'))) {
    operand.kind = FormulaOperand::Kind::Auxiliary;
    FieldReference ref;
    operand.valid = parseFieldReference(text, ref);
    operand.database = ref.database;
    operand.table = ref.table;
    operand.field = gbkText(ref.field);
  } else {
    operand.field = gbkText(text);
  }
  return operand;
}

}  // namespace

tdb::Value constantValue(const QString& inner) {
  QString rest = inner;
  if (takeMarker(rest, "#d") || takeMarker(rest, "#D"))
    return dateOrTime(rest, tdb::FieldType::ftDate);
  if (takeMarker(rest, "#t") || takeMarker(rest, "#T"))
    return dateOrTime(rest, tdb::FieldType::ftTime);
  if (takeMarker(rest, "#s") || takeMarker(rest, "#S")) return tdb::Value::text(gbkText(rest));
  if (!takeMarker(rest, "#f")) takeMarker(rest, "#F");
  return decimalNumber(rest);
}

ParsedFormula parseFormula(const QString& text) {
  ParsedFormula parsed;
  QString rest = text;
  parsed.roundScale = takeRoundingSpec(rest);
  FormulaOperator pending = FormulaOperator::Add;
  qsizetype from = 0;
  while (from < rest.size()) {
    qsizetype cut = -1;
    int which = 0;
    for (int i = 0; i < 4; ++i) {
      const qsizetype at = rest.indexOf(kOperators[i], from);
      if (at >= 0 && (cut < 0 || at < cut)) {
        cut = at;
        which = i;
      }
    }
    const qsizetype end = cut < 0 ? rest.size() : cut;
    parsed.steps.push_back({pending, operandOf(rest.mid(from, end - from))});
    if (cut < 0) break;
    pending = static_cast<FormulaOperator>(which);
    from = cut + 1;
  }
  return parsed;
}

}  // namespace torvanel
