// Stencil shadow volumes: for which lights an object's shadow is drawn this
// frame, which faces look at which light, and the extruded silhouette quads.
#pragma once

#include <cstdint>

#include "geometry/scene_records.h"
#include "render/scene_render.h"

namespace glorbe {

// Fill object.shadowLights for an object that passed view culling, or for
// one that did not (its projectedCorners come from the culling).
void testVisibleObjectShadows(SceneObject& object, const Scene& scene);
void testCulledObjectShadows(SceneObject& object, const Scene& scene);

// Bit 15 - i of each face's light bits: the face looks at light i.
void updateFaceLightBits(SceneObject& object, const Scene& scene, const LightLocalPositions& lightLocalPositions);

// The volumes of one object in its own space, for light `lightIndex`, or
// every light when it is negative.
void drawShadowVolumes(Scene& scene, int32_t objectIndex, const LightLocalPositions& lightLocalPositions,
                       int32_t highestIndex, int32_t lightIndex);

}  // namespace glorbe
