// Terrain analysis: the random height field, the error map over the grid's
// quadtree and the scatter of objects on rough nodes. Depends on the texture
// generator (the height field is one of its recipes) and the general random
// source.
#include "geometry/terrain_analysis.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "common/random_source.h"
#include "textures/texture_generator.h"

namespace glorbe {

bool isTerrainSide(int32_t side) {
  return side >= kMinTerrainSide && side <= kMaxTerrainSide && std::has_single_bit(static_cast<uint32_t>(side));
}

bool isTerrainSize(int32_t width, int32_t height) { return isTerrainSide(width) && isTerrainSide(height); }

namespace {

size_t cellCount(int32_t width, int32_t height) { return static_cast<size_t>(width) * static_cast<size_t>(height); }

// Sizes and maps fit together: the sides are terrain sides and `map` holds
// at least width x height bytes.
bool fits(const std::vector<uint8_t>& map, int32_t width, int32_t height) {
  return isTerrainSize(width, height) && map.size() >= cellCount(width, height);
}

// Wrapped reads of a width x height byte map.
struct GridReader {
  const uint8_t* cells;
  int32_t width, widthMask, heightMask;
  int32_t at(int32_t x, int32_t y) const { return cells[(x & widthMask) + (y & heightMask) * width]; }
};

struct ErrorWalk {
  GridReader heights;
  uint8_t* errors;
  std::vector<TerrainNode>* nodes;

  void visit(int32_t cx, int32_t cy, int32_t hx, int32_t hy) {
    const GridReader& h = heights;
    const int32_t top = std::abs(((h.at(cx - hx, cy - hy) + h.at(cx + hx, cy - hy)) >> 1) - h.at(cx, cy - hy));
    const int32_t right = std::abs(((h.at(cx + hx, cy - hy) + h.at(cx + hx, cy + hy)) >> 1) - h.at(cx + hx, cy));
    const int32_t bottom = std::abs(((h.at(cx - hx, cy + hy) + h.at(cx + hx, cy + hy)) >> 1) - h.at(cx, cy + hy));
    const int32_t left = std::abs(((h.at(cx - hx, cy + hy) + h.at(cx - hx, cy - hy)) >> 1) - h.at(cx - hx, cy));
    const auto error = static_cast<uint8_t>(std::max({top, right, bottom, left}));
    errors[(cx & h.widthMask) + (cy & h.heightMask) * h.width] = error;
    if (nodes != nullptr) nodes->push_back(TerrainNode{cx, cy, hx, hy, error});
    if (hx == 1 || hy == 1) return;
    const int32_t qx = hx / 2, qy = hy / 2;
    visit(cx - qx, cy - qy, qx, qy);
    visit(cx - qx, cy + qy, qx, qy);
    visit(cx + qx, cy + qy, qx, qy);
    visit(cx + qx, cy - qy, qx, qy);
  }
};

struct ScatterWalk {
  GridReader errors;
  uint8_t* scatter;
  int32_t minHalfSize, shift, objectCount;

  void visit(int32_t cx, int32_t cy, int32_t hx, int32_t hy) {
    if ((errors.at(cx, cy) >> shift) > 1 && randomBelow(3) > 0) {
      scatter[(cx & errors.widthMask) + (cy & errors.heightMask) * errors.width] =
          static_cast<uint8_t>(randomBelow(objectCount));
    }
    // Half sizes reach 0 at the latest below nodes of half size 1, and
    // minHalfSize is at least 0, so the walk always ends.
    if (minHalfSize >= hx || minHalfSize >= hy) return;
    const int32_t qx = hx / 2, qy = hy / 2;
    visit(cx - qx, cy - qy, qx, qy);
    visit(cx - qx, cy + qy, qx, qy);
    visit(cx + qx, cy + qy, qx, qy);
    visit(cx + qx, cy - qy, qx, qy);
  }
};

void computeErrors(const std::vector<uint8_t>& heights, std::vector<uint8_t>& errors, int32_t width, int32_t height,
                   std::vector<TerrainNode>* nodes) {
  if (!fits(heights, width, height)) {
    errors.clear();
    return;
  }
  errors.assign(cellCount(width, height), 0);
  ErrorWalk walk{GridReader{heights.data(), width, width - 1, height - 1}, errors.data(), nodes};
  walk.visit(width / 2, height / 2, width / 2, height / 2);
}

}  // namespace

void makeRandomHeightMap(std::vector<uint8_t>& heights, int32_t width, int32_t height, float displacement) {
  if (!isTerrainSize(width, height)) {
    heights.clear();
    return;
  }
  beginGeneratedTexture(width, height);
  paintRandomHeightLayers(displacement);
  heightsFromGeneratorLayer(heights);
}

void heightsFromGeneratorLayer(std::vector<uint8_t>& heights) {
  const uint8_t* rgb = texLayer(kTexOutputLayer);
  if (rgb == nullptr) {
    heights.clear();
    return;
  }
  heights.resize(cellCount(texGenerator.width, texGenerator.height));
  for (uint8_t& h : heights) {
    h = static_cast<uint8_t>((rgb[0] + rgb[1] + rgb[2]) / 3);
    rgb += 3;
  }
}

void computeTerrainErrors(const std::vector<uint8_t>& heights, std::vector<uint8_t>& errors, int32_t width,
                          int32_t height) {
  computeErrors(heights, errors, width, height, nullptr);
}

void computeTerrainErrors(const std::vector<uint8_t>& heights, std::vector<uint8_t>& errors, int32_t width,
                          int32_t height, std::vector<TerrainNode>& nodes) {
  nodes.clear();
  computeErrors(heights, errors, width, height, &nodes);
}

void scatterTerrainObjects(const std::vector<uint8_t>& errors, std::vector<uint8_t>& scatter, int32_t width,
                           int32_t height, int32_t minHalfSize, int32_t shift, int32_t objectCount) {
  if (!fits(errors, width, height)) {
    scatter.clear();
    return;
  }
  scatter.assign(cellCount(width, height), 0);
  ScatterWalk walk{GridReader{errors.data(), width, width - 1, height - 1}, scatter.data(), std::max(minHalfSize, 0),
                   std::clamp(shift, 0, 31), objectCount};
  walk.visit(width / 2, height / 2, width / 2, height / 2);
}

}  // namespace glorbe
