// One scene drawn for one frame: ambient light, the eight GL lights and fog,
// the camera and the lights, the terrain, the opaque objects, the stencil
// shadows, the blended objects, the particles and the light halos. The
// simulations inside (soft bodies, particles, light attractors, halo fading)
// advance only when tick > previousTick.
#pragma once

#include <array>
#include <cstdint>

#include "geometry/scene_records.h"

namespace glorbe {

// The scene's light positions in one object's own space.
using LightLocalPositions = std::array<Vec3, kMaxSceneLights>;

void renderScene(Scene& scene, int32_t tick, int32_t previousTick);

Matrix transposeMatrix(const Matrix& m);
// M (x, y, z, 1) without the division by w.
Vec3 transformPoint(const Matrix& m, const Vec3& p);

}  // namespace glorbe
