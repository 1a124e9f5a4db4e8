// Soft bodies: every vertex a point mass, every edge a damped spring, moved
// in world space under gravity and drag and kept outside the other objects
// of the scene.
#pragma once

#include <cstdint>

#include "geometry/scene_records.h"

namespace glorbe {

// `iterations` sub-steps of size h; mode 0 explicit Euler, 1 midpoint,
// 2 the four-stage scheme. Hidden objects do nothing.
void stepFlexObject(Scene& scene, int32_t objectIndex, int32_t iterations, float h, int32_t mode);

}  // namespace glorbe
