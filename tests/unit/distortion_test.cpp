// Object distortion: the bend, twist and wobble deformers on a vertex frame,
// the objects they leave alone, and OBJDISTORT's source frame and undo.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gl/test_meshes.h"
#include "render/distortion.h"
#include "render/scene_commands.h"
#include "scripts/scene_tables.h"

namespace glorbe {
namespace {

constexpr double kHalfPi = 1.5707963267948966;

// One triangle (0.3, 0.2, 0.1), (1, 2, 3), (0, -1, 2) with unit normals,
// drawn in the last frame, with its frame 0 made as OBJDISTORT makes it.
SceneObject shape(Vec3 origin = {}) {
  SceneObject o;
  o.vertices = {{0.3f, 0.2f, 0.1f}, {1, 2, 3}, {0, -1, 2}};
  o.faces = {Face{0, 1, 2}};
  o.vertexCount = 3;
  o.faceCount = 1;
  o.normals = {{0, 0, 1}, {0.6f, 0.8f, 0}, {0, 0.6f, -0.8f}};
  o.faceNormals = {Vec3{0, 0, 1}};
  o.meshOrigin = origin;
  o.ready = true;
  o.visibleThisFrame = true;
  o.frameVertices = {o.vertices};
  o.frameNormals = {o.normals};
  return o;
}

void expectNear(const Vec3& got, const Vec3& want, float tolerance, const char* what) {
  EXPECT_NEAR(got.x, want.x, tolerance) << what;
  EXPECT_NEAR(got.y, want.y, tolerance) << what;
  EXPECT_NEAR(got.z, want.z, tolerance) << what;
}

// ---- the deformers ----------------------------------------------------------------

TEST(Deformers, BendOfCurvatureZeroReturnsTheSource) {
  // A curvature of 0 counts as 0.000001, a radius of a million: in 32-bit
  // floats (0.3, 0.2, 0.1) came back as (0.3125, 0.1875, 0.125).
  // (The bend of radius a million is straight to within about a millionth
  // of the product of two coordinates: a small mesh comes back within 1e-6.)
  SceneObject o = shape(Vec3{0.25f, -0.5f, 0});
  o.frameVertices[0] = {{0.05f, 0.7f, 0.1f}, {-0.4f, 0.5f, 0.2f}, {0.1f, -0.3f, -0.5f}};
  o.vertices = o.frameVertices[0];
  bendObject(o, 0, 0, 0, 0);
  for (size_t i = 0; i < 3; ++i) {
    expectNear(o.vertices[i], o.frameVertices[0][i], 1e-6f, "position");
    expectNear(o.normals[i], o.frameNormals[0][i], 1e-6f, "normal");
  }
  // Negative curvatures too small to count behave the same.
  bendObject(o, 0, -1e-9f, 0, 5e-7f);
  expectNear(o.vertices[0], o.frameVertices[0][0], 1e-6f, "tiny curvatures");
}

TEST(Deformers, BendTurnsARodOntoItsCircle) {
  // A rod along y bent with curvature 1 about x (the third curvature):
  // the point at y = pi/2 goes a quarter round the circle of radius 1 about
  // (y, z) = (0, 1), and its normal (0, 0, 1) turns to (0, -1, 0); the
  // normal written is halfway between.
  SceneObject o = shape();
  o.frameVertices[0][1] = Vec3{0, float(kHalfPi), 0};
  o.frameNormals[0][1] = Vec3{0, 0, 1};
  bendObject(o, 0, 0, 0, 1);
  expectNear(o.vertices[1], Vec3{0, 1, 1}, 2e-6f, "a quarter round");
  expectNear(o.normals[1], Vec3{0, -0.5f, 0.5f}, 2e-6f, "halfway normal");
}

TEST(Deformers, TwistRatesActAboutZThenYThenX) {
  // twistObject(w1, w2, w3, ...) turns about z by w3 z first, then about y
  // by w2 y, then about x by w1 x.
  const float q = float(kHalfPi);
  SceneObject o = shape();
  o.frameVertices[0][0] = Vec3{1, 0, 1};
  twistObject(o, 0, 0, 0, q, 0, 0, 0);
  expectNear(o.vertices[0], Vec3{0, 1, 1}, 1e-6f, "about z by w3");
  twistObject(o, 0, q, 0, 0, 0, 0, 0);
  expectNear(o.vertices[0], Vec3{1, -1, 0}, 1e-6f, "about x by w1");
  o.frameVertices[0][0] = Vec3{1, 1, 0};
  twistObject(o, 0, 0, q, 0, 0, 0, 0);
  expectNear(o.vertices[0], Vec3{0, 1, -1}, 1e-6f, "about y by w2");
  // Both z and x: the z turn comes first and leaves x = 0, so the x turn
  // has nothing to turn by. The other order would give (1, -1, 0).
  o.frameVertices[0][0] = Vec3{1, 0, 1};
  twistObject(o, 0, q, 0, q, 0, 0, 0);
  expectNear(o.vertices[0], Vec3{0, 1, 1}, 1e-6f, "z before x");
}

TEST(Deformers, TaperScalesEachAxisByTheOtherTwo) {
  SceneObject o = shape(Vec3{1, 0, 0});  // the taper sees x + 1
  o.frameVertices[0][0] = Vec3{1, 2, 3};
  o.frameNormals[0][0] = Vec3{1, 1, 1};
  twistObject(o, 0, 0, 0, 0, 0.5f, 0, 0);  // tx only: y and z grow with x
  expectNear(o.vertices[0], Vec3{1, 4, 6}, 1e-6f, "taper by tx");
  expectNear(o.normals[0], Vec3{1, 2, 2}, 1e-6f, "normal by the same factors, not unit");
  // All zero: the source comes back.
  twistObject(o, 0, 0, 0, 0, 0, 0, 0);
  for (size_t i = 0; i < 3; ++i) expectNear(o.vertices[i], o.frameVertices[0][i], 1e-6f, "identity");
}

TEST(Deformers, WobbleAngleAndRateOrder) {
  // wobbleObject(phase1, phase2, phase3, rate3, rate2, rate1, amount): rate1
  // goes with the angle of (x, y), rate3 with that of (y, z). At (1, 2, 3)
  // a rate of 2 on atan2(1, 2) has cosine 0.6, on atan2(2, 3) 5/13.
  SceneObject o = shape(Vec3{0.5f, 1, 1});
  o.frameVertices[0][0] = Vec3{0.5f, 1, 2};  // (1, 2, 3) with the origin
  wobbleObject(o, 0, 0, 0, 0, 0, 0, 2, 0.5f);
  expectNear(o.vertices[0], Vec3{1.2f - 0.5f, 2.4f - 1, 3.6f - 1}, 1e-6f, "rate1: s = 0.4");
  wobbleObject(o, 0, 0, 0, 0, 2, 0, 0, 0.5f);
  const float k = 1 + 0.5f * (8.0f / 13);
  expectNear(o.vertices[0], Vec3{k - 0.5f, 2 * k - 1, 3 * k - 1}, 1e-6f, "rate3: s = 8/13");
  // Amount 0 gives the source exactly; normals are never touched.
  o.normals[0] = Vec3{9, 9, 9};
  wobbleObject(o, 0, 1, 2, 3, 4, 5, 6, 0);
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(vec3Equal(o.vertices[i], o.frameVertices[0][i]));
  EXPECT_TRUE(vec3Equal(o.normals[0], Vec3{9, 9, 9}));
}

TEST(Deformers, RunningTwiceGivesWhatOnceGives) {
  SceneObject o = shape(Vec3{1, 2, 3});
  bendObject(o, 0, 0.3f, -0.2f, 0.5f);
  const std::vector<Vec3> once = o.vertices;
  bendObject(o, 0, 0.3f, -0.2f, 0.5f);
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(vec3Equal(o.vertices[i], once[i]));
}

TEST(Deformers, LeaveAloneWhatIsHiddenUndrawnFramelessOrOutOfRange) {
  const auto untouched = [](SceneObject o, int32_t frame, const char* why) {
    const std::vector<Vec3> vertices = o.vertices, normals = o.normals;
    bendObject(o, frame, 1, 1, 1);
    twistObject(o, frame, 1, 1, 1, 1, 1, 1);
    wobbleObject(o, frame, 1, 1, 1, 1, 1, 1, 1);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_TRUE(vec3Equal(o.vertices[i], vertices[i])) << why;
      EXPECT_TRUE(vec3Equal(o.normals[i], normals[i])) << why;
    }
  };
  SceneObject hidden = shape();
  hidden.ready = false;
  untouched(hidden, 0, "hidden");
  SceneObject culled = shape();
  culled.visibleThisFrame = false;
  untouched(culled, 0, "not drawn in the last frame");
  SceneObject frameless = shape();
  frameless.frameVertices.clear();
  frameless.frameNormals.clear();
  untouched(frameless, 0, "no frames");
  untouched(shape(), 1, "no frame 1");
  untouched(shape(), -1, "frame -1");
  SceneObject terrain = shape();
  terrain.terrainMesh = true;
  untouched(terrain, 0, "a terrain's mesh");
  const float nan = std::numeric_limits<float>::quiet_NaN();
  SceneObject o = shape();
  const std::vector<Vec3> before = o.vertices;
  bendObject(o, 0, nan, 0, 0);
  twistObject(o, 0, 0, std::numeric_limits<float>::infinity(), 0, 0, 0, 0);
  wobbleObject(o, 0, 0, 0, 0, 0, 0, 0, nan);
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(vec3Equal(o.vertices[i], before[i])) << "arguments not finite";
}

TEST(Deformers, ShortFramesAndFramesWithoutNormals) {
  // A MORPH frame has no normals: the live normals stay. A frame with fewer
  // vertices than the mesh rewrites only those it has.
  SceneObject o = shape();
  o.frameVertices[0].resize(2);
  o.frameNormals[0].clear();
  o.normals[0] = Vec3{7, 7, 7};
  twistObject(o, 0, 1, 1, 1, 0, 0, 0);
  bendObject(o, 0, 1, 1, 1);
  EXPECT_TRUE(vec3Equal(o.normals[0], Vec3{7, 7, 7}));
  EXPECT_FALSE(vec3Equal(o.vertices[1], Vec3{1, 2, 3}));
  EXPECT_TRUE(vec3Equal(o.vertices[2], Vec3{0, -1, 2})) << "beyond the frame";
}

TEST(Deformers, CastersGetTheirFaceNormalsRecomputedNotUnit) {
  SceneObject o = shape();
  o.castsShadow = true;
  wobbleObject(o, 0, 0, 0, 0, 0, 0, 0, 0);  // source positions
  const Vec3& n = o.faceNormals[0];
  // (b - a) x (c - a) of the triangle, not normalised.
  const Vec3 ab{0.7f, 1.8f, 2.9f}, ac{-0.3f, -1.2f, 1.9f};
  expectNear(n, cross(ab, ac), 1e-5f, "face normal");
  EXPECT_GT(vec3Length(n), 2.0f);
}

// ---- OBJDISTORT -------------------------------------------------------------------

SceneObjDistortValues values(int32_t style) {
  SceneObjDistortValues v;
  v.name = "STAGE";
  v.objectName = "VASE";
  v.style = style;
  v.ax = v.ay = v.az = 0.25f;
  v.sx = v.sy = v.sz = 0.5f;
  return v;
}

TEST(ObjDistort, MakesItsSourceOnceAndUndoCopiesItBack) {
  SceneObject o = shape();
  o.frameVertices.clear();
  o.frameNormals.clear();
  const std::vector<Vec3> vertices = o.vertices, normals = o.normals;
  distortSceneObject(o, values(1), 1);
  ASSERT_EQ(o.frameVertices.size(), 1u);
  ASSERT_EQ(o.frameNormals.size(), 1u);
  EXPECT_FALSE(vec3Equal(o.vertices[1], vertices[1])) << "twisted";
  EXPECT_FALSE(vec3Equal(o.normals[1], normals[1]));
  distortSceneObject(o, values(2), 3);
  EXPECT_EQ(o.frameVertices.size(), 1u) << "made once";
  EXPECT_TRUE(vec3Equal(o.frameVertices[0][1], vertices[1])) << "from the undistorted mesh";
  distortSceneObject(o, values(-1), 4);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(vec3Equal(o.vertices[i], vertices[i]));
    EXPECT_TRUE(vec3Equal(o.normals[i], normals[i]));
  }
}

