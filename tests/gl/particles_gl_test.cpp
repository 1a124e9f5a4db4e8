// Particle systems drawn into the test window: additive camera-facing quads
// with their fading colour and size, box culling with the frame counters,
// and the systems that are not drawn at all.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "geometry/particle_setup.h"
#include "gl_context.h"
#include "render/frame_stats.h"
#include "render/particles.h"

namespace glorbe {
namespace {

using testing::readPixel;

// The camera 10 units down -y looking at the origin, z up: the quads face
// it in the x-z plane, one world unit about 21 pixels at the origin.
class ParticlesGlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::resetGlState();
    glMatrixMode(GL_PROJECTION);
    gluPerspective(60, static_cast<double>(testing::glWindowWidth) / testing::glWindowHeight, 0.1, 50);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(0, -10, 0, 0, 0, 0, 0, 0, 1);
    resetFrameStats();
    scene.cameras.resize(1);
    scene.cameras[0].position = Vec3{0, -10, 0};
    scene.particleSystems.reserve(4);  // the tests keep references to the systems they add
  }
  void TearDown() override {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    testing::resetGlState();
    resetFrameStats();
  }

  // One particle at `at` with the colour, alive for `life` of 10 ticks.
  ParticleSystem& addSystem(Vec3 at, std::array<float, 3> colour, int32_t life = 10) {
    ParticleSystem& system = scene.particleSystems.emplace_back();
    createParticleSystem(system, colour[0], colour[1], colour[2], at, Vec3{}, Vec3{}, 1, 11, 0, 2.0f, 0, 0, {});
    system.particles[0].life = life;
    return system;
  }

  // The window pixel of a world point on the plane y = 0.
  static std::array<int, 2> pixelOf(float x, float z) {
    GLdouble mv[16], pr[16], wx, wy, wz;
    GLint vp[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    glGetDoublev(GL_PROJECTION_MATRIX, pr);
    glGetIntegerv(GL_VIEWPORT, vp);
    gluProject(x, 0, z, mv, pr, vp, &wx, &wy, &wz);
    return {static_cast<int>(wx), static_cast<int>(wy)};
  }
  static testing::Rgba at(float x, float z) {
    const auto p = pixelOf(x, z);
    return readPixel(p[0], p[1]);
  }

  Scene scene;
};

TEST_F(ParticlesGlTest, QuadsAddTheirBrightenedColourAtFullAlpha) {
  addSystem(Vec3{0, 0, 0}, {0.3f, 0.1f, 0.0f});
  drawParticleSystems(scene);
  // Created 0.2 brighter than the system's colour and drawn 0.2 brighter
  // still: (0.7, 0.5, 0.4) added onto black.
  const testing::Rgba centre = at(0, 0);
  EXPECT_NEAR(centre[0], 178, 2);
  EXPECT_NEAR(centre[1], 128, 2);
  EXPECT_NEAR(centre[2], 102, 2);
  EXPECT_EQ(at(0.8f, 0.8f)[0], centre[0]) << "the quad is 2 units wide";
  EXPECT_EQ(at(1.3f, 0)[0], 0);
  EXPECT_EQ(frameStats.parsys, 1);
  EXPECT_EQ(frameStats.objpolys, 2);
  // The state the drawing promises to leave.
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  GLboolean depthMask = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
  EXPECT_TRUE(depthMask);
}

TEST_F(ParticlesGlTest, OlderParticlesFadeAndShrinkOrGrow) {
  // Life 8 of a span of 11: alpha 0.8; the size follows the fade (1.6 units)
  // or grows with age ((11 - 8 - 1) / 10 = 0.2 of 2 units).
  ParticleSystem& fading = addSystem(Vec3{-2, 0, 0}, {0.8f, 0.8f, 0.8f}, 8);
  ParticleSystem& growing = addSystem(Vec3{2, 0, 0}, {0.8f, 0.8f, 0.8f}, 8);
  fading.sizeFollowsFade = true;
  growing.sizeFollowsFade = false;
  drawParticleSystems(scene);
  EXPECT_NEAR(at(-2, 0)[0], 204, 2);  // 1.0 x 0.8
  EXPECT_NEAR(at(-2.5f, 0.5f)[0], 204, 2);
  EXPECT_NEAR(at(2, 0)[0], 204, 2);
  EXPECT_EQ(at(2.5f, 0.5f)[0], 0) << "a young particle that grows is still small";
}

TEST_F(ParticlesGlTest, SystemWithItsBoxOffScreenIsSkippedAndTheNextIsDrawn) {
  ParticleSystem& hidden = addSystem(Vec3{-2, 0, 0}, {0.0f, 0.8f, 0.0f});
  computeParticleBounds(hidden);
  for (Vec3& c : hidden.boxCorners) c.x += 200;  // the box far to the right
  ParticleSystem& shown = addSystem(Vec3{2, 0, 0}, {0.8f, 0.0f, 0.0f});
  shown.particles.resize(3);
  shown.particleCount = 3;
  computeParticleBounds(shown);
  drawParticleSystems(scene);
  EXPECT_EQ(at(-2, 0)[1], 0) << "culled by its box, though its particle is on screen";
  EXPECT_GT(at(2, 0)[0], 200);
  EXPECT_EQ(frameStats.parsys, 1);
  EXPECT_EQ(frameStats.objpolys, 6);
}

TEST_F(ParticlesGlTest, DisabledSystemsZeroLifeSpansAndScenesWithoutCameraDrawNothing) {
  ParticleSystem& disabled = addSystem(Vec3{-2, 0, 0}, {0.8f, 0.8f, 0.8f});
  disabled.enabled = false;
  ParticleSystem& instant = addSystem(Vec3{2, 0, 0}, {0.8f, 0.8f, 0.8f});
  instant.lifeBase = 1;  // lifeBase + lifeRange - 1 = 0: nothing to fade through
  drawParticleSystems(scene);
  EXPECT_EQ(at(-2, 0)[0], 0);
  EXPECT_EQ(at(2, 0)[0], 0);
  EXPECT_EQ(frameStats.parsys, 0);

  addSystem(Vec3{0, 0, 0}, {0.8f, 0.8f, 0.8f});
  scene.currentCamera = 1;  // no such camera
  drawParticleSystems(scene);
  scene.currentCamera = 0;
  scene.cameras.clear();
  drawParticleSystems(scene);
  EXPECT_EQ(at(0, 0)[0], 0);
  EXPECT_EQ(frameStats.parsys, 0);
  EXPECT_EQ(frameStats.objpolys, 0);
}

}  // namespace
}  // namespace glorbe
