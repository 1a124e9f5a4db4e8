// Scene finishing on hand-built meshes: edge lists against the face-by-face
// rule, bump vectors, the ready marks, and MORPH's merging of key shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>

#include "../../bench/edge_list_reference.h"
#include "geometry/mesh_ops.h"
#include "scripts/scene_finishing.h"

namespace glorbe {
namespace {

using EdgePairs = std::vector<std::pair<int, int>>;

EdgePairs pairs(const std::vector<Edge>& edges) {
  EdgePairs out;
  for (const Edge& e : edges) out.emplace_back(e.face, e.other);
  return out;
}

SceneObject meshOf(std::vector<Vec3> vertices, std::vector<Face> faces) {
  SceneObject o;
  o.vertexCount = static_cast<int32_t>(vertices.size());
  o.faceCount = static_cast<int32_t>(faces.size());
  o.vertices = std::move(vertices);
  o.faces = std::move(faces);
  o.texCoords.resize(o.vertices.size());
  o.faceFlags.resize(o.faces.size());
  computeMeshNormals(o);
  computeMeshBox(o);
  return o;
}

// A unit cube of 12 outward triangles over 8 shared vertices.
SceneObject cube(float size = 1, Vec3 at = {}) {
  std::vector<Vec3> v;
  for (int i = 0; i < 8; ++i) {
    v.push_back({at.x + size * float(i >> 2 & 1), at.y + size * float(i >> 1 & 1), at.z + size * float(i & 1)});
  }
  const int quads[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 6, 7, 5}};
  std::vector<Face> f;
  for (const auto& q : quads) {
    f.push_back({uint32_t(q[0]), uint32_t(q[1]), uint32_t(q[2])});
    f.push_back({uint32_t(q[0]), uint32_t(q[2]), uint32_t(q[3])});
  }
  return meshOf(v, f);
}

void expectSameAsReference(SceneObject o) {
  const std::vector<Edge> expected = reference::quadraticEdgeList(o);
  buildEdgeList(o);
  EXPECT_EQ(pairs(o.edges), pairs(expected));
}

// ---- edge lists -----------------------------------------------------------------

TEST(EdgeList, ClosedCubeListsEachEdgeOnceAndNothingOpen) {
  SceneObject o = cube();
  buildEdgeList(o);
  ASSERT_EQ(o.edges.size(), 18u);
  std::set<std::pair<int, int>> seen;
  for (const Edge& e : o.edges) {
    EXPECT_LT(e.other, 12) << "no open edges on a closed cube";
    EXPECT_TRUE(seen.insert({std::min(e.face, e.other), std::max(e.face, e.other)}).second) << "each edge once";
  }
  EXPECT_EQ(pairs(o.edges), pairs(reference::quadraticEdgeList(cube())));
}

TEST(EdgeList, LoneTriangleHasThreeOpenEdgesInTheRulesOrder) {
  SceneObject o = meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  buildEdgeList(o);
  EXPECT_EQ(pairs(o.edges), (EdgePairs{{0, 0xFFFD}, {0, 0xFFFF}, {0, 0xFFFE}}));
}

TEST(EdgeList, DoubleSidedCubeOutgrowsThreeEntriesPerFace) {
  SceneObject o = cube();
  for (int f = 0; f < 12; ++f) {
    const Face& a = o.faces[size_t(f)];
    o.faces.push_back({a[2], a[1], a[0]});
  }
  o.faceCount = 24;
  const std::vector<Edge> expected = reference::quadraticEdgeList(o);
  ASSERT_EQ(expected.size(), 84u);
  buildEdgeList(o);
  EXPECT_EQ(pairs(o.edges), pairs(expected));
}

TEST(EdgeList, SplitCornersMatchByPositionWithNegativeZeroAsZero) {
  // Two triangles sharing an edge through separate vertices, one of them
  // written as -0.0: positions are compared, not vertex numbers.
  SceneObject o = meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {-0.0f, 1, -0.0f}, {1, 1, 0}}, {{0, 1, 2}, {3, 5, 4}});
  buildEdgeList(o);
  EXPECT_EQ(pairs(o.edges), (EdgePairs{{0, 1}, {0, 0xFFFD}, {0, 0xFFFF}, {1, 0xFFFD}, {1, 0xFFFE}}));
  expectSameAsReference(o);
}

