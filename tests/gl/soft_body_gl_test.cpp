// Soft bodies and distortion inside the scene pass: how far a frame steps a
// soft body, and which objects OBJDISTORT reaches after they were drawn.
#include <gtest/gtest.h>

#include "geometry/flex_setup.h"
#include "render/scene_commands.h"
#include "render/scene_render.h"
#include "scene_gl_fixture.h"
#include "scripts/scene_finishing.h"
#include "scripts/scene_tables.h"
#include "test_meshes.h"

namespace glorbe {
namespace {

class SoftBodyGl : public testing::SceneGlTest {
 protected:
  // A table and a soft ball above it, seen from the side.
  static Scene tableScene(const std::string& name) {
    Scene scene;
    initScene(scene, name);
    testing::addTestCamera(scene, "CAM", Vec3{0, -10, 1}, Vec3{0, 0, 1});
    testing::addTestBox(scene, "TABLE", Vec3{-2, -2, -1}, Vec3{2, 2, 0});
    const int32_t i = testing::addTestSphere(scene, "BALL", Vec3{0, 0, 2}, 1, 6, 8);
    SceneObject& ball = scene.objects[static_cast<size_t>(i)];
    ball.flexOn = true;
    buildEdgeList(ball);
    setupFlexObject(ball, 40, 0.5f, 0.2f, 1, 0.1f, Vec3{0, 0, -5});
    return scene;
  }
};

TEST_F(SoftBodyGl, JumpOfAHundredTicksStepsLikeOneOfSix) {
  Scene jump = tableScene("JUMP");
  Scene six = tableScene("SIX");
  renderScene(jump, 100, 0);
  renderScene(six, 6, 0);
  const SceneObject& a = jump.objects[1];
  const SceneObject& b = six.objects[1];
  EXPECT_LT(a.boxCorners[0].z, 1.0f) << "it fell";
  for (size_t v = 0; v < a.vertices.size(); ++v) EXPECT_TRUE(vec3Equal(a.vertices[v], b.vertices[v])) << v;

  // Time standing still or running back does not step it.
  const std::vector<Vec3> now = a.vertices;
  renderScene(jump, 100, 100);
  renderScene(jump, 50, 100);
  for (size_t v = 0; v < now.size(); ++v) EXPECT_TRUE(vec3Equal(jump.objects[1].vertices[v], now[v]));
}

TEST_F(SoftBodyGl, BallSettlesOnTheTableFrameByFrame) {
  Scene scene = tableScene("SETTLE");
  for (int32_t tick = 1; tick <= 240; ++tick) {
    renderScene(scene, tick, tick - 1);
    ASSERT_GE(scene.objects[1].boxCorners[0].z, -1e-6f) << "tick " << tick;  // rounding at most
  }
  EXPECT_LT(scene.objects[1].boxCorners[0].z, 0.01f) << "resting on the table";
  EXPECT_TRUE(scene.objects[1].visibleThisFrame) << "drawn where its vertices are";
}

TEST_F(SoftBodyGl, ObjDistortReachesOnlyObjectsDrawnInTheLastFrame) {
  resetSceneTables();
  Scene& scene = sceneTables.scenes.emplace_back();
  initScene(scene, "GALLERY");
  testing::addTestCamera(scene, "CAM", Vec3{0, -10, 0}, Vec3{0, 0, 0});
  testing::addTestSphere(scene, "VASE", Vec3{0, 0, 0}, 1, 6, 8);
  testing::addTestSphere(scene, "VASE_BEHIND", Vec3{0, -20, 0}, 1, 6, 8);  // behind the camera
  renderScene(scene, 1, 0);
  ASSERT_TRUE(scene.objects[0].visibleThisFrame);
  ASSERT_FALSE(scene.objects[1].visibleThisFrame);
  const std::vector<Vec3> inView = scene.objects[0].vertices, behind = scene.objects[1].vertices;

  SceneObjDistortValues v;
  v.name = "GALLERY";
  v.objectName = "VASE";
  v.style = 1;
  v.ax = v.ay = v.az = 0.2f;
  v.sx = v.sy = v.sz = 0.5f;
  runSceneObjDistort(v, 1, 0);
  EXPECT_FALSE(vec3Equal(scene.objects[0].vertices[29], inView[29])) << "twisted (a vertex of the equator)";
  for (size_t i = 0; i < behind.size(); ++i) EXPECT_TRUE(vec3Equal(scene.objects[1].vertices[i], behind[i]));
  EXPECT_EQ(scene.objects[1].frameVertices.size(), 1u) << "its source is made all the same";
  resetSceneTables();
}

}  // namespace
}  // namespace glorbe
