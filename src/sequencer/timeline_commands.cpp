// The parts of the sprite and move-list commands that depend only on the
// evaluated parameters: the warp phase and the refresh amount.
#include "sequencer/timeline_commands.h"

#include <algorithm>
#include <cmath>

#include "geometry/maths.h"
#include "sequencer/timeline_numbers.h"

namespace glorbe {

int32_t moveListWarpPhase(int32_t localTick, float speed) {
  const float wave = std::sin(static_cast<float>(localTick) * kPi * speed);
  return std::clamp(roundToInt32((static_cast<double>(wave) + 1.0) * 16383.5), 0, 32767);
}

int32_t refreshPixelCount(int32_t width, int32_t height, float amount) {
  return roundToInt32(static_cast<double>(width) * static_cast<double>(height) * static_cast<double>(amount));
}

}  // namespace glorbe
