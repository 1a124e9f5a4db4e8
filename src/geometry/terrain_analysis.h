// Terrain analysis for the level-of-detail terrains: random height fields,
// the per-node roughness (error) map over the quadtree of the grid, and the
// scatter map of objects placed on rough nodes. Maps are width x height bytes,
// row-major; width and height are powers of two and coordinates wrap.
//
// Every function here checks the size itself: a side that is not a power of
// two from 2 to 4096 (kMinTerrainSide..kMaxTerrainSide), or a map shorter
// than width x height, makes no terrain (the output maps come back empty).
#pragma once

#include <cstdint>
#include <vector>

namespace glorbe {

inline constexpr int32_t kMinTerrainSide = 2;
inline constexpr int32_t kMaxTerrainSide = 4096;

// A side the quadtree can be built on: a power of two from 2 to 4096.
bool isTerrainSide(int32_t side);
bool isTerrainSize(int32_t width, int32_t height);

// One quadtree node: centre, half sizes and the error found there.
struct TerrainNode {
  int32_t cx = 0, cy = 0, hx = 0, hy = 0;
  uint8_t error = 0;
};

// Fills `heights` (resized to width x height) with a random terrain made by
// the texture generator, leaving the generator's layers set up for the
// terrain texture recipe. `displacement` is the script's real.
void makeRandomHeightMap(std::vector<uint8_t>& heights, int32_t width, int32_t height, float displacement);

// Layer 4 of the generator's workspace as heights: (r + g + b) / 3 per pixel,
// integer division. Empty when no workspace is set up.
void heightsFromGeneratorLayer(std::vector<uint8_t>& heights);

// Writes the largest edge error of every quadtree node at its centre in
// `errors` (resized to width x height; cells that centre no node are 0).
void computeTerrainErrors(const std::vector<uint8_t>& heights, std::vector<uint8_t>& errors, int32_t width,
                          int32_t height);
// The same, also listing every node in the order the walk visits it.
void computeTerrainErrors(const std::vector<uint8_t>& heights, std::vector<uint8_t>& errors, int32_t width,
                          int32_t height, std::vector<TerrainNode>& nodes);

// Clears `scatter` (resized to width x height) and marks rough nodes with a
// random object index, down to nodes of half size minHalfSize. The shift is
// held to 0..31 and a negative minHalfSize counts as 0; with no object to
// place (objectCount <= 0) every mark is 0.
void scatterTerrainObjects(const std::vector<uint8_t>& errors, std::vector<uint8_t>& scatter, int32_t width,
                           int32_t height, int32_t minHalfSize, int32_t shift, int32_t objectCount);

}  // namespace glorbe
