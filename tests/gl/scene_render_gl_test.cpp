// The scene pass drawn into the test window and read back: culling and
// frame statistics, lighting and texture modes, every surface pass on the
// main and the fallback paths, fog, halos, cameras and paused time.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display/display_state.h"
#include "render/frame_stats.h"
#include "render/lights_camera.h"
#include "render/object_drawing.h"
#include "render/scene_commands.h"
#include "render/scene_render.h"
#include "scene_gl_fixture.h"
#include "scripts/scene_tables.h"
#include "test_meshes.h"

namespace glorbe {
namespace {

using testing::readPixel;
using testing::Rgba;

// A scene looked at from (0, -10, 0) towards the origin, z up: world x runs
// to the right of the window and z upwards, about 29 pixels a unit at y = 0.
Scene viewScene(const std::string& name = "VIEW") {
  Scene scene;
  initScene(scene, name);
  testing::addTestCamera(scene, "CAM", Vec3{0, -10, 0}, Vec3{0, 0, 0});
  return scene;
}

// Window position of a world point through the view the last renderScene left.
std::array<int, 2> windowOf(const Vec3& p) {
  GLdouble mv[16], pr[16], x = 0, y = 0, z = 0;
  GLint vp[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, mv);
  glGetDoublev(GL_PROJECTION_MATRIX, pr);
  glGetIntegerv(GL_VIEWPORT, vp);
  gluProject(p.x, p.y, p.z, mv, pr, vp, &x, &y, &z);
  return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
}

// A light far behind the camera: every vertex of a small object facing the
// camera gets it head-on, so lit colours are plain products.
constexpr Vec3 kFarFront{0, -10000, 0};

Rgba pixelAt(const Vec3& p) {
  const auto w = windowOf(p);
  return readPixel(w[0], w[1]);
}

void expectColourNear(const Rgba& got, int r, int g, int b, int tolerance, const char* what) {
  EXPECT_NEAR(got[0], r, tolerance) << what;
  EXPECT_NEAR(got[1], g, tolerance) << what;
  EXPECT_NEAR(got[2], b, tolerance) << what;
}

class SceneRenderGl : public testing::SceneGlTest {
 protected:
  void clearFrame() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT); }

  // A quad facing the camera with a texture, specular off so that lit colours
  // are plain products.
  SceneObject& texturedQuad(Scene& scene, Vec3 centre, float half, GLuint texture, GLenum mode) {
    const int32_t i = testing::addTestQuadXZ(scene, "QUAD", centre, half, half);
    SceneObject& o = scene.objects[static_cast<size_t>(i)];
    o.texture = texture;
    o.textureEnvMode = mode;
    o.surface = {1, 1, 1, 1, 1, 1, 0, 0, 0, 0.8f};
    return o;
  }
};

TEST_F(SceneRenderGl, WindowHasAStencilBufferOfEightBits) {
  GLint bits = 0;
  glGetIntegerv(GL_STENCIL_BITS, &bits);
  EXPECT_EQ(bits, 8);
}

// ---- culling ----------------------------------------------------------------------

TEST_F(SceneRenderGl, ObjectLeftOfTheViewIsCulledAndCountsNothing) {
  Scene scene = viewScene();
  SceneObject& o = texturedQuad(scene, Vec3{-30, 0, 0}, 1, solidTexture(200, 200, 200), GL_REPLACE);
  // Two vertex frames that would move the quad: culled, it must keep its vertices.
  o.frameVertices = {o.vertices, o.vertices};
  for (Vec3& v : o.frameVertices[1]) v.z += 1;
  o.morphCount = 10;
  const std::vector<Vec3> before = o.vertices;

  renderScene(scene, 5, 4);
  EXPECT_FALSE(o.visibleThisFrame);
  EXPECT_EQ(frameStats.objs, 0);
  EXPECT_EQ(frameStats.objpolys, 0);
  EXPECT_EQ(testing::litPixelCount(readFrame()), 0);
  for (size_t v = 0; v < before.size(); ++v) EXPECT_EQ(o.vertices[v].z, before[v].z);

  // The same object in view is drawn, counted, and its frames play.
  for (Vec3& v : o.vertices) v.x += 30;
  for (auto& frame : o.frameVertices)
    for (Vec3& v : frame) v.x += 30;
  computeMeshBox(o);
  renderScene(scene, 5, 4);
  EXPECT_TRUE(o.visibleThisFrame);
  EXPECT_EQ(frameStats.objs, 1);
  EXPECT_EQ(frameStats.objpolys, 2);
  EXPECT_NEAR(o.vertices[0].z, -1 + 0.5f, 1e-6f) << "halfway between the two frames at tick 5";
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 200, 200, 200, 1, "drawn in the middle");
}

