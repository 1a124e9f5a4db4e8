// Level-of-detail terrains drawn by the scene pass and read back: the mesh
// as the camera moves, the resolution levels, the objects placed on split
// nodes (lit in their own space) and a blended terrain.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/terrain_analysis.h"
#include "render/frame_stats.h"
#include "render/lod_terrain.h"
#include "render/scene_render.h"
#include "scene_gl_fixture.h"
#include "scripts/scene_tables.h"
#include "test_meshes.h"

namespace glorbe {
namespace {

using testing::readPixel;
using testing::Rgba;

std::array<int, 2> windowOf(const Vec3& p) {
  GLdouble mv[16], pr[16], x = 0, y = 0, z = 0;
  GLint vp[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, mv);
  glGetDoublev(GL_PROJECTION_MATRIX, pr);
  glGetIntegerv(GL_VIEWPORT, vp);
  gluProject(p.x, p.y, p.z, mv, pr, vp, &x, &y, &z);
  return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
}

Rgba pixelAt(const Vec3& p) {
  const auto w = windowOf(p);
  EXPECT_TRUE(w[0] >= 0 && w[0] < testing::glWindowWidth && w[1] >= 0 && w[1] < testing::glWindowHeight)
      << p.x << "," << p.y << "," << p.z << " is outside the window";
  return readPixel(w[0], w[1]);
}

// Scene 0 is the view with its camera and the terrain; scene 1 is the
// terrain's own scene: the objects it may place, then its mesh, last.
class LodTerrainGl : public testing::SceneGlTest {
 protected:
  void makeWorld(int32_t side, float width, std::vector<uint8_t> heights, Vec3 eye) {
    sceneTables.scenes.resize(2);
    Scene& view = sceneTables.scenes[0];
    initScene(view, "VIEW");
    testing::addTestCamera(view, "CAM", eye, Vec3{0, 0, 0});
    view.terrainIndex = 0;
    view.useAmbient = false;
    Scene& ground = sceneTables.scenes[1];
    initScene(ground, "GROUND");

    LodTerrain& terrain = sceneTables.terrains.emplace_back();
    terrain.name = "GROUND";
    terrain.gridWidth = terrain.gridHeight = side;
    terrain.scale = Vec3{width, width, width / 8};
    terrain.heightMap = std::move(heights);
    computeTerrainErrors(terrain.heightMap, terrain.derivedMap, side, side);
    terrain.modelMap.assign(static_cast<size_t>(side * side), 0);
    terrain.sceneIndex = 1;
  }

  // The mesh object, after the placeable objects: green, unlit.
  SceneObject& addMesh() {
    Scene& ground = sceneTables.scenes[1];
    const int32_t index = addEmptyObject(ground, "GROUND");
    sceneTables.terrains[0].objectIndex = index;
    SceneObject& mesh = ground.objects[static_cast<size_t>(index)];
    mesh.vertices.resize(kTerrainVertexCapacity);
    mesh.texCoords.resize(kTerrainVertexCapacity);
    mesh.normals.assign(kTerrainVertexCapacity, Vec3{0, 0, 1});
    mesh.faces.resize(kTerrainFaceCapacity);
    mesh.faceNormals.assign(kTerrainFaceCapacity, Vec3{0, 0, 1});
    mesh.faceFlags.assign(kTerrainFaceCapacity, 0);
    mesh.terrainMesh = true;
    mesh.ready = true;
    mesh.texture = solidTexture(0, 200, 0);
    mesh.textureEnvMode = GL_REPLACE;
    return mesh;
  }

  LodTerrain& terrain() { return sceneTables.terrains[0]; }
  SceneObject& mesh() { return sceneTables.scenes[1].objects[static_cast<size_t>(terrain().objectIndex)]; }

