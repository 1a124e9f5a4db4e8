// The view through a scene's current camera, the lights placed along their
// tracks (or pulled by attractors) and projected to the screen, and the
// halos drawn around the lights at the end of the frame.
#pragma once

#include <cstdint>

#include "geometry/scene_records.h"

namespace glorbe {

void placeCamera(Scene& scene, int32_t tick);
void placeLights(Scene& scene, int32_t tick, int32_t elapsedTicks);
void drawLightHalos(Scene& scene, int32_t tick, int32_t elapsedTicks);
void drawHaloQuad(const SceneLight& light, const Vec3& up, const Vec3& right);

}  // namespace glorbe
