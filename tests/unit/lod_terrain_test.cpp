// The level-of-detail terrain build on the CPU: the split pass's flags, the
// fans closed by the neighbours' flags, view culling of small nodes, placed
// objects, the storage limits, and a mesh without T-junctions where the
// neighbours differ by one level.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "common/random_source.h"
#include "geometry/terrain_analysis.h"
#include "render/lod_terrain.h"
#include "textures/texture_generator.h"

namespace glorbe {
namespace {

using GridPoint = std::pair<int32_t, int32_t>;

class LodTerrainTest : public ::testing::Test {
 public:
  void SetUp() override {
    resetRandomSource();
    resetTexGenerator();
  }
  void TearDown() override {
    resetRandomSource();
    resetTexGenerator();
  }

  // A terrain of the given heights with its error map and an empty model map,
  // and a mesh object with the loader's storage.
  void makeTerrain(int32_t width, int32_t height, std::vector<uint8_t> heights, Vec3 scale) {
    terrain = LodTerrain{};
    terrain.gridWidth = width;
    terrain.gridHeight = height;
    terrain.scale = scale;
    terrain.heightMap = std::move(heights);
    computeTerrainErrors(terrain.heightMap, terrain.derivedMap, width, height);
    terrain.modelMap.assign(static_cast<size_t>(width * height), 0);
    sizeMesh(kTerrainVertexCapacity, kTerrainFaceCapacity);
  }
  void sizeMesh(size_t vertices, size_t faces) {
    mesh = SceneObject{};
    mesh.vertices.resize(vertices);
    mesh.texCoords.resize(vertices);
    mesh.normals.assign(vertices, Vec3{0, 0, 1});
    mesh.faces.resize(faces);
  }
  void build(Vec3 camera, const ViewTransform& view) { buildLodTerrainMesh(terrain, mesh, camera, view, flags); }
  void build(Vec3 camera) { build(camera, seeAll()); }

  // An orthographic view that holds everything within `reach` of the origin.
  static ViewTransform seeAll(double reach = 1.0e4) {
    return ViewTransform{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
                         {1 / reach, 0, 0, 0, 0, 1 / reach, 0, 0, 0, 0, 1 / reach, 0, 0, 0, 0, 1},
                         {0, 0, 320, 240}};
  }

  uint8_t flagAt(int32_t x, int32_t y) const {
    const int32_t w = terrain.gridWidth, h = terrain.gridHeight;
    return flags[static_cast<size_t>((x & (w - 1)) + (y & (h - 1)) * w)];
  }
  // A mesh vertex back on the grid (texture coordinates are i / W, j / H, exact).
  GridPoint gridOf(uint32_t v) const {
    const TexCoord& t = mesh.texCoords[v];
    return {static_cast<int32_t>(std::lround(t.u * static_cast<float>(terrain.gridWidth))),
            static_cast<int32_t>(std::lround(t.v * static_cast<float>(terrain.gridHeight)))};
  }
  int32_t leafCount() const {
    int32_t n = 0;
    for (uint8_t f : flags) n += f == kTerrainLeaf;
    return n;
  }

  LodTerrain terrain;
  SceneObject mesh;
  std::vector<uint8_t> flags;
};

std::vector<uint8_t> flat(int32_t width, int32_t height, uint8_t value = 0) {
  return std::vector<uint8_t>(static_cast<size_t>(width * height), value);
}

std::vector<uint8_t> rough(int32_t width, int32_t height) {
  std::vector<uint8_t> heights;
  makeRandomHeightMap(heights, width, height, 0.4f);
  return heights;
}

// White noise: every node is rough.
std::vector<uint8_t> noisy(int32_t width, int32_t height) {
  std::vector<uint8_t> heights(static_cast<size_t>(width * height));
  uint32_t seed = 12345;
  for (uint8_t& h : heights) {
    seed = seed * 1664525u + 1013904223u;
    h = static_cast<uint8_t>(seed >> 24);
  }
  return heights;
}

// Gentle hills: a height that changes by at most a few steps per sample.
std::vector<uint8_t> gentle(int32_t width, int32_t height) {
  std::vector<uint8_t> heights(static_cast<size_t>(width * height));
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const double a = 2 * 3.14159265 * x / width, b = 2 * 3.14159265 * y / height;
      heights[static_cast<size_t>(x + y * width)] = static_cast<uint8_t>(100 + 20 * std::sin(a) + 15 * std::cos(2 * b));
    }
  }
  return heights;
}

