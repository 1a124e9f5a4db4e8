// Number conversions for values that come from timeline files: whatever a
// file holds (NaN, infinities, huge doubles), the result is defined.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "common/numbers.h"

namespace glorbe {

inline int32_t clampToInt32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// A double as a float: finite values beyond the float range become the
// largest float of their sign; NaN and infinities stay what they are.
inline float narrowToFloat(double v) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (std::isnan(v)) return std::numeric_limits<float>::quiet_NaN();
  if (std::isinf(v)) return v > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
  if (v > kMax) return std::numeric_limits<float>::max();
  if (v < -kMax) return -std::numeric_limits<float>::max();
  return static_cast<float>(v);
}

// Seconds to ticks: round(seconds x 60).
inline int32_t ticksFromSeconds(double seconds) { return roundToInt32(seconds * 60.0); }

}  // namespace glorbe