TEST(EdgeList, AwkwardMeshesGiveTheRulesEntriesInItsOrder) {
  std::mt19937 random(7);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (int round = 0; round < 40; ++round) {
    // A coarse grid of positions so that faces share corners often, with
    // repeated, degenerate and NaN corners and indices past the vertices.
    std::vector<Vec3> v;
    const int vertexCount = 4 + int(random() % 20);
    for (int i = 0; i < vertexCount; ++i) {
      Vec3 p{float(random() % 3), float(random() % 3), float(random() % 2)};
      if (random() % 7 == 0) p.x = -p.x;  // includes -0.0
      if (random() % 29 == 0) p.y = nan;
      v.push_back(p);
    }
    std::vector<Face> f;
    const int faceCount = 1 + int(random() % 60);
    for (int i = 0; i < faceCount; ++i) {
      Face face;
      for (uint32_t& c : face) c = random() % uint32_t(vertexCount + (round % 5 == 0 ? 2 : 0));
      f.push_back(face);
    }
    SceneObject o;
    o.vertices = v;
    o.faces = f;
    o.vertexCount = vertexCount;
    o.faceCount = faceCount;
    SCOPED_TRACE(round);
    expectSameAsReference(o);
  }
}

TEST(EdgeList, FanAroundOnePointMatchesTheRule) {
  // Every face shares the centre: the index cannot prune, the order must hold.
  std::vector<Vec3> v{{0, 0, 0}};
  std::vector<Face> f;
  for (int i = 0; i < 40; ++i) {
    const float a = float(i) * 0.157f;
    v.push_back({std::cos(a), std::sin(a), 0});
    if (i > 0) f.push_back({0, uint32_t(i), uint32_t(i + 1)});
  }
  f.push_back({0, 40, 1});
  expectSameAsReference(meshOf(v, f));
}

TEST(EdgeList, MeshesTooLargeForFaceNumbersAndTerrainMeshesGetNone) {
  SceneObject big;
  big.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  big.vertexCount = 3;
  big.faces.assign(kOpenEdgeMark, Face{0, 1, 2});
  big.faceCount = kOpenEdgeMark;
  big.edges = {{1, 2}};
  buildEdgeList(big);
  EXPECT_TRUE(big.edges.empty()) << "face 0xFFFD would read as an open edge";

  SceneObject one = cube();
  one.terrainMesh = true;
  buildEdgeList(one);
  EXPECT_TRUE(one.edges.empty());

  SceneObject shortCounts = cube();
  shortCounts.faceCount = 500;  // more than the array holds
  shortCounts.vertexCount = 500;
  buildEdgeList(shortCounts);
  EXPECT_EQ(shortCounts.edges.size(), 18u);
}

// ---- finishing ------------------------------------------------------------------

TEST(FinaliseScene, ReadiesObjectsBuildsWhatTheirSurfacesNeed) {
  Scene scene;
  scene.objects.push_back(cube());
  scene.objects.push_back(cube());
  scene.objects.push_back(SceneObject{});
  scene.objects.push_back(cube());
  scene.objects[0].castsShadow = true;
  scene.objects[1].bumpMapOn = true;
  scene.objects[2].isDummy = true;
  scene.objects[2].castsShadow = true;
  scene.objects[3].flexOn = true;
  finaliseScene(scene);

  EXPECT_TRUE(scene.objects[0].ready);
  EXPECT_EQ(scene.objects[0].edges.size(), 18u);
  EXPECT_TRUE(scene.objects[0].bumpVectorsA.empty());
  EXPECT_TRUE(scene.objects[1].edges.empty()) << "no shadow, no soft body";
  ASSERT_EQ(scene.objects[1].bumpVectorsA.size(), 8u);
  EXPECT_EQ(scene.objects[1].bumpCoords.size(), 8u);
  EXPECT_FALSE(scene.objects[2].ready) << "dummies are never drawn";
  EXPECT_TRUE(isHidden(scene.objects[2]));
  EXPECT_TRUE(scene.objects[2].edges.empty());
  EXPECT_EQ(scene.objects[3].edges.size(), 18u) << "soft bodies need springs";
}