// Every edge of the mesh that lies on a grid line has no vertex of the mesh
// strictly inside it (a T-junction would open a crack there). Edges from a
// leaf's centre to its corners are diagonal and lie inside the leaf.
int countTJunctions(const LodTerrainTest& t, const SceneObject& mesh, std::set<GridPoint>* where = nullptr) {
  // Midpoints a fan leaves out are still stored; only corners of triangles count.
  std::set<GridPoint> points;
  for (int32_t f = 0; f < mesh.faceCount; ++f) {
    for (uint32_t v : mesh.faces[static_cast<size_t>(f)]) points.insert(t.gridOf(v));
  }
  int found = 0;
  for (int32_t f = 0; f < mesh.faceCount; ++f) {
    const Face& face = mesh.faces[static_cast<size_t>(f)];
    for (int e = 0; e < 3; ++e) {
      const GridPoint a = t.gridOf(face[static_cast<size_t>(e)]), b = t.gridOf(face[static_cast<size_t>((e + 1) % 3)]);
      if (a.first != b.first && a.second != b.second) continue;
      const int32_t steps = std::max(std::abs(b.first - a.first), std::abs(b.second - a.second));
      const int32_t dx = (b.first - a.first) / steps, dy = (b.second - a.second) / steps;
      for (int32_t s = 1; s < steps; ++s) {
        const GridPoint inside{a.first + s * dx, a.second + s * dy};
        if (points.count(inside) != 0) {
          ++found;
          if (where != nullptr) where->insert(inside);
        }
      }
    }
  }
  return found;
}

// The fan of one leaf (its nine vertices from `base`), side by side: true
// where a side is closed by one triangle.
struct Fan {
  GridPoint centre;
  int32_t hx = 0, hy = 0;
  std::array<int, 4> trianglesPerSide{};  // south, east, north, west
};

std::vector<Fan> fansOf(const LodTerrainTest& t, const SceneObject& mesh) {
  std::vector<Fan> fans;
  for (int32_t f = 0; f < mesh.faceCount; ++f) {
    const Face& face = mesh.faces[static_cast<size_t>(f)];
    const uint32_t base = face[0];
    if (fans.empty() || t.gridOf(base) != fans.back().centre) {
      Fan fan;
      fan.centre = t.gridOf(base);
      fan.hx = fan.centre.first - t.gridOf(base + 1).first;
      fan.hy = fan.centre.second - t.gridOf(base + 1).second;
      fans.push_back(fan);
    }
    // Corners 1, 3, 5, 7 open the south, east, north and west sides.
    const uint32_t first = face[1] - base;
    const int side = first <= 2 ? 0 : first <= 4 ? 1 : first <= 6 ? 2 : 3;
    ++fans.back().trianglesPerSide[static_cast<size_t>(side)];
  }
  return fans;
}

TEST_F(LodTerrainTest, FarCameraLeavesTheRootOneLeafOfNineVerticesAndEightTriangles) {
  std::vector<uint8_t> heights = flat(16, 16, 51);
  heights[0] = 255;
  makeTerrain(16, 16, heights, Vec3{16, 8, 2});
  build(Vec3{0, 0, 1000});
  ASSERT_EQ(mesh.vertexCount, 9);
  ASSERT_EQ(mesh.faceCount, 8);
  EXPECT_EQ(flagAt(8, 8), kTerrainLeaf);
  EXPECT_EQ(leafCount(), 1);
  // Centre, then the corners and midpoints from the lower left going round.
  const GridPoint expected[9] = {{8, 8}, {0, 0}, {8, 0}, {16, 0}, {16, 8}, {16, 16}, {8, 16}, {0, 16}, {0, 8}};
  for (uint32_t v = 0; v < 9; ++v) EXPECT_EQ(gridOf(v), expected[v]) << v;
  EXPECT_FLOAT_EQ(mesh.vertices[0].x, 0.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[0].z, 0.4f);  // 51 / 255 x 2
  EXPECT_FLOAT_EQ(mesh.vertices[1].x, -8.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[1].y, -4.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[1].z, 2.0f) << "(0, 0) is the 255 sample";
  EXPECT_FLOAT_EQ(mesh.vertices[5].z, 2.0f) << "(16, 16) wraps to (0, 0)";
  EXPECT_FLOAT_EQ(mesh.texCoords[5].u, 1.0f);
  // Its wrapped neighbours are its own cell, visited: two triangles a side.
  const Face faces[8] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 5, 6}, {0, 6, 7}, {0, 7, 8}, {0, 8, 1}};
  for (size_t f = 0; f < 8; ++f) EXPECT_EQ(mesh.faces[f], faces[f]) << f;
}

