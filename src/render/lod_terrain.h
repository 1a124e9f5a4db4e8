// Level-of-detail terrain: every frame the terrain's mesh object is rebuilt
// from the camera position over the grid's quadtree (split by distance and
// roughness, culled by view, closed with crack-free fans), then drawn with
// the objects placed on its split nodes.
#pragma once

#include <cstdint>

#include "geometry/scene_records.h"

namespace glorbe {

void drawLodTerrain(LodTerrain& terrain, int32_t tick, const SceneCamera& camera);

}  // namespace glorbe