TEST(ObjDistort, ObjectNotYetDrawnGetsItsSourceButStaysAsItIs) {
  SceneObject o = shape();
  o.frameVertices.clear();
  o.frameNormals.clear();
  o.visibleThisFrame = false;
  const std::vector<Vec3> vertices = o.vertices;
  distortSceneObject(o, values(0), 1);
  EXPECT_EQ(o.frameVertices.size(), 1u);
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(vec3Equal(o.vertices[i], vertices[i]));
  o.visibleThisFrame = true;
  distortSceneObject(o, values(0), 1);
  EXPECT_FALSE(vec3Equal(o.vertices[1], vertices[1])) << "drawn: wobbled";
}

TEST(ObjDistort, MorphObjectKeepsItsNormalsThroughEveryStyle) {
  // MORPH frames have positions only; frame 0 is the first key shape.
  SceneObject o = shape();
  o.frameVertices = {{Vec3{0, 0, 0}, Vec3{1, 1, 1}, Vec3{2, 2, 2}}, o.vertices};
  o.frameNormals = {{}, {}};
  o.normals = {Vec3{0, 1, 0}, Vec3{0, 1, 0}, Vec3{0, 1, 0}};
  for (const int32_t style : {0, 1, 2, -1}) {
    distortSceneObject(o, values(style), 5);
    for (const Vec3& n : o.normals) EXPECT_TRUE(vec3Equal(n, Vec3{0, 1, 0})) << "style " << style;
  }
  EXPECT_TRUE(vec3Equal(o.vertices[1], Vec3{1, 1, 1})) << "undo copies the first key shape";
  EXPECT_EQ(o.frameVertices.size(), 2u);
}