TEST_F(LodTerrainTest, CoarserNeighbourGivesOneTriangleOnThatSide) {
  // 16 x 16, one world unit per sample, flat: a node splits when the camera
  // is within 1.5 x its size. From (-4, -4, 10) the root and its child
  // (4, 4) split; the other children and the grandchildren stay leaves.
  makeTerrain(16, 16, flat(16, 16), Vec3{16, 16, 1});
  build(Vec3{-4, -4, 10});
  EXPECT_EQ(flagAt(8, 8), kTerrainSplit);
  EXPECT_EQ(flagAt(4, 4), kTerrainSplit);
  for (auto [x, y] : {GridPoint{4, 12}, GridPoint{12, 12}, GridPoint{12, 4}, GridPoint{2, 2}, GridPoint{6, 6}}) {
    EXPECT_EQ(flagAt(x, y), kTerrainLeaf) << x << "," << y;
  }
  EXPECT_EQ(flagAt(6, 10), kTerrainUnvisited);
  const std::vector<Fan> fans = fansOf(*this, mesh);
  ASSERT_EQ(fans.size(), 7u);
  for (const Fan& fan : fans) {
    if (fan.centre != GridPoint{6, 6}) continue;
    // South and west touch its siblings; east and north the coarser leaves.
    EXPECT_EQ(fan.trianglesPerSide, (std::array<int, 4>{2, 1, 1, 2}));
  }
  // Leaf (6, 6) comes third, after two leaves of six triangles: its east
  // side is the one triangle from P3 to P5.
  EXPECT_EQ(mesh.faces[6 + 6 + 2], (Face{18, 21, 23}));
  EXPECT_EQ(countTJunctions(*this, mesh), 0);
  EXPECT_EQ(mesh.faceCount, 4 * 6 + 3 * 8);
}

TEST_F(LodTerrainTest, FlatAndGentleFieldsJoinWithoutTJunctions) {
  // With one world unit per sample and no roughness a leaf of size e stays
  // a leaf beyond Rmin x e, while the nearest grandchild of its neighbour
  // splits within Rmin x e / 2 and lies 0.79 e from it: two levels can meet
  // only when Rmin < 1.58. From level 1 on they cannot.
  for (int field = 0; field < 2; ++field) {
    makeTerrain(128, 128, field == 0 ? flat(128, 128, 80) : gentle(128, 128), Vec3{128, 128, 12});
    for (int32_t level = 1; level <= 4; ++level) {
      terrain.lodSetting = level;
      for (Vec3 camera : {Vec3{0, 0, 4}, Vec3{-30, 17, 10}, Vec3{50, -50, 2}, Vec3{5, 60, 15}, Vec3{-3.3f, 1.7f, 0}}) {
        build(camera);
        ASSERT_GT(leafCount(), 20);
        ASSERT_LT(mesh.vertexCount, kTerrainVertexCapacity - kTerrainLeafVertices) << "every leaf is in the mesh";
        std::set<GridPoint> where;
        EXPECT_EQ(countTJunctions(*this, mesh, &where), 0)
            << "field " << field << " level " << level << " camera " << camera.x << "," << camera.y << ","
            << camera.z << " first at " << (where.empty() ? -1 : where.begin()->first) << ","
            << (where.empty() ? -1 : where.begin()->second);
      }
    }
    // At level 0 (Rmin 1.5) a thin band of distances lets two levels meet
    // even on flat ground, and the fans leave T-junctions there.
    terrain.lodSetting = 0;
    build(Vec3{-3.3f, 1.7f, 0});
    std::set<GridPoint> where;
    EXPECT_GT(countTJunctions(*this, mesh, &where), 0) << "field " << field;
    EXPECT_EQ(where.count(GridPoint{32, 56}), 1u);
  }
}

TEST_F(LodTerrainTest, RoughFieldsFollowTheFanRuleByTheNeighboursFlags) {
  makeTerrain(64, 64, rough(64, 64), Vec3{64, 64, 25});
  for (Vec3 camera : {Vec3{0, 0, 10}, Vec3{-20, 25, 5}, Vec3{31, -31, 40}}) {
    build(camera);
    const std::vector<Fan> fans = fansOf(*this, mesh);
    ASSERT_EQ(static_cast<int32_t>(fans.size()), leafCount());
    for (const Fan& fan : fans) {
      const auto [x, y] = fan.centre;
      EXPECT_EQ(flagAt(x, y), kTerrainLeaf);
      const std::array<GridPoint, 4> across{GridPoint{x, y - 2 * fan.hy}, GridPoint{x + 2 * fan.hx, y},
                                            GridPoint{x, y + 2 * fan.hy}, GridPoint{x - 2 * fan.hx, y}};
      for (size_t side = 0; side < 4; ++side) {
        const int expected = flagAt(across[side].first, across[side].second) == kTerrainUnvisited ? 1 : 2;
        EXPECT_EQ(fan.trianglesPerSide[side], expected) << "leaf " << x << "," << y << " side " << side;
      }
    }
  }
}