TEST_F(SceneRenderGl, CornerThatCannotBeProjectedFailsAllSixTests) {
  Scene scene = viewScene();
  SceneObject& o = texturedQuad(scene, Vec3{0, 0, 0}, 1, solidTexture(200, 200, 200), GL_REPLACE);
  // Four corners of the box lie on the camera's own plane (y = -10) and
  // cannot be projected; the other four are in view, so the box is not
  // outside any one side.
  for (size_t c = 0; c < 8; ++c) o.boxCorners[c].y = (c & 4) ? 0.0f : -10.0f;
  renderScene(scene, 1, 0);
  EXPECT_TRUE(o.visibleThisFrame);
  EXPECT_EQ(frameStats.objs, 1);
  for (size_t c = 0; c < 8; ++c) {
    if (c & 4) continue;
    EXPECT_EQ(o.projectedCorners[c].x, 0.0f);
    EXPECT_EQ(o.projectedCorners[c].z, 0.0f);
  }
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 200, 200, 200, 1, "drawn");

  // Now the projectable corners lie left of the view: every corner fails
  // "left", the object is culled although its mesh is in view.
  for (size_t c = 0; c < 8; ++c) o.boxCorners[c].x = (c & 4) ? -40.0f : 0.0f;
  clearFrame();
  resetFrameStats();
  renderScene(scene, 1, 0);
  EXPECT_FALSE(o.visibleThisFrame);
  EXPECT_EQ(frameStats.objs, 0);
  EXPECT_EQ(testing::litPixelCount(readFrame()), 0);
}

TEST_F(SceneRenderGl, ViewportAwayFromTheWindowCornerKeepsItsObjectsAndLights) {
  // The timeline can move the viewport (VIEWPORT). Window coordinates then
  // start at its corner, and the view tests must be taken against it.
  Scene scene = viewScene();
  SceneObject& o = texturedQuad(scene, Vec3{0, 0, 0}, 1, solidTexture(200, 200, 200), GL_REPLACE);
  testing::addTestLight(scene, "LAMP", Vec3{0, -5, 0}, {1, 1, 1});
  scene.lights[0].size = 0;  // no halo over the quad
  GLint saved[4];
  glGetIntegerv(GL_VIEWPORT, saved);
  glViewport(saved[2] / 2, saved[3] / 2, saved[2] / 2, saved[3] / 2);
  renderScene(scene, 1, 0);
  EXPECT_TRUE(o.visibleThisFrame);
  EXPECT_EQ(frameStats.objs, 1);
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 200, 200, 200, 1, "drawn in the middle of the viewport");
  const SceneLight& light = scene.lights[0];
  EXPECT_TRUE(light.onScreen);
  EXPECT_NEAR(light.screenPosition.x, 0, 1) << "centred on the viewport, not on the window";
  EXPECT_NEAR(light.screenPosition.y, 0, 1);
  glViewport(saved[0], saved[1], saved[2], saved[3]);
}

// ---- lighting ---------------------------------------------------------------------

TEST_F(SceneRenderGl, ReplaceIsUnlitAndModulateIsLit) {
  Scene scene = viewScene();
  SceneObject& o = texturedQuad(scene, Vec3{0, 0, 0}, 2, solidTexture(200, 160, 120), GL_MODULATE);
  testing::addTestLight(scene, "LAMP", kFarFront, {0.5f, 0.5f, 0.5f});
  renderScene(scene, 1, 0);
  // Head-on diffuse light of 0.5 halves the texture.
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 100, 80, 60, 3, "lit by half a light");

  o.textureEnvMode = GL_REPLACE;
  clearFrame();
  renderScene(scene, 1, 0);
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 200, 160, 120, 1, "replace ignores the light");

  // Without useAmbient the scene is not lit at all: modulate shows the texture.
  o.textureEnvMode = GL_MODULATE;
  scene.useAmbient = false;
  clearFrame();
  renderScene(scene, 1, 0);
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 200, 160, 120, 1, "lighting off");
}

TEST_F(SceneRenderGl, ScaledObjectKeepsItsBrightness) {
  Scene scene = viewScene();
  SceneObject& o = texturedQuad(scene, Vec3{0, 0, 0}, 1, solidTexture(255, 255, 255), GL_MODULATE);
  testing::addTestLight(scene, "LAMP", kFarFront, {0.6f, 0.6f, 0.6f});
  renderScene(scene, 1, 0);
  const Rgba plain = pixelAt(Vec3{0, 0, 0});
  initTrack(o.scaleTrack, 1);
  addKey(o.scaleTrack, 0, 0, 2, 2, 2);
  clearFrame();
  renderScene(scene, 1, 0);
  const Rgba scaled = pixelAt(Vec3{0, 0, 0});
  EXPECT_NEAR(plain[0], 153, 2);
  EXPECT_NEAR(scaled[0], plain[0], 2) << "normals are renormalised after scaling";
}

