// One object drawn with its transform already on the modelview matrix: view
// culling by its box, the shadow data of the frame, vertex frames, and the
// surface passes its flags choose (bump map, base texture, environment map,
// toon shading, silhouette). The GL state it changes is put back.
#pragma once

#include <cstdint>

#include "geometry/scene_records.h"
#include "render/scene_render.h"

namespace glorbe {

void drawSceneObject(SceneObject& object, Scene& scene, int32_t tick, const LightLocalPositions& lightLocalPositions,
                     int32_t highestIndex);

// The mesh through vertex arrays with glDrawElements; nothing when all three
// flags are false.
void drawArrays(SceneObject& object, bool useBumpCoords, bool useBaseCoords, bool draw);

}  // namespace glorbe