  void render() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    resetFrameStats();
    renderScene(sceneTables.scenes[0], 1, 0);
  }
};

std::vector<uint8_t> flat(int32_t side) { return std::vector<uint8_t>(static_cast<size_t>(side * side), 0); }

TEST_F(LodTerrainGl, FarCameraDrawsTheRootAsOneFanOverTheWholeGround) {
  // 16 x 16 samples over 16 units: the root splits only within 1.5 x 16 units.
  makeWorld(16, 16, flat(16), Vec3{0, -20, 22});
  addMesh();
  render();
  EXPECT_EQ(mesh().vertexCount, 9);
  EXPECT_EQ(frameStats.objs, 1);
  EXPECT_EQ(frameStats.objpolys, 8);
  for (Vec3 p : {Vec3{0, 0, 0}, Vec3{-7.5f, -7.5f, 0}, Vec3{7.5f, 7.5f, 0}, Vec3{-7.5f, 7.5f, 0}}) {
    const Rgba c = pixelAt(p);
    EXPECT_EQ(c[1], 200) << "ground at " << p.x << "," << p.y;
  }
  EXPECT_EQ(pixelAt(Vec3{9, 0, 0})[1], 0) << "nothing beyond the grid";
}

TEST_F(LodTerrainGl, NearerCameraSplitsTheRootAndTheGroundStaysWhole) {
  makeWorld(16, 16, flat(16), Vec3{0, -10, 10});
  addMesh();
  render();
  // The root splits (14 units away); its children, 12.3 units and more, do not.
  EXPECT_EQ(frameStats.objpolys, 4 * 8);
  for (Vec3 p : {Vec3{0, 0, 0}, Vec3{-4, -4, 0}, Vec3{4, 4, 0}, Vec3{-6, 6, 0}, Vec3{0.1f, -3.9f, 0}}) {
    EXPECT_EQ(pixelAt(p)[1], 200) << "ground at " << p.x << "," << p.y;
  }
}

TEST_F(LodTerrainGl, HigherLevelsDrawMoreTriangles) {
  std::vector<uint8_t> heights(64 * 64);
  for (size_t i = 0; i < heights.size(); ++i) heights[i] = static_cast<uint8_t>((i * 2654435761u) >> 26);
  makeWorld(64, 64, heights, Vec3{0, -30, 25});
  addMesh();
  int32_t previous = 0;
  for (int32_t level : {0, 2, 4}) {
    terrain().lodSetting = level;
    render();
    ASSERT_LT(mesh().vertexCount, kTerrainVertexCapacity - kTerrainLeafVertices) << "level " << level << " fits";
    EXPECT_GT(frameStats.objpolys, previous) << "level " << level;
    previous = frameStats.objpolys;
  }
}

TEST_F(LodTerrainGl, ObjectsOnSplitNodesAreDrawnThereLitInTheirOwnSpace) {
  // Level 4: the root and its four children split from 20 units up.
  makeWorld(16, 16, flat(16), Vec3{0, -8, 20});
  Scene& ground = sceneTables.scenes[1];
  // Object 0: a small toon-shaded floor tile whose shade is the light's
  // height over it: 1 when the light stands straight above.
  const int32_t tile = testing::addTestQuadXY(ground, "TILE", Vec3{0, 0, 0.05f}, 0.5f, 0.5f);
  std::vector<std::array<uint8_t, 3>> ramp(256);
  for (size_t i = 0; i < 256; ++i) ramp[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
  {
    SceneObject& o = ground.objects[static_cast<size_t>(tile)];
    o.textureMapOn = false;
    o.toonOn = true;
    o.toonTexture = rampTexture(ramp);
    o.toonEnvMode = GL_MODULATE;
  }
  testing::addTestLight(ground, "SUN", Vec3{-4, -4, 5}, {1, 1, 1});
  addMesh();
  terrain().lodSetting = 4;
  // The tile on child (4, 4) at world (-4, -4); index 2, the mesh itself, on
  // child (12, 12); nothing on the leaves.
  terrain().modelMap[4 + 4 * 16] = 1;
  terrain().modelMap[12 + 12 * 16] = 3;
  terrain().modelMap[2 + 2 * 16] = 1;
  render();
  ASSERT_EQ(terrain().placedCount, 2);
  EXPECT_EQ(frameStats.objs, 2) << "the mesh and one tile: the scene's last object is never placed";
  // Seen from the tile, the light is straight above: nearly full shade. In
  // world coordinates it would be 4 units off to the side (about 168).
  const Rgba c = pixelAt(Vec3{-4, -4, 0.05f});
  EXPECT_GT(c[0], 240);
  EXPECT_EQ(c[0], c[2]);
  EXPECT_EQ(pixelAt(Vec3{-2, -2, 0})[1], 200) << "ground around it";
}

TEST_F(LodTerrainGl, BlendedGroundIsAddedToWhatIsBehind) {
  makeWorld(16, 16, flat(16), Vec3{0, -20, 22});
  SceneObject& m = addMesh();
  m.blended = true;
  m.blendSrcFactor = GL_ONE;
  m.blendDstFactor = GL_ONE;
  glClearColor(0.2f, 0.2f, 0.2f, 1);
  render();
  const Rgba c = pixelAt(Vec3{0, 0, 0});
  EXPECT_NEAR(c[0], 51, 1);
  EXPECT_NEAR(c[1], 251, 1);
  EXPECT_NEAR(c[2], 51, 1);
  glClearColor(0, 0, 0, 0);
}

}  // namespace
}  // namespace glorbe