TEST_F(SceneRenderGl, PulsingLightIsClampedPerChannel) {
  Scene scene = viewScene();
  texturedQuad(scene, Vec3{0, 0, 0}, 2, solidTexture(255, 255, 255), GL_MODULATE);
  testing::addTestLight(scene, "LAMP", kFarFront, {0.5f, 0.2f, 0.9f});
  SceneLight& light = scene.lights[0];
  light.pulseRate = 0.5f;   // sin(tick x pi / 2)
  light.pulseAmount = 0.6f;
  renderScene(scene, 1, 0);  // + 0.6: 1.1, 0.8, 1.5
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 255, 204, 255, 3, "swing up, clamped at 1");
  clearFrame();
  renderScene(scene, 3, 2);  // - 0.6: -0.1, -0.4, 0.3
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 0, 0, 77, 3, "swing down, clamped at 0");
}

TEST_F(SceneRenderGl, MoreLightsThanGlHasUsesTheFirstEight) {
  Scene scene = viewScene();
  texturedQuad(scene, Vec3{0, 0, 0}, 2, solidTexture(255, 255, 255), GL_MODULATE);
  for (int i = 0; i < 12; ++i) testing::addTestLight(scene, std::string(1, static_cast<char>('A' + i)), kFarFront, {0.05f, 0.05f, 0.05f});
  renderScene(scene, 1, 0);
  // Eight lights of 0.05 each; the four extra ones are not lit, and no GL
  // error arises (checked when the test ends).
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 102, 102, 102, 3, "eight lights");
  EXPECT_EQ(frameStats.objs, 1);
}

// ---- surface passes and their fallbacks ----------------------------------------------

class SurfacePaths : public SceneRenderGl {
 protected:
  // Renders the scene once with the driver's capabilities and once for each
  // forced fallback, and expects the same picture every time.
  void expectSamePictureOnEveryPath(Scene& scene) {
    const DisplayCaps real = display.caps;
    ASSERT_TRUE(real.hasMultitexture && real.hasTexEnvAdd && real.hasTexEnvCombine && real.hasLockArrays)
        << "the main path needs every extension";
    clearFrame();
    renderScene(scene, 10, 9);
    const std::vector<uint8_t> main = readFrame();
    ASSERT_GT(testing::litPixelCount(main), 1000);

    struct Forced {
      const char* name;
      void (*change)(DisplayCaps&);
    };
    const Forced paths[] = {
        {"no multitexture (two passes)", [](DisplayCaps& c) { c.hasMultitexture = false; }},
        {"neither add nor combine (two passes)",
         [](DisplayCaps& c) { c.hasTexEnvAdd = c.hasTexEnvCombine = false; }},
        {"combine without add", [](DisplayCaps& c) { c.hasTexEnvAdd = false; }},
        {"no compiled vertex arrays", [](DisplayCaps& c) { c.hasLockArrays = false; }},
    };
    for (const Forced& path : paths) {
      display.caps = real;
      path.change(display.caps);
      clearFrame();
      renderScene(scene, 10, 9);
      EXPECT_LE(testing::largestDifference(readFrame(), main), 2) << path.name;
    }
    display.caps = real;
  }
};

TEST_F(SurfacePaths, BumpMapOnEveryPath) {
  Scene scene = viewScene();
  testing::addTestLight(scene, "LAMP", Vec3{-3, -8, 2}, {0.8f, 0.8f, 0.8f});
  const int32_t i = testing::addTestSphere(scene, "BALL", Vec3{0, 0, 0}, 3, 16, 24);
  SceneObject& o = scene.objects[static_cast<size_t>(i)];
  o.bumpMapOn = true;
  o.bumpTextureA = checkerTexture({60, 30, 20}, {40, 20, 10});
  o.bumpTextureB = checkerTexture({20, 40, 80}, {10, 30, 60});
  o.bumpEnvModeA = o.bumpEnvModeB = GL_REPLACE;
  o.texture = checkerTexture({180, 200, 220}, {200, 180, 160});
  o.surface = {1, 1, 1, 1, 1, 1, 0, 0, 0, 0.8f};
  o.bumpCoords.assign(o.texCoords.size(), TexCoord{});
  o.bumpVectorsA.assign(o.vertices.size(), Vec3{1, 0, 0});
  o.bumpVectorsB.assign(o.vertices.size(), Vec3{0, 0, 1});
  expectSamePictureOnEveryPath(scene);
  // Each vertex facing the light has its bump coordinate moved along its
  // axes towards the light: -x and +z here.
  const size_t front = 8 * 25 + 18;  // the vertex at (0, -3, 0)
  EXPECT_LT(o.bumpCoords[front].u, o.texCoords[front].u);
  EXPECT_GT(o.bumpCoords[front].v, o.texCoords[front].v);
  const size_t back = 8 * 25 + 6;  // (0, 3, 0), turned away
  EXPECT_EQ(o.bumpCoords[back].u, o.texCoords[back].u);

  // With plain textures the colour is exact: bump pair added (80, 70, 100),
  // then the base lit by 0.8 x 5 / sqrt(38) blended over as 2 x dst x src.
  o.bumpTextureA = solidTexture(60, 30, 20);
  o.bumpTextureB = solidTexture(20, 40, 80);
  o.texture = solidTexture(180, 200, 220);
  clearFrame();
  renderScene(scene, 10, 9);
  expectColourNear(pixelAt(Vec3{0, -3, 0}), 73, 71, 112, 4, "bump pair under the lit base");
}

