// The parts of the sprite, move-list and scene commands that depend only on
// the evaluated parameters: name matching, the warp phase, the refresh
// amount and the deformer arguments of OBJDISTORT.
#include "sequencer/timeline_commands.h"

#include <algorithm>
#include <cmath>

#include "geometry/maths.h"
#include "sequencer/timeline_numbers.h"

namespace glorbe {

bool nameContains(const std::string& targetName, const std::string& text) {
  return !text.empty() && targetName.find(text) != std::string::npos;
}

int32_t moveListWarpPhase(int32_t localTick, float speed) {
  const float wave = std::sin(static_cast<float>(localTick) * kPi * speed);
  return std::clamp(roundToInt32((static_cast<double>(wave) + 1.0) * 16383.5), 0, 32767);
}

int32_t refreshPixelCount(int32_t width, int32_t height, float amount) {
  return roundToInt32(static_cast<double>(width) * static_cast<double>(height) * static_cast<double>(amount));
}

DeformerCall objDistortArguments(const SceneObjDistortValues& v, int32_t localTick) {
  const float tau = static_cast<float>(localTick) * kPi;
  DeformerCall call;
  switch (v.style) {
    case -1:
      call.deformer = Deformer::Undo;
      break;
    case 0:
      call.deformer = Deformer::Wobble;
      call.args = {tau * v.ax,
                   tau * v.az,
                   tau * v.ay,
                   1 + std::sin(0.1f * tau * v.ax) * v.sx,
                   1 + std::sin(0.1f * tau * v.az) * v.sy,
                   1 + std::sin(0.1f * tau * v.ay) * v.sz,
                   0.3f};
      call.argCount = 7;
      break;
    case 1:
      call.deformer = Deformer::Twist;
      call.args = {std::sin(tau * v.ax) * kPi * v.sx,
                   std::sin(tau * v.az) * kPi * v.sy,
                   std::sin(tau * v.ay) * kPi * v.sz,
                   (std::cos(tau * v.ax) + 1) * v.sx * 0.5f,
                   (std::cos(tau * v.az) + 1) * v.sy * 0.5f,
                   (std::cos(tau * v.ay) + 1) * v.sz * 0.5f,
                   0};
      call.argCount = 6;
      break;
    case 2:
      call.deformer = Deformer::Bend;
      call.args = {std::sin(tau * v.ax) * v.sx, std::sin(tau * v.az) * v.sy, std::sin(tau * v.ay) * v.sz, 0, 0, 0, 0};
      call.argCount = 3;
      break;
    default:
      break;
  }
  return call;
}

}  // namespace glorbe
