// Monotonic wall time for the sound layer's position interpolation and the
// no-sound output's clock.
#pragma once

#include <chrono>

namespace glorbe {

// Milliseconds since an arbitrary fixed point; never goes backwards.
inline double monotonicMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace glorbe
