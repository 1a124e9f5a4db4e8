// Terrain analysis for the level-of-detail terrains: random height fields,
// the per-node roughness (error) map over the quadtree of the grid, and the
// scatter map of objects placed on rough nodes. Maps are width x height bytes,
// row-major; width and height are powers of two and coordinates wrap.
#pragma once

#include <cstdint>
#include <vector>

namespace glorbe {

// Fills `heights` (resized to width x height) with a random terrain made by
// the texture generator, leaving the generator's layers set up for the
// terrain texture recipe. `displacement` is the script's real.
void makeRandomHeightMap(std::vector<uint8_t>& heights, int32_t width, int32_t height, float displacement);

// Writes the largest edge error of every quadtree node at its centre in
// `errors` (resized to width x height; cells that centre no node are 0).
void computeTerrainErrors(const std::vector<uint8_t>& heights, std::vector<uint8_t>& errors, int32_t width,
                          int32_t height);

// Clears `scatter` (resized to width x height) and marks rough nodes with a
// random object index, down to nodes of half size minHalfSize.
void scatterTerrainObjects(const std::vector<uint8_t>& errors, std::vector<uint8_t>& scatter, int32_t width,
                           int32_t height, int32_t minHalfSize, int32_t shift, int32_t objectCount);

}  // namespace glorbe