TEST_F(SurfacePaths, TextureWithEnvironmentOnEveryPath) {
  Scene scene = viewScene();
  testing::addTestLight(scene, "LAMP", Vec3{0, -10, 0}, {0.7f, 0.7f, 0.7f});
  const int32_t i = testing::addTestSphere(scene, "BALL", Vec3{0, 0, 0}, 3, 16, 24);
  SceneObject& o = scene.objects[static_cast<size_t>(i)];
  o.texture = checkerTexture({100, 150, 200}, {150, 100, 50});
  o.envMapOn = true;
  o.envTexture = checkerTexture({60, 40, 20}, {20, 40, 60});
  o.envEnvMode = GL_REPLACE;
  o.surface = {1, 1, 1, 1, 1, 1, 0, 0, 0, 0.8f};
  expectSamePictureOnEveryPath(scene);
  o.envLinear = 1;
  o.envPlaneS = {0.3f, 0, 0, 0};
  o.envPlaneT = {0, 0, 0.3f, 0};
  expectSamePictureOnEveryPath(scene);

  // Lit base (0.7 head-on) plus the environment.
  o.texture = solidTexture(100, 150, 200);
  o.envTexture = solidTexture(60, 40, 20);
  clearFrame();
  renderScene(scene, 10, 9);
  expectColourNear(pixelAt(Vec3{0, -3, 0}), 70 + 60, 105 + 40, 140 + 20, 4, "base lit plus environment");
}

TEST_F(SceneRenderGl, EnvironmentOnlyIsUnlitReplace) {
  Scene scene = viewScene();
  testing::addTestLight(scene, "LAMP", Vec3{0, -10, 0}, {0.2f, 0.2f, 0.2f});
  const int32_t i = testing::addTestSphere(scene, "BALL", Vec3{0, 0, 0}, 3, 16, 24);
  SceneObject& o = scene.objects[static_cast<size_t>(i)];
  o.textureMapOn = false;
  o.envMapOn = true;
  o.envTexture = solidTexture(90, 180, 30);
  o.envEnvMode = GL_REPLACE;
  renderScene(scene, 1, 0);
  expectColourNear(pixelAt(Vec3{0, -3, 0}), 90, 180, 30, 1, "environment texture as it is");
}

TEST_F(SceneRenderGl, ToonShadeOverAnEnvironmentMap) {
  Scene scene = viewScene();
  testing::addTestLight(scene, "LAMP", Vec3{0, -10, 0}, {1, 1, 1});
  const int32_t i = testing::addTestSphere(scene, "BALL", Vec3{0, 0, 0}, 3, 16, 24);
  SceneObject& o = scene.objects[static_cast<size_t>(i)];
  o.textureMapOn = false;
  o.toonOn = true;
  o.toonTexture = rampTexture({{255, 128, 64}, {255, 128, 64}});
  o.toonEnvMode = GL_MODULATE;

  renderScene(scene, 1, 0);
  expectColourNear(pixelAt(Vec3{0, -3, 0}), 255, 128, 64, 1, "toon ramp alone");
  // The shade coordinate is the summed diffuse term: 1 facing the light.
  EXPECT_NEAR(o.texCoords[static_cast<size_t>(8 * 25 + 18)].u, 1.0f, 0.05f);
  EXPECT_EQ(o.texCoords[0].v, 0.0f);

  o.envMapOn = true;
  o.envTexture = solidTexture(128, 64, 128);
  o.envEnvMode = GL_REPLACE;
  clearFrame();
  renderScene(scene, 1, 0);
  // Environment first, then the ramp blended over it with (dst colour, src
  // colour): 2 x env x ramp.
  expectColourNear(pixelAt(Vec3{0, -3, 0}), 255, 64, 64, 3, "ramp blended over the environment");
}