TEST_F(LodTerrainTest, HigherResolutionLevelsSplitMore) {
  // The minimum resolution grows with the level, and a node splits while the
  // camera is nearer than that times its size: higher levels give finer meshes.
  makeTerrain(128, 128, rough(128, 128), Vec3{128, 128, 20});
  const Vec3 camera{-10, 20, 40};
  int32_t previous = 0;
  for (int32_t level = 0; level <= 4; ++level) {
    terrain.lodSetting = level;
    build(camera);
    ASSERT_LT(mesh.vertexCount, kTerrainVertexCapacity - kTerrainLeafVertices) << "level " << level << " fits";
    EXPECT_GT(mesh.faceCount, previous) << "level " << level;
    previous = mesh.faceCount;
  }
  // Levels outside 0..4 are held to it.
  terrain.lodSetting = 99;
  build(camera);
  EXPECT_EQ(mesh.faceCount, previous);
  terrain.lodSetting = 0;
  build(camera);
  const int32_t lowest = mesh.faceCount;
  terrain.lodSetting = -3;
  build(camera);
  EXPECT_EQ(mesh.faceCount, lowest);
}

TEST_F(LodTerrainTest, CloseCameraOnA256GridStopsAtTheMeshStorage) {
  makeTerrain(256, 256, noisy(256, 256), Vec3{256, 256, 40});
  build(Vec3{0, 0, 1});
  ASSERT_GT(leafCount() * kTerrainLeafVertices, kTerrainVertexCapacity) << "the walk asks for more than fits";
  EXPECT_LE(mesh.vertexCount, kTerrainVertexCapacity);
  EXPECT_LE(static_cast<size_t>(mesh.faceCount), mesh.faces.size());
  EXPECT_EQ(mesh.vertexCount % kTerrainLeafVertices, 0);
  // Full: the next leaf would not have fitted.
  EXPECT_TRUE(mesh.vertexCount + kTerrainLeafVertices > kTerrainVertexCapacity ||
              static_cast<size_t>(mesh.faceCount + kTerrainLeafFaces) > mesh.faces.size());

  // Smaller storage stops earlier; none builds nothing.
  sizeMesh(100, 1000);
  build(Vec3{0, 0, 1});
  EXPECT_EQ(mesh.vertexCount, 99);
  EXPECT_LE(mesh.faceCount, 11 * kTerrainLeafFaces);
  sizeMesh(100, 7);
  build(Vec3{0, 0, 1});
  EXPECT_EQ(mesh.vertexCount, 0);
  mesh.texCoords.resize(8);
  mesh.faces.resize(100);
  build(Vec3{0, 0, 1});
  EXPECT_EQ(mesh.vertexCount, 0) << "the shortest per-vertex array sets the limit";
}

TEST_F(LodTerrainTest, OnlySmallNodesOutsideTheViewAreCulled) {
  // Rough enough that every node splits down to half size 1 near the camera.
  makeTerrain(64, 64, flat(64, 64), Vec3{64, 64, 1});
  std::fill(terrain.derivedMap.begin(), terrain.derivedMap.end(), 255);
  // A view of x from -64 to 0 only: the right half of the terrain is outside.
  ViewTransform view = seeAll();
  view.projection[0] = 2.0 / 64.0;
  view.projection[12] = 1.0;
  build(Vec3{0, 0, 1}, view);
  int culled = 0;
  for (int32_t y = 0; y < 64; ++y) {
    for (int32_t x = 0; x < 64; ++x) {
      if (flagAt(x, y) != kTerrainCulled) continue;
      ++culled;
      // Culling is tried on half sizes below 64 / 8 and at least 3: only 4.
      EXPECT_EQ(x % 8, 4);
      EXPECT_EQ(y % 8, 4);
      EXPECT_GE(x - 4, 32) << "a node reaching into the view is kept";
    }
  }
  EXPECT_EQ(culled, 4 * 8) << "the four columns of half-size-4 nodes right of the middle";
  // Nothing of the culled nodes reaches the mesh.
  for (int32_t v = 0; v < mesh.vertexCount; ++v) EXPECT_LE(gridOf(static_cast<uint32_t>(v)).first, 32);
}

