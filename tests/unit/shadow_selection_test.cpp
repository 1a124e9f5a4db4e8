// Which lights an object's shadow is drawn for, and which faces look at
// which light: the screen-space tests on projected box corners and the
// per-face light bits.
#include <gtest/gtest.h>

#include "geometry/model_reader.h"
#include "render/shadows.h"

namespace glorbe {
namespace {

// Screen-centred corners of a box given by its ranges, in box-corner order.
BoxCorners screenBox(Vec3 lo, Vec3 hi) {
  BoxCorners c;
  for (size_t i = 0; i < 8; ++i) c[i] = Vec3{(i & 2) ? hi.x : lo.x, (i & 4) ? hi.y : lo.y, (i & 1) ? hi.z : lo.z};
  return c;
}

Scene sceneWithLights(std::initializer_list<Vec3> screenPositions) {
  Scene scene;
  initScene(scene, "S");
  for (const Vec3& p : screenPositions) {
    SceneLight& light = scene.lights.emplace_back();
    light.screenPosition = p;
    light.onScreen = false;
  }
  scene.lightCount = static_cast<int32_t>(scene.lights.size());
  return scene;
}

TEST(VisibleObjectShadows, WithoutABoxEveryLightShadows) {
  Scene scene = sceneWithLights({{0, 0, 0.5f}});
  SceneObject o;
  o.shadowLights.fill(false);
  testVisibleObjectShadows(o, scene);
  for (bool on : o.shadowLights) EXPECT_TRUE(on);
}

TEST(VisibleObjectShadows, BoxAroundTheViewDirectionHidesEveryShadow) {
  Scene scene = sceneWithLights({{200, 0, 0.99f}});
  SceneObject o;
  o.hasBox = true;
  // Around the screen centre in x and y, and across the near plane.
  o.projectedCorners = screenBox({-10, -10, -0.5f}, {10, 10, 0.5f});
  o.shadowLights.fill(true);
  testVisibleObjectShadows(o, scene);
  for (bool on : o.shadowLights) EXPECT_FALSE(on);
  // In front of the near plane only: five of the six sides; the light
  // decides alone.
  o.projectedCorners = screenBox({-10, -10, 0.2f}, {10, 10, 0.5f});
  testVisibleObjectShadows(o, scene);
  EXPECT_TRUE(o.shadowLights[0]);
  EXPECT_FALSE(o.shadowLights[1]) << "no light 1 in the scene";
}

TEST(VisibleObjectShadows, ObjectBetweenTheViewAndALightShadowsNotForIt) {
  // Light 0 straight behind the box as seen from the screen centre, light 1
  // off to the side.
  Scene scene = sceneWithLights({{300, 0, 0.999f}, {-300, 100, 0.999f}});
  SceneObject o;
  o.hasBox = true;
  o.projectedCorners = screenBox({250, -50, 0.98f}, {350, 50, 0.995f});
  testVisibleObjectShadows(o, scene);
  EXPECT_FALSE(o.shadowLights[0]);
  EXPECT_TRUE(o.shadowLights[1]);
}

TEST(CulledObjectShadows, EachTestCanDropALight) {
  SceneObject o;
  o.hasBox = true;
  o.projectedCorners = screenBox({400, -50, 0.98f}, {500, 50, 0.99f});  // right of the view
  Scene scene = sceneWithLights({
      {600, 0, 0.999f},   // 0: further out, its shadow falls towards the view
      {600, 0, 0.999f},   // 1: the same, but on screen
      {-150, 0, 0.97f},   // 2: on the other side of the centre from the box
      {150, 0, 0.97f},    // 3: nearer the centre than every corner
      {450, 0, 0.9999f},  // 4: straight behind the box
  });
  scene.lights[1].onScreen = true;
  o.shadowLights.fill(true);
  testCulledObjectShadows(o, scene);
  EXPECT_TRUE(o.shadowLights[0]);
  EXPECT_FALSE(o.shadowLights[1]) << "on screen";
  EXPECT_FALSE(o.shadowLights[2]) << "every corner on the far side";
  EXPECT_FALSE(o.shadowLights[3]) << "every corner further out than the light";
  EXPECT_FALSE(o.shadowLights[4]) << "behind the box";
  EXPECT_FALSE(o.shadowLights[5]) << "no such light";
}

TEST(FaceLightBits, BitFifteenMinusTheLightAndEdgeOnCountsAsFacing) {
  Scene scene = sceneWithLights({{}, {}, {}});
  SceneObject o;
  o.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  o.vertexCount = 3;
  o.faces = {Face{0, 1, 2}, Face{0, 1, 2}, Face{0, 1, 2}};
  o.faceNormals = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}};  // towards, away, edge-on
  o.faceCount = 3;
  o.faceFlags = {0x40FF, 0xE0FF, 0x0000};
  o.shadowLights = {true, false, true};
  LightLocalPositions lights{};
  lights[0] = Vec3{0, 0, 5};
  lights[2] = Vec3{0, 0, 5};
  updateFaceLightBits(o, scene, lights);
  // Lights 0 and 2 are rewritten; light 1's bit (14) and the low bits stay.
  EXPECT_EQ(o.faceFlags[0], 0xE0FF);
  EXPECT_EQ(o.faceFlags[1], 0x40FF);
  EXPECT_EQ(o.faceFlags[2], 0xA000) << "edge-on faces the light";
}

TEST(FaceLightBits, ShortArraysAreNeverReadPast) {
  Scene scene = sceneWithLights({{}});
  SceneObject o;
  o.vertices = {{0, 0, 0}};
  o.vertexCount = 1;
  o.faces = {Face{0, 7, 9}, Face{5, 0, 0}};  // the second face's first corner is outside
  o.faceCount = 2;
  o.faceNormals = {{0, 0, 1}, {0, 0, 1}};
  o.shadowLights = {true};
  LightLocalPositions lights{};
  lights[0] = Vec3{0, 0, -5};
  updateFaceLightBits(o, scene, lights);  // the flags are made to fit
  ASSERT_EQ(o.faceFlags.size(), 2u);
  EXPECT_EQ(o.faceFlags[0], 0);
  o.faceNormals.resize(1);  // fewer normals than faces: nothing is done
  o.faceFlags = {0x1234, 0x1234};
  updateFaceLightBits(o, scene, lights);
  EXPECT_EQ(o.faceFlags[0], 0x1234);
}

}  // namespace
}  // namespace glorbe
