// Stencil shadows read back from the frame buffer: one or two darkenings
// where shadows overlap, objects between the view and a light, open meshes,
// corners shared by position, and casters out of view.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>

#include "render/frame_stats.h"
#include "render/scene_render.h"
#include "scene_gl_fixture.h"
#include "test_meshes.h"

namespace glorbe {
namespace {

using testing::readPixel;
using testing::Rgba;

int redAt(const Vec3& p) {
  GLdouble mv[16], pr[16], x = 0, y = 0, z = 0;
  GLint vp[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, mv);
  glGetDoublev(GL_PROJECTION_MATRIX, pr);
  glGetIntegerv(GL_VIEWPORT, vp);
  gluProject(p.x, p.y, p.z, mv, pr, vp, &x, &y, &z);
  return readPixel(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)))[0];
}

class ShadowsGl : public testing::SceneGlTest {
 protected:
  // A white unlit floor seen from above and in front, shadows at half strength.
  Scene floorScene(Vec3 cameraAt = Vec3{0, -6, 14}, Vec3 lookAt = Vec3{0, 0, 0}) {
    Scene scene;
    initScene(scene, "SHADOWS");
    testing::addTestCamera(scene, "CAM", cameraAt, lookAt);
    const int32_t floor = testing::addTestQuadXY(scene, "FLOOR", Vec3{0, 0, 0}, 12, 12);
    scene.objects[static_cast<size_t>(floor)].texture = solidTexture(255, 255, 255);
    scene.objects[static_cast<size_t>(floor)].textureEnvMode = GL_REPLACE;
    scene.shadow = true;
    scene.shadowStrength = 0.5f;
    return scene;
  }

  SceneObject& caster(Scene& scene, int32_t index) {
    SceneObject& o = scene.objects[static_cast<size_t>(index)];
    o.castsShadow = true;
    o.texture = solidTexture(90, 90, 90);
    o.textureEnvMode = GL_REPLACE;
    return o;
  }

  void render(Scene& scene) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    renderScene(scene, 1, 0);
  }
};

TEST_F(ShadowsGl, OverlappingShadowsDarkenOnceOrOncePerLight) {
  Scene scene = floorScene();
  caster(scene, testing::addTestBox(scene, "BOX", Vec3{-0.5f, -0.5f, 2}, Vec3{0.5f, 0.5f, 3}));
  testing::addTestLight(scene, "A", Vec3{-4, -1.5f, 8}, {1, 1, 1});
  testing::addTestLight(scene, "B", Vec3{-4, 1.5f, 8}, {1, 1, 1});
  const Vec3 both{1.5f, 0, 0}, onlyA{1.5f, 1, 0}, onlyB{1.5f, -1, 0}, neither{-3, 3, 0};

  render(scene);
  EXPECT_NEAR(redAt(both), 128, 1) << "one darkening for all lights together";
  EXPECT_NEAR(redAt(onlyA), 128, 1);
  EXPECT_NEAR(redAt(onlyB), 128, 1);
  EXPECT_EQ(redAt(neither), 255);

  scene.addShadow = true;
  render(scene);
  EXPECT_NEAR(redAt(both), 64, 1) << "each light darkens its own shadow";
  EXPECT_NEAR(redAt(onlyA), 128, 1);
  EXPECT_NEAR(redAt(onlyB), 128, 1);
  EXPECT_EQ(redAt(neither), 255);

  scene.shadowStrength = 0.25f;
  render(scene);
  EXPECT_NEAR(redAt(both), 143, 2);
  EXPECT_NEAR(redAt(onlyA), 191, 1);

  // Without SHADOW nothing is darkened; the stencil test is off afterwards.
  scene.shadow = false;
  render(scene);
  EXPECT_EQ(redAt(both), 255);
  EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
}

TEST_F(ShadowsGl, ObjectBetweenTheViewAndALightCastsNoShadowForIt) {
  // The camera looks level at a box; light 0 stands straight behind the box,
  // light 1 high to the right. Were light 0's volume drawn, the camera would
  // sit inside it and the count at the floor left of the box would come
  // back to zero: light 1's shadow there would vanish.
  Scene scene = floorScene(Vec3{0, -10, 2}, Vec3{0, 0, 2});
  SceneObject& box = caster(scene, testing::addTestBox(scene, "BOX", Vec3{-1, -1, 1}, Vec3{1, 1, 3}));
  testing::addTestLight(scene, "BEHIND", Vec3{0, 8, 2.5f}, {1, 1, 1});
  testing::addTestLight(scene, "SIDE", Vec3{5, 0, 8}, {1, 1, 1});
  render(scene);
  EXPECT_FALSE(box.shadowLights[0]);
  EXPECT_TRUE(box.shadowLights[1]);
  EXPECT_NEAR(redAt(Vec3{-1.67f, -0.5f, 0}), 128, 1) << "light 1's shadow";
  EXPECT_EQ(redAt(Vec3{3, -2, 0}), 255);
}

