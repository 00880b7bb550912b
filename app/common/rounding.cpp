#include "app/common/rounding.h"

#include <cmath>

namespace torvanel {

double roundHalfEven(double x) {
  if (!std::isfinite(x)) return x;
  const double floor = std::floor(x);
  const double diff = x - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

int roundToInt(double x) { return static_cast<int>(roundHalfEven(x)); }

}  // namespace torvanel
