// The part of OBJDISTORT that depends only on the evaluated parameters: which
// deformer a style runs and with what arguments at a local tick.
#include "render/scene_commands.h"

#include <cmath>

#include "geometry/maths.h"

namespace glorbe {

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