TEST_F(SceneRenderGl, SilhouetteOutlinesOnlyWithAWidth) {
  Scene scene = viewScene();
  glClearColor(0.5f, 0.5f, 0.5f, 1);
  const int32_t i = testing::addTestBox(scene, "BOX", Vec3{-1, -1, -1}, Vec3{1, 1, 1});
  SceneObject& o = scene.objects[static_cast<size_t>(i)];
  o.texture = solidTexture(255, 255, 255);
  o.textureEnvMode = GL_REPLACE;

  auto frameWith = [&](int32_t width, bool smooth) {
    o.silhouette = width;
    o.silhouetteFlag = smooth;
    clearFrame();
    renderScene(scene, 1, 0);
    return readFrame();
  };
  const std::vector<uint8_t> plain = frameWith(0, false);
  EXPECT_EQ(testing::largestDifference(frameWith(0, true), plain), 0) << "the smooth flag without a width draws nothing";
  const std::vector<uint8_t> outlined = frameWith(4, false);
  // Just outside the box's right edge (x = 1 at the near face, y = -1) the
  // grey background turns black.
  renderScene(scene, 1, 0);
  const auto edge = windowOf(Vec3{1, -1, 0});
  const size_t at = static_cast<size_t>((edge[1] * testing::glWindowWidth + edge[0] + 1) * 3);
  EXPECT_NEAR(plain[at], 128, 1);
  EXPECT_EQ(outlined[at], 0);
  // The face itself stays white inside.
  const auto middle = windowOf(Vec3{0, -1, 0});
  EXPECT_EQ(outlined[static_cast<size_t>((middle[1] * testing::glWindowWidth + middle[0]) * 3)], 255);
  glClearColor(0, 0, 0, 0);
}

// ---- blending and fog ---------------------------------------------------------------

TEST_F(SceneRenderGl, AdditiveBlendedObjectIsNotFogged) {
  Scene scene = viewScene();
  scene.fogOn = true;
  scene.fogColor = {1, 0, 0};
  scene.fogStart = 0;
  scene.fogEnd = 1;  // everything past one unit is fully fogged
  SceneObject& o = texturedQuad(scene, Vec3{0, 0, 0}, 2, solidTexture(0, 100, 200), GL_REPLACE);
  o.blended = true;
  o.blendSrcFactor = GL_ONE;
  o.blendDstFactor = GL_ONE;
  renderScene(scene, 1, 0);
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 0, 100, 200, 1, "additive: no fog");

  o.blendSrcFactor = GL_SRC_ALPHA;
  clearFrame();
  renderScene(scene, 1, 0);
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 255, 0, 0, 1, "alpha-blended: fogged");

  // An opaque object in the same scene is fogged too.
  o.blended = false;
  clearFrame();
  renderScene(scene, 1, 0);
  expectColourNear(pixelAt(Vec3{0, 0, 0}), 255, 0, 0, 1, "opaque: fogged");
  EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(SceneRenderGl, CallersColourAndBlendStateComeBack) {
  Scene scene = viewScene();
  SceneObject& o = texturedQuad(scene, Vec3{0, 0, 0}, 2, solidTexture(0, 100, 200), GL_REPLACE);
  o.blended = true;
  testing::addTestLight(scene, "LAMP", Vec3{2, -5, 0}, {1, 1, 1});
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
  glColor4f(0.25f, 0.5f, 0.75f, 0.125f);
  renderScene(scene, 1, 0);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[0], 0.25f);
  EXPECT_FLOAT_EQ(colour[3], 0.125f);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_ONE_MINUS_DST_COLOR);
  EXPECT_EQ(dst, GL_ZERO);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  GLboolean depthMask = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
  EXPECT_TRUE(depthMask);
  glDisable(GL_BLEND);
}

// ---- halos ------------------------------------------------------------------------

class Halos : public SceneRenderGl {
 protected:
  // A wall in front of a dim light, rings only (the glow texture is black).
  Scene wallAndLight() {
    Scene scene = viewScene();
    texturedQuad(scene, Vec3{0, 0, 0}, 3, solidTexture(50, 50, 50), GL_REPLACE);
    testing::addTestLight(scene, "LAMP", Vec3{0, 5, 0}, {0.1f, 0.1f, 0.1f});
    SceneLight& light = scene.lights[0];
    light.flareTextureA = solidTexture(255, 255, 255);
    light.flareTextureB = solidTexture(0, 0, 0);
    light.flareEnvModeA = light.flareEnvModeB = GL_MODULATE;
    return scene;
  }
};

