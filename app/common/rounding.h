#pragma once

namespace torvanel {

// Rounds to the nearest integer; a value exactly half-way goes to the even neighbour
// (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Used wherever the system says a value is "rounded".
double roundHalfEven(double x);

// roundHalfEven as an int, for pixel positions and sizes.
int roundToInt(double x);

}  // namespace torvanel
