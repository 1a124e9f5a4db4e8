// The scene tables: every scene of every scene script in order of creation
// (the timeline and the renderer refer to scenes by their number) and every
// level-of-detail terrain. Filled once by the scene reader during loading;
// the timeline's commands and the renderer change their fields in place.
#pragma once

#include <vector>

#include "geometry/scene_records.h"

namespace glorbe {

struct SceneTables {
  std::vector<Scene> scenes;
  std::vector<LodTerrain> terrains;
};

extern SceneTables sceneTables;

// Empties both tables (start of loading, and tests).
void resetSceneTables();

}  // namespace glorbe