TEST_F(Halos, LightBehindAnObjectFadesOutOverAHundredTicksAndBackOverTwentyFive) {
  Scene scene = wallAndLight();
  SceneLight& light = scene.lights[0];
  int32_t tick = 0;
  for (; tick < 50; ++tick) renderScene(scene, tick + 1, tick);
  EXPECT_NEAR(light.haloFade, 0.5f, 1e-4f);
  expectColourNear(pixelAt(light.position), 50, 50, 50, 0, "the wall hides the rings");
  for (; tick < 100; ++tick) renderScene(scene, tick + 1, tick);
  EXPECT_NEAR(light.haloFade, 0.0f, 1e-5f);
  renderScene(scene, tick + 1, tick);
  EXPECT_EQ(light.haloFade, 0.0f) << "floored at 0";

  // The wall goes: the halo comes back, 0.04 a tick.
  scene.objects[0].ready = false;
  tick = 200;
  for (int i = 0; i < 5; ++i, ++tick) {
    clearFrame();
    renderScene(scene, tick + 1, tick);
  }
  EXPECT_NEAR(light.haloFade, 0.2f, 1e-4f);
  const int faint = pixelAt(light.position)[0];
  for (int i = 0; i < 20; ++i, ++tick) {
    clearFrame();
    renderScene(scene, tick + 1, tick);
  }
  EXPECT_EQ(light.haloFade, 1.0f);
  const int full = pixelAt(light.position)[0];
  // Red of the six rings at the centre: 2 x 0.2 + 4 x 0.1 = 0.8, times the fade.
  EXPECT_NEAR(full, 204, 6);
  EXPECT_NEAR(faint, 41, 6);
}

TEST_F(Halos, LightOutsideTheViewCountsAsSeenAndPausedTimeKeepsTheFade) {
  Scene scene = wallAndLight();
  SceneLight& light = scene.lights[0];
  light.position = Vec3{40, 0, 0};
  light.haloFade = 0.5f;
  renderScene(scene, 11, 10);
  EXPECT_FALSE(light.onScreen);
  EXPECT_NEAR(light.haloFade, 0.54f, 1e-6f);
  renderScene(scene, 11, 11);
  EXPECT_NEAR(light.haloFade, 0.54f, 1e-6f) << "no time passed";
  renderScene(scene, 5, 11);
  EXPECT_NEAR(light.haloFade, 0.54f, 1e-6f) << "time running backwards counts as none";

  // A light position that cannot be projected counts as hidden.
  light.position = Vec3{std::numeric_limits<float>::quiet_NaN(), 0, 0};
  renderScene(scene, 12, 11);
  EXPECT_NEAR(light.haloFade, 0.53f, 1e-6f);
  EXPECT_FALSE(light.onScreen);
}

TEST_F(Halos, DepthIsReadInsideTheViewportAtItsEdge) {
  Scene scene = wallAndLight();
  scene.objects[0].ready = false;
  SceneLight& light = scene.lights[0];
  light.position = Vec3{0, 0, 0};
  renderScene(scene, 1, 1);
  // Window x is linear in world x along the line y = z = 0: place the light
  // 0.3 pixels inside the right edge, where rounding reaches past it.
  GLdouble mv[16], pr[16], x1 = 0, y1 = 0, z1 = 0, x0 = 0, y0 = 0, z0 = 0;
  GLint vp[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, mv);
  glGetDoublev(GL_PROJECTION_MATRIX, pr);
  glGetIntegerv(GL_VIEWPORT, vp);
  gluProject(0, 0, 0, mv, pr, vp, &x0, &y0, &z0);
  gluProject(1, 0, 0, mv, pr, vp, &x1, &y1, &z1);
  light.position.x = static_cast<float>((testing::glWindowWidth - 0.3 - x0) / (x1 - x0));
  light.haloFade = 0.5f;
  clearFrame();
  renderScene(scene, 2, 1);
  EXPECT_TRUE(light.onScreen);
  EXPECT_NEAR(light.haloFade, 0.54f, 1e-6f) << "the depth of the last column, which is clear, shows it";
}

