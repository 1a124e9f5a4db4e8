// An object's animated transform multiplied onto the current GL matrix:
// parents first (found by name), then the object itself; or the exact
// inverse, which brings world positions into the object's own space.
#pragma once

#include <cstdint>

#include "geometry/scene_records.h"

namespace glorbe {

void applyObjectTransform(const Scene& scene, int32_t objectIndex, int32_t tick, bool withPivot, bool inverse);
void applyOwnTransform(const SceneObject& object, int32_t tick, bool withPivot, bool inverse);

}  // namespace glorbe
