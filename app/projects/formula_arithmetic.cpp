#include "app/projects/formula_arithmetic.h"

#include <cmath>
#include <cstdint>

#include "app/common/rounding.h"
#include "engine/convert.h"

namespace torvanel {

namespace {

// 2^63: the first whole number a signed 64-bit integer cannot hold.
constexpr double kBeyond64 = 9223372036854775808.0;

std::optional<double> throughWhole(double scaled, double scale) {
  if (!std::isfinite(scaled)) return std::nullopt;
  const double whole = roundHalfEven(scaled);
  if (whole >= kBeyond64 || whole < -kBeyond64) return std::nullopt;
  return static_cast<double>(static_cast<int64_t>(whole)) / scale;
}

bool usableScale(double scale) { return std::isfinite(scale) && scale > 0; }

std::optional<tdb::Value> finiteNumber(std::optional<double> d) {
  if (!d || !std::isfinite(*d)) return std::nullopt;
  return tdb::Value::number(*d);
}

}  // namespace

std::optional<double> roundedAt(double x, double scale) {
  if (!usableScale(scale)) return std::nullopt;
  return throughWhole(scale * x, scale);
}

std::optional<tdb::Value> combine(const tdb::Value& g0, const tdb::Value& v0, FormulaOperator op,
                                  bool textTarget, double scale) {
  const tdb::Value none = textTarget ? tdb::Value::text({}) : tdb::Value::integer(0);
  const tdb::Value& g = g0.isNull() ? none : g0;
  const tdb::Value& v = v0.isNull() ? none : v0;
  if (op == FormulaOperator::Add && g.kind() == tdb::Value::Kind::Text &&
      v.kind() == tdb::Value::Kind::Text) {
    if (g.textValue().size() + v.textValue().size() > kLongestJoinedText) return std::nullopt;
    return tdb::Value::text(g.textValue() + v.textValue());
  }
  double a = 0, b = 0;
  try {
    a = tdb::toNumber(g);
    b = tdb::toNumber(v);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  switch (op) {
    case FormulaOperator::Add:
      return finiteNumber(a + b);
    case FormulaOperator::Subtract:
      return finiteNumber(a - b);
    case FormulaOperator::Multiply:
      if (!usableScale(scale)) return std::nullopt;
      return finiteNumber(throughWhole(scale * a * b, scale));
    case FormulaOperator::Divide:
      if (!usableScale(scale) || b == 0) return std::nullopt;
      return finiteNumber(throughWhole(scale * a / b, scale));
  }
  return std::nullopt;
}

}  // namespace torvanel
