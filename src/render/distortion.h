// Object distortion: the live vertices (and normals) of an object rewritten
// from an undeformed vertex frame by a bend, a taper with three twists, or a
// radial wobble.
#pragma once

#include <cstdint>

#include "geometry/scene_records.h"

namespace glorbe {

void bendObject(SceneObject& object, int32_t frame, float a1, float a2, float a3);
void twistObject(SceneObject& object, int32_t frame, float w1, float w2, float w3, float tx, float ty, float tz);
void wobbleObject(SceneObject& object, int32_t frame, float phase1, float phase2, float phase3, float rate3,
                  float rate2, float rate1, float amount);

}  // namespace glorbe
