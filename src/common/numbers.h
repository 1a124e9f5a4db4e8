// Number helpers every layer shares: the float pi of the engine's angle
// arithmetic, round-to-nearest (ties to even) into integers, and unit values
// (0 to 1) as bytes. All results are defined for any input, NaN included.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace glorbe {

// Pi as a float, the value every angle, wave and rotation of the engine uses.
inline constexpr float kPi = 3.1415927f;

// Round to nearest, ties to even, into int32; NaN gives 0 and values outside
// the range give its nearer end.
inline int32_t roundToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::nearbyint(v));
}

// The same in extended precision.
inline int32_t roundToInt32(long double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0L) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0L) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::nearbyint(v));
}

// Round to nearest, ties to even, into [lo, hi]; NaN gives the bound nearer
// to 0 (0 itself when the range holds it).
inline int64_t roundIntoRange(double v, int64_t lo, int64_t hi) {
  if (std::isnan(v)) return std::clamp<int64_t>(0, lo, hi);
  if (v <= static_cast<double>(lo)) return lo;
  if (v >= static_cast<double>(hi)) return hi;
  return std::clamp<int64_t>(std::llrint(v), lo, hi);
}

// round(value x 255), ties to even, held to 0..255; NaN gives 0.
inline uint8_t unitToByte(long double value) {
  const long double scaled = value * 255.0L;
  if (!(scaled > 0.0L)) return 0;
  if (scaled >= 255.0L) return 255;
  return static_cast<uint8_t>(std::nearbyint(scaled));
}

}  // namespace glorbe