TEST_F(Halos, AttractorsPullOnlyWhenTimeMovesOn) {
  Scene scene = wallAndLight();
  // A second light next to its attractor, closer than sqrt(0.001): no pull.
  testing::addTestLight(scene, "NEAR", Vec3{1, -2, 0}, {0.1f, 0.1f, 0.1f});
  scene.lights[1].attractors = {Attractor{1, -2, 0.01f, 100.0f}};
  SceneLight& light = scene.lights[0];
  light.position = Vec3{0, -2, 0};
  light.attractors = {Attractor{0, -2, 1, 0.5f}};
  renderScene(scene, 10, 10);
  EXPECT_EQ(light.position.z, 0.0f);
  renderScene(scene, 10, 20);
  EXPECT_EQ(light.position.z, 0.0f) << "negative elapsed time";
  renderScene(scene, 12, 10);
  // Tick 1: v = 0.5, z = 0.5. Tick 2: d = 0.5, pull 0.5 x 0.5 / 0.25 = 1, v = 1.5, z = 2.
  EXPECT_NEAR(light.velocity.z, 1.5f, 1e-5f);
  EXPECT_NEAR(light.position.z, 2.0f, 1e-5f);
  EXPECT_EQ(scene.lights[1].position.z, 0.0f);
  EXPECT_EQ(scene.lights[1].velocity.z, 0.0f);
}

// ---- cameras -----------------------------------------------------------------------

TEST_F(SceneRenderGl, CameraWithEmptyTracksStaysWhereTheFilePutIt) {
  Scene scene = viewScene();
  texturedQuad(scene, Vec3{2, 0, 1}, 0.5f, solidTexture(0, 255, 0), GL_REPLACE);
  scene.cameras[0].position = Vec3{2, -6, 1};
  scene.cameras[0].target = Vec3{2, 0, 1};
  scene.cameras[0].roll = 0;
  renderScene(scene, 50, 49);
  EXPECT_EQ(scene.cameras[0].position.y, -6.0f);
  EXPECT_EQ(scene.cameras[0].target.x, 2.0f);
  // The quad is straight ahead: the middle of the window is green.
  expectColourNear(readPixel(testing::glWindowWidth / 2, testing::glWindowHeight / 2), 0, 255, 0, 0, "centre");
}

TEST_F(SceneRenderGl, CameraAlongTheStartUpIsEvaluatedATickLater) {
  Scene scene = viewScene();
  SceneCamera& camera = scene.cameras[0];
  camera.target = Vec3{0, 0, 0};
  initTrack(camera.positionTrack, 2);
  addKey(camera.positionTrack, 0, 0, 0, 0, 10);    // tick 0: straight down the z axis
  addKey(camera.positionTrack, 10, 0, 0, -10, 10);
  initTrack(camera.rollTrack, 3);
  addKey(camera.rollTrack, 0, 0, 0, 0, 0);
  addKey(camera.rollTrack, 1, 0, 10, 0, 0);
  addKey(camera.rollTrack, 2, 0, 20, 0, 0);
  renderScene(scene, 0, 0);
  Vec3 atOne;
  evaluateSmooth(camera.positionTrack, 1, atOne);
  EXPECT_EQ(camera.position.y, atOne.y) << "the position of tick 1";
  EXPECT_NE(camera.position.y, 0.0f);
  EXPECT_EQ(camera.roll, 20.0f) << "roll read at the tick reached, one past the usable one";
}

TEST_F(SceneRenderGl, CameraThatNeverFindsAnUpKeepsTheLastOne) {
  Scene scene = viewScene();
  texturedQuad(scene, Vec3{0, 0, 0}, 1, solidTexture(255, 0, 0), GL_REPLACE);
  // Looking straight down onto the quad's edge is never usable; a camera
  // on its target neither. Both end with the fallback up vector.
  scene.cameras[0].position = Vec3{0, 0, 10};
  scene.cameras[0].target = Vec3{0, 0, 0};
  renderScene(scene, 1, 0);
  EXPECT_EQ(scene.cameras[0].lastUp.y, 1.0f);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  for (float v : m) EXPECT_TRUE(std::isfinite(v));

  // A usable frame first: its up is kept for a later unusable one.
  scene.cameras[0].position = Vec3{0, -10, 0};
  renderScene(scene, 2, 1);
  EXPECT_NEAR(scene.cameras[0].lastUp.z, 1.0f, 1e-6f);
  scene.cameras[0].position = Vec3{0, 0, 0};
  renderScene(scene, 3, 2);
  EXPECT_NEAR(scene.cameras[0].lastUp.z, 1.0f, 1e-6f);
}

TEST_F(SceneRenderGl, CameraIndexNamingNoCameraSkipsViewHalosAndTerrain) {
  Scene scene = viewScene();
  testing::addTestLight(scene, "LAMP", Vec3{0, 0, 0}, {1, 1, 1});
  scene.lights[0].flareTextureA = scene.lights[0].flareTextureB = solidTexture(255, 255, 255);
  scene.currentCamera = 3;
  renderScene(scene, 1, 0);
  EXPECT_EQ(frameStats.objpolys, 0) << "no halo quads";
  EXPECT_EQ(scene.lights[0].haloFade, 1.0f);
  scene.currentCamera = -1;
  renderScene(scene, 2, 1);
  EXPECT_EQ(frameStats.objpolys, 0);
  EXPECT_EQ(testing::litPixelCount(readFrame()), 0);
}

