// The LODTERRAIN section's PARAM line: a scene (from a model file or empty)
// holding a level-of-detail terrain with its height, roughness and
// object-placement maps, its mesh object and its texture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Which sides make a terrain (isTerrainSide) is the terrain analysis's rule.
#include "geometry/terrain_analysis.h"

namespace glorbe {

// Reads one PARAM line of at least 14 values: appends a scene and, when the
// sides are usable, a terrain with its mesh object (and a material for a
// generated texture). Gives the new scene's number. `source` names the
// script in number-conversion errors.
int32_t addLodTerrain(const std::vector<std::string>& values, int count, const std::string& source);

}  // namespace glorbe