TEST(ObjDistort, TerrainMeshIsNeverDistorted) {
  SceneObject o = shape();
  o.frameVertices.clear();
  o.frameNormals.clear();
  o.terrainMesh = true;
  const std::vector<Vec3> vertices = o.vertices;
  distortSceneObject(o, values(1), 1);
  EXPECT_TRUE(o.frameVertices.empty());
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(vec3Equal(o.vertices[i], vertices[i]));
}

TEST(ObjDistort, CommandFindsScenesByNameAndObjectsByUpperCaseName) {
  resetSceneTables();
  sceneTables.scenes.resize(2);
  Scene& stage = sceneTables.scenes[0];
  stage.name = "THE STAGE";
  stage.objects = {shape(), shape(), shape()};
  stage.objects[0].name = "BlueVase";
  stage.objects[1].name = "vase2";
  stage.objects[2].name = "Table";
  Scene& other = sceneTables.scenes[1];
  other.name = "BACKDROP";
  other.objects = {shape()};
  other.objects[0].name = "VASE";
  for (Scene* s : {&stage, &other}) {
    for (SceneObject& o : s->objects) {
      o.frameVertices.clear();
      o.frameNormals.clear();
    }
  }
  runSceneObjDistort(values(2), 7, 6);
  EXPECT_EQ(stage.objects[0].frameVertices.size(), 1u);
  EXPECT_EQ(stage.objects[1].frameVertices.size(), 1u);
  EXPECT_TRUE(stage.objects[2].frameVertices.empty()) << "not a vase";
  EXPECT_TRUE(other.objects[0].frameVertices.empty()) << "another scene";
  resetSceneTables();
}

}  // namespace
}  // namespace glorbe