// ---- time ---------------------------------------------------------------------------

TEST_F(SceneRenderGl, SameTickRedrawsTheSamePicture) {
  Scene scene = viewScene();
  SceneObject& o = texturedQuad(scene, Vec3{0, 0, 0}, 2, solidTexture(150, 150, 150), GL_MODULATE);
  o.frameVertices = {o.vertices, o.vertices};
  for (Vec3& v : o.frameVertices[1]) v.x += 1;
  o.morphCount = 7;
  testing::addTestLight(scene, "LAMP", Vec3{1, -6, 1}, {0.8f, 0.7f, 0.6f});
  SceneLight& light = scene.lights[0];
  light.attractors = {Attractor{-1, -6, 1, 0.01f}};
  light.flareTextureA = light.flareTextureB = solidTexture(80, 80, 80);
  light.pulseRate = 0.013f;
  light.pulseAmount = 0.2f;
  initTrack(scene.cameras[0].positionTrack, 2);
  addKey(scene.cameras[0].positionTrack, 0, 0, 0, -10, 0);
  addKey(scene.cameras[0].positionTrack, 100, 0, 3, -9, 1);

  renderScene(scene, 20, 10);
  const std::vector<uint8_t> first = readFrame();
  const Vec3 lightAt = light.position;
  const float fade = light.haloFade;
  clearFrame();
  renderScene(scene, 20, 20);
  EXPECT_EQ(testing::largestDifference(readFrame(), first), 0);
  EXPECT_EQ(light.position.x, lightAt.x);
  EXPECT_EQ(light.haloFade, fade);
}

// ---- vertex frames ------------------------------------------------------------------

TEST_F(SceneRenderGl, VertexFramesWithoutAUsableDurationStayStill) {
  Scene scene = viewScene();
  SceneObject& o = texturedQuad(scene, Vec3{0, 0, 0}, 1, solidTexture(255, 255, 255), GL_REPLACE);
  o.castsShadow = true;
  o.frameVertices.assign(50, o.vertices);
  for (Vec3& v : o.frameVertices[1]) v.z += 1;
  const std::vector<Vec3> start = o.vertices;
  for (int32_t duration : {0, -3}) {
    o.morphCount = duration;
    renderScene(scene, 17, 16);
    EXPECT_EQ(o.vertices[2].z, start[2].z) << duration;
  }
  // The longest duration: 50 frames of 2^31 - 1 ticks do not overflow.
  o.morphCount = std::numeric_limits<int32_t>::max();
  renderScene(scene, std::numeric_limits<int32_t>::max(), 0);
  EXPECT_NEAR(o.vertices[2].z, start[2].z + 1, 1e-5f) << "frame 1 at its start";
  // Casters get face normals (b - a) x (c - a), not unit length.
  EXPECT_NEAR(o.faceNormals[0].y, -4.0f, 1e-5f);

  // Frames shorter than the mesh are played as far as they go.
  o.frameVertices[0].resize(1);
  o.morphCount = 4;
  renderScene(scene, 2, 1);
  EXPECT_EQ(testing::litPixelCount(readFrame()) > 0, true);
}

// ---- the timeline's commands ----------------------------------------------------------

TEST_F(SceneRenderGl, RenderCommandDrawsScenesByNameButNotTerrainScenes) {
  Scene a = viewScene("INTRO ROOM");
  texturedQuad(a, Vec3{-2, 0, 0}, 1, solidTexture(255, 0, 0), GL_REPLACE);
  Scene b = viewScene("OUTRO");
  texturedQuad(b, Vec3{2, 0, 0}, 1, solidTexture(0, 0, 255), GL_REPLACE);
  Scene ground = viewScene("INTRO GROUND");
  texturedQuad(ground, Vec3{0, 0, 2}, 1, solidTexture(0, 255, 0), GL_REPLACE);
  sceneTables.scenes = {a, b, ground};
  LodTerrain& terrain = sceneTables.terrains.emplace_back();
  terrain.sceneIndex = 2;

  runSceneRender("INTRO", 1, 0);
  expectColourNear(pixelAt(Vec3{-2, 0, 0}), 255, 0, 0, 0, "INTRO ROOM drawn");
  expectColourNear(pixelAt(Vec3{2, 0, 0}), 0, 0, 0, 0, "OUTRO not named");
  expectColourNear(pixelAt(Vec3{0, 0, 2}), 0, 0, 0, 0, "the terrain's scene is not drawn by name");
  EXPECT_EQ(frameStats.objs, 1);
}

}  // namespace
}  // namespace glorbe
