// Soft bodies: every vertex a point mass, every edge a damped spring, moved
// in world space under gravity and drag and kept outside the other objects
// of the scene.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/scene_records.h"

namespace glorbe {

// `iterations` sub-steps of size h; mode 0 explicit Euler, 1 midpoint,
// 2 the four-stage scheme (whose step moves three quarters of a classic
// fourth-order one). Hidden objects, objects that were never set up and
// bodies frozen after a blow-up do nothing; other modes do nothing either.
// After every sub-step the box follows the vertices, after all of them the
// face and vertex normals. A sub-step that leaves a position or velocity
// that is not finite, or the body's box more than 8 times its size at
// set-up, has blown up: the body goes back to where it was before this
// call, at rest, and freezes (flexFrozen).
void stepFlexObject(Scene& scene, int32_t objectIndex, int32_t iterations, float h, int32_t mode);

// The broad phase of one force evaluation: the other objects whose boxes
// (widened by 0.1 of their extent on every side) overlap the body's box
// (widened by 0.2 of its extent), in scene order. Hidden objects, objects
// without a box and a terrain's mesh are never colliders.
void findFlexColliders(const Scene& scene, int32_t objectIndex, std::vector<int32_t>& colliders);

}  // namespace glorbe