TEST_F(ShadowsGl, OpenMeshesExtrudeTheirBorderEdgesWhicheverWayTheyFace) {
  Scene scene = floorScene();
  // A square roof, two triangles, open all round; first facing the light
  // above, then turned over (its border edges run the other way).
  const int32_t roof = testing::addTestQuadXY(scene, "ROOF", Vec3{0, 0, 3}, 1, 1);
  caster(scene, roof);
  testing::addTestLight(scene, "SUN", Vec3{0, 0, 9}, {1, 1, 1});
  EXPECT_EQ(scene.objects[static_cast<size_t>(roof)].edges.size(), 5u) << "four open edges and one shared";
  render(scene);
  const Vec3 shadowed{0, 0, 0}, outside{2.5f, 0, 0};
  EXPECT_NEAR(redAt(shadowed), 128, 1);
  EXPECT_NEAR(redAt(Vec3{1.4f, -1.4f, 0}), 128, 1) << "the footprint grows by 9 / 6 below the light";
  EXPECT_EQ(redAt(outside), 255);

  SceneObject& o = scene.objects[static_cast<size_t>(roof)];
  for (Face& f : o.faces) std::swap(f[1], f[2]);
  testing::finishTestMesh(o);
  o.castsShadow = true;
  render(scene);
  EXPECT_EQ(o.faceFlags[0] & 0x8000, 0) << "turned away from the light";
  EXPECT_NEAR(redAt(shadowed), 128, 1);
  EXPECT_EQ(redAt(outside), 255);
}

TEST_F(ShadowsGl, CornersAreSharedByPositionNotByNumber) {
  Scene shared = floorScene();
  caster(shared, testing::addTestBox(shared, "BOX", Vec3{-1, -1, 2}, Vec3{1, 1, 3}));
  testing::addTestLight(shared, "SUN", Vec3{-3, -2, 9}, {1, 1, 1});
  render(shared);
  const std::vector<uint8_t> sharedFrame = readFrame();
  EXPECT_NEAR(redAt(Vec3{2.5f, 0, 0}), 128, 1);

  Scene split = floorScene();
  const int32_t box = testing::addTestBox(split, "BOX", Vec3{-1, -1, 2}, Vec3{1, 1, 3}, true);
  caster(split, box);
  testing::addTestLight(split, "SUN", Vec3{-3, -2, 9}, {1, 1, 1});
  render(split);
  EXPECT_EQ(testing::largestDifference(readFrame(), sharedFrame), 0) << "36 separate corners, the same volume";

  // A corner moved apart after the edge list was made (as morphing does):
  // the edges that lost their partner are left out, nothing else changes.
  split.objects[static_cast<size_t>(box)].vertices[0].z += 0.001f;
  render(split);
  EXPECT_NEAR(redAt(Vec3{2.5f, 0, 0}), 128, 1);
}

TEST_F(ShadowsGl, CasterOutOfViewStillThrowsItsShadowIntoIt) {
  Scene scene = floorScene();
  SceneObject& o = caster(scene, testing::addTestBox(scene, "BOX", Vec3{-0.5f, 9, 2}, Vec3{0.5f, 10, 3}));
  testing::addTestLight(scene, "SUN", Vec3{0, 14, 8}, {1, 1, 1});
  render(scene);
  EXPECT_TRUE(o.visibleThisFrame) << "kept for the shadow pass";
  EXPECT_EQ(frameStats.objs, 1) << "only the floor is drawn";
  EXPECT_NEAR(redAt(Vec3{0, 7.2f, 0}), 128, 1);

  // From a light in view its shadow falls outwards, away from the view: the
  // caster is left out altogether.
  scene.lights[0].position = Vec3{0, 0, 5};
  render(scene);
  EXPECT_TRUE(scene.lights[0].onScreen);
  EXPECT_FALSE(o.visibleThisFrame);
  EXPECT_EQ(redAt(Vec3{0, 7.2f, 0}), 255);
}

TEST_F(ShadowsGl, SoftBodyShadowsFromWhereItIsDrawn) {
  // A soft body keeps its vertices in world space and is drawn without its
  // object transform; its lights and volumes must be taken in that space
  // too, or the shadow moves with a transform the body never shows.
  Scene scene = floorScene();
  SceneObject& body = caster(scene, testing::addTestBox(scene, "JELLY", Vec3{-1, -1, 2}, Vec3{1, 1, 3}));
  body.flexOn = true;
  initTrack(body.positionTrack, 1);
  addKey(body.positionTrack, 0, 0, 3, 0, 0);
  testing::addTestLight(scene, "SUN", Vec3{0, 0, 9}, {1, 1, 1});
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  renderScene(scene, 1, 1);  // time stands still: the body is not stepped
  // The box's top, 6 below the light, throws a square of half size 1.5.
  EXPECT_NEAR(redAt(Vec3{1.3f, 0, 0}), 128, 1) << "beside the drawn body";
  EXPECT_NEAR(redAt(Vec3{-1.3f, 0, 0}), 128, 1);
  EXPECT_EQ(redAt(Vec3{4, 0, 0}), 255) << "where the unused transform would put it";
}

}  // namespace
}  // namespace glorbe