TEST(FinaliseScene, BumpVectorsAreUnitAndAtRightAnglesToTheNormal) {
  SceneObject o = cube();
  o.bumpVectorsA.resize(8);
  o.bumpVectorsB.resize(8);
  setupBumpVectors(o);
  // Corners 0 and 7 have normals along (1, 1, 1), the helper axis: no direction.
  EXPECT_NEAR(vec3Length(o.bumpVectorsA[7]), 0.0f, 1e-6f);
  EXPECT_NEAR(vec3Length(o.bumpVectorsB[0]), 0.0f, 1e-6f);
  for (size_t i = 1; i < 7; ++i) {
    const Vec3 n = o.normals[i], a = o.bumpVectorsA[i], b = o.bumpVectorsB[i];
    EXPECT_NEAR(vec3Length(a), 1.0f, 1e-6f);
    EXPECT_NEAR(vec3Length(b), 1.0f, 1e-6f);
    EXPECT_NEAR(n.x * a.x + n.y * a.y + n.z * a.z, 0.0f, 1e-6f);
    EXPECT_NEAR(a.x * b.x + a.y * b.y + a.z * b.z, 0.0f, 1e-6f);
  }
  // (0, 0, 1) x u, with u = (1, 1, 1) / sqrt 3.
  SceneObject flat = meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  flat.bumpVectorsA.resize(3);
  flat.bumpVectorsB.resize(3);
  setupBumpVectors(flat);
  EXPECT_NEAR(flat.bumpVectorsA[0].x, -std::sqrt(0.5f), 1e-6f);
  EXPECT_NEAR(flat.bumpVectorsA[0].y, std::sqrt(0.5f), 1e-6f);
  EXPECT_NEAR(flat.bumpVectorsB[0].x, -std::sqrt(0.5f), 1e-6f);
  EXPECT_NEAR(flat.bumpVectorsB[0].y, -std::sqrt(0.5f), 1e-6f);
}

TEST(FinaliseScene, TerrainMeshGetsBumpRoomForItsWholeStorageAndNoEdges) {
  Scene scene;
  SceneObject& terrain = scene.objects.emplace_back();
  terrain.terrainMesh = true;
  terrain.vertices.resize(kTerrainVertexCapacity);
  terrain.normals.assign(kTerrainVertexCapacity, Vec3{0, 0, 1});
  terrain.bumpMapOn = true;
  terrain.castsShadow = true;
  finaliseScene(scene);
  EXPECT_TRUE(terrain.ready);
  EXPECT_EQ(terrain.bumpCoords.size(), size_t(kTerrainVertexCapacity)) << "no vertices yet, but all will be drawn";
  ASSERT_EQ(terrain.bumpVectorsB.size(), size_t(kTerrainVertexCapacity));
  EXPECT_NEAR(terrain.bumpVectorsB.back().z, 0.0f, 1e-6f);
  EXPECT_NEAR(vec3Length(terrain.bumpVectorsB.back()), 1.0f, 1e-6f);
  EXPECT_TRUE(terrain.edges.empty());
}

// ---- MORPH ----------------------------------------------------------------------