TEST(BoxOutsideView, IsTakenAgainstTheViewportWhereverItLies) {
  // Identity matrices: the box around the origin projects to the viewport's
  // centre, which lies beyond the viewport's width from the window corner.
  const ViewTransform view{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
                           {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
                           {400, 300, 200, 100}};
  BoxCorners box;
  for (size_t c = 0; c < 8; ++c) {
    box[c] = Vec3{(c & 2) ? 0.1f : -0.1f, (c & 4) ? 0.1f : -0.1f, (c & 1) ? 0.1f : -0.1f};
  }
  EXPECT_FALSE(boxOutsideView(view, box));
  for (Vec3& corner : box) corner.x -= 2;  // left of the viewport
  EXPECT_TRUE(boxOutsideView(view, box));
}

TEST_F(LodTerrainTest, ObjectsArePlacedOnSplitNodesOnlyAndAtMost200) {
  std::vector<uint8_t> heights = flat(16, 16, 100);
  makeTerrain(16, 16, heights, Vec3{16, 16, 2.55f});
  terrain.modelMap[8 + 8 * 16] = 3;  // the root
  terrain.modelMap[4 + 12 * 16] = 2;  // child (4, 12)
  build(Vec3{0, 0, 1000});  // root a leaf: nothing placed
  EXPECT_EQ(terrain.placedCount, 0);
  build(Vec3{-4, -4, 10});  // root and (4, 4) split, (4, 12) a leaf
  ASSERT_EQ(terrain.placedCount, 1);
  const PlacedObject& placed = terrain.placedObjects[0];
  EXPECT_EQ(placed.objectIndex, 2);
  EXPECT_FLOAT_EQ(placed.rotation, 140.0f);
  EXPECT_FLOAT_EQ(placed.position.x, 0.0f);
  EXPECT_FLOAT_EQ(placed.position.z, 1.0f);

  makeTerrain(256, 256, noisy(256, 256), Vec3{256, 256, 40});
  std::fill(terrain.modelMap.begin(), terrain.modelMap.end(), 1);
  build(Vec3{0, 0, 1});
  int32_t split = 0;
  for (uint8_t f : flags) split += f == kTerrainSplit;
  ASSERT_GT(split, kMaxPlacedObjects);
  EXPECT_EQ(terrain.placedCount, kMaxPlacedObjects);
}

TEST_F(LodTerrainTest, TerrainsOfBadSizesOrShortMapsBuildNothing) {
  makeTerrain(16, 16, flat(16, 16), Vec3{16, 16, 1});
  build(Vec3{0, 0, 1});
  ASSERT_GT(mesh.vertexCount, 0);
  terrain.gridWidth = 12;
  build(Vec3{0, 0, 1});
  EXPECT_EQ(mesh.vertexCount, 0);
  EXPECT_EQ(mesh.faceCount, 0);
  EXPECT_TRUE(flags.empty());
  terrain.gridWidth = 32;  // more than its maps hold
  build(Vec3{0, 0, 1});
  EXPECT_EQ(mesh.vertexCount, 0);
  terrain.gridWidth = 16;
  terrain.modelMap.resize(100);
  build(Vec3{0, 0, 1});
  EXPECT_EQ(mesh.vertexCount, 0);
  EXPECT_EQ(terrain.placedCount, 0);
}

TEST_F(LodTerrainTest, LightsAroundAPlacedObjectAreInItsOwnSpace) {
  Scene scene;
  scene.lights.resize(3);
  scene.lights[0].position = Vec3{3, 2, 5};
  scene.lights[1].position = Vec3{1, 1, 0};
  scene.lightCount = 9;  // more than there are: only three are used
  const LightLocalPositions world = lightPositionsAround(scene, Vec3{}, 0);
  EXPECT_FLOAT_EQ(world[0].x, 3);
  EXPECT_FLOAT_EQ(world[0].z, 5);
  EXPECT_FLOAT_EQ(world[3].x, 0);
  // An object at (1, 2, 1) turned 90 degrees about z sees the light at (3, 2, 5)
  // straight ahead along its own -y: Rz(-90) (2, 0, 4) = (0, -2, 4).
  const LightLocalPositions local = lightPositionsAround(scene, Vec3{1, 2, 1}, 90);
  EXPECT_NEAR(local[0].x, 0, 1e-5);
  EXPECT_NEAR(local[0].y, -2, 1e-5);
  EXPECT_NEAR(local[0].z, 4, 1e-5);
}

}  // namespace
}  // namespace glorbe
