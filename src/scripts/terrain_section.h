// The LODTERRAIN section's PARAM line: a scene (from a model file or empty)
// holding a level-of-detail terrain with its height, roughness and
// object-placement maps, its mesh object and its texture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glorbe {

// Terrain sides are powers of two from 2 to 4096: the quadtree halves them
// down to 1 and every coordinate wraps with side - 1 as a mask.
bool isTerrainSide(int32_t side);

// Reads one PARAM line of at least 14 values: appends a scene and, when the
// sides are usable, a terrain with its mesh object (and a material for a
// generated texture). Gives the new scene's number. `source` names the
// script in number-conversion errors.
int32_t addLodTerrain(const std::vector<std::string>& values, int count, const std::string& source);

}  // namespace glorbe