TEST(Morph, ThreeShapesBecomeThreeFramesOfTheFirstObject) {
  Scene scene;
  scene.objects.push_back(cube(1));
  scene.objects.push_back(cube(2));
  SceneObject dummy;
  dummy.isDummy = true;
  scene.objects.push_back(dummy);
  scene.objects.push_back(cube(3, {1, 0, 0}));
  scene.objects[0].meshOrigin = Vec3{1, 1, 1};
  scene.objects[1].meshOrigin = Vec3{0, 0, -1};
  setupMorph(scene, Vec3{2, 1, 1}, 4);

  ASSERT_EQ(scene.objects.size(), 1u);
  const SceneObject& o = scene.objects[0];
  EXPECT_EQ(o.morphCount, 4);
  ASSERT_EQ(o.frameVertices.size(), 3u);
  ASSERT_EQ(o.frameNormals.size(), 3u);
  for (const auto& normals : o.frameNormals) EXPECT_TRUE(normals.empty()) << "morph frames carry no normals";
  // Vertex 7 is the cube's (size, size, size) corner.
  EXPECT_FLOAT_EQ(o.frameVertices[0][7].x, 4.0f);  // (1 + 1) x 2
  EXPECT_FLOAT_EQ(o.frameVertices[0][7].z, 2.0f);
  EXPECT_FLOAT_EQ(o.frameVertices[1][7].x, 4.0f);  // (2 + 0) x 2
  EXPECT_FLOAT_EQ(o.frameVertices[1][7].z, 1.0f);  // 2 - 1
  EXPECT_FLOAT_EQ(o.frameVertices[2][7].x, 8.0f);  // (1 + 3) x 2
  EXPECT_EQ(o.meshOrigin.x, 0.0f);
  EXPECT_FLOAT_EQ(o.boxCorners[0].x, 0.0f);
  EXPECT_FLOAT_EQ(o.boxCorners[0].z, -1.0f) << "the box holds every shape";
  EXPECT_FLOAT_EQ(o.boxCorners[7].x, 8.0f);
  EXPECT_FLOAT_EQ(o.boxCorners[7].z, 3.0f);
}

TEST(Morph, OneObjectShortTargetsAndNoTicks) {
  Scene single;
  single.objects.push_back(cube(1));
  setupMorph(single, Vec3{5, 5, 5}, 4);
  EXPECT_EQ(single.objects[0].morphCount, 0);
  EXPECT_TRUE(single.objects[0].frameVertices.empty());
  EXPECT_EQ(single.objects[0].vertices[7].x, 1.0f) << "left unchanged";

  Scene shortTarget;
  shortTarget.objects.push_back(cube(1));
  shortTarget.objects.push_back(meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
  shortTarget.objects.push_back(cube(2));
  setupMorph(shortTarget, Vec3{1, 1, 1}, 3);
  ASSERT_EQ(shortTarget.objects.size(), 1u);
  ASSERT_EQ(shortTarget.objects[0].frameVertices.size(), 2u) << "the triangle has too few vertices";
  EXPECT_EQ(shortTarget.objects[0].frameVertices[1][7].x, 2.0f);

  Scene noTicks;
  noTicks.objects.push_back(cube(1));
  noTicks.objects.push_back(cube(2));
  setupMorph(noTicks, Vec3{1, 1, 1}, -2);
  EXPECT_EQ(noTicks.objects[0].morphCount, 0) << "a frame length of 0 or less is not taken";
  EXPECT_EQ(noTicks.objects[0].frameVertices.size(), 2u);

  Scene withTerrain;
  withTerrain.objects.push_back(cube(1));
  withTerrain.objects.emplace_back().terrainMesh = true;
  setupMorph(withTerrain, Vec3{1, 1, 1}, 2);
  EXPECT_EQ(withTerrain.objects.size(), 2u) << "the terrain keeps its mesh object";
}

TEST(Morph, FramesStopAtFifty) {
  Scene scene;
  for (int i = 0; i < 60; ++i) scene.objects.push_back(cube(float(i + 1)));
  setupMorph(scene, Vec3{1, 1, 1}, 1);
  EXPECT_EQ(scene.objects[0].frameVertices.size(), size_t(kMaxVertexFrames));
  EXPECT_EQ(scene.objects[0].frameNormals.size(), size_t(kMaxVertexFrames));
}

}  // namespace
}  // namespace glorbe
