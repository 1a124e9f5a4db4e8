// Particle systems without GL: creation (first states, random draws, limits),
// the culling box (and that it holds every position a particle reaches), the
// one-tick steps with attractors and re-emission, and emitters on lights.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/particle_setup.h"
#include "common/random_source.h"
#include "render/particles.h"

namespace glorbe {
namespace {

class ParticleSystemsTest : public ::testing::Test {
 protected:
  void SetUp() override { resetRandomSource(); }
  void TearDown() override { resetRandomSource(); }
};

// A point of the 0.001 grid below `centre + spread / 2`, within the spread.
void expectOnSpreadGrid(float value, float centre, float spread) {
  const float offset = spread * 0.5f - (value - centre);
  EXPECT_GE(offset, -1e-4f);
  EXPECT_LT(offset, spread + 1e-4f);
  EXPECT_NEAR(offset * 1000.0f, std::nearbyint(offset * 1000.0f), 0.05f);
}

bool inBox(const BoxCorners& box, const Vec3& p, float slack) {
  return p.x >= box[0].x - slack && p.y >= box[0].y - slack && p.z >= box[0].z - slack && p.x <= box[7].x + slack &&
         p.y <= box[7].y + slack && p.z <= box[7].z + slack;
}

TEST_F(ParticleSystemsTest, CreationFillsTheRecordAndEveryParticle) {
  ParticleSystem system;
  system.name = "LIGHT01";
  const std::vector<Attractor> attractors{{1, 2, 3, 0.5f}};
  createParticleSystem(system, -1.0f, 0.5f, 0.8f, Vec3{1, 2, 3}, Vec3{0, 0.1f, 0}, Vec3{0, 0, -0.01f}, 500, 10, 0,
                       0.3f, 2.0f, 0.05f, attractors);
  EXPECT_EQ(system.particleCount, 500);
  ASSERT_EQ(system.particles.size(), 500u);
  EXPECT_EQ(system.attractorCount, 1);
  EXPECT_EQ(system.attractors, attractors);
  EXPECT_TRUE(system.enabled);
  EXPECT_TRUE(system.sizeFollowsFade);
  EXPECT_FALSE(system.hasBox);
  EXPECT_EQ(system.name, "LIGHT01");
  std::vector<int> lives(10, 0);
  for (const Particle& p : system.particles) {
    expectOnSpreadGrid(p.position.x, 1, 2.0f);
    expectOnSpreadGrid(p.position.y, 2, 2.0f);
    expectOnSpreadGrid(p.position.z, 3, 2.0f);
    expectOnSpreadGrid(p.velocity.y, 0.1f, 0.05f);
    // lifeBase 10, lifeRange 0: ages 0 to 9, so the particles start at different ages.
    ASSERT_GE(p.life, 0);
    ASSERT_LT(p.life, 10);
    ++lives[static_cast<size_t>(p.life)];
    // A negative channel is random in [0, 1); the others are the colour + 0.2.
    EXPECT_GE(p.color[0], 0.0f);
    EXPECT_LT(p.color[0], 1.0f);
    EXPECT_FLOAT_EQ(p.color[1], 0.7f);
    EXPECT_FLOAT_EQ(p.color[2], 1.0f);
  }
  for (int n : lives) EXPECT_GT(n, 0);
  EXPECT_NE(system.particles[0].color[0], system.particles[1].color[0]);
}

TEST_F(ParticleSystemsTest, CreationDrawsSevenNumbersPerParticlePlusOnePerRandomChannel) {
  ParticleSystem system;
  createParticleSystem(system, -1, 0.2f, -1, Vec3{}, Vec3{}, Vec3{}, 40, 5, 5, 1, 1, 1, {});
  const uint64_t after = randomSource.state;
  resetRandomSource();
  for (int i = 0; i < 40 * 9; ++i) randomUnit();
  EXPECT_EQ(randomSource.state, after);

  // A zero spread puts every particle exactly on the emitter.
  createParticleSystem(system, 0, 0, 0, Vec3{1, 2, 3}, Vec3{0, 0, 4}, Vec3{}, 40, 5, 5, 1, 0, 0, {});
  for (const Particle& p : system.particles) {
    EXPECT_EQ(p.position.x, 1.0f);
    EXPECT_EQ(p.position.z, 3.0f);
    EXPECT_EQ(p.velocity.z, 4.0f);
  }
}

TEST_F(ParticleSystemsTest, CreationHoldsCountsAndSpreadsInRange) {
  ParticleSystem system;
  createParticleSystem(system, 0, 0, 0, Vec3{}, Vec3{}, Vec3{}, -5, 10, 10, 1, 1, 1, {});
  EXPECT_EQ(system.particleCount, 0);
  EXPECT_TRUE(system.particles.empty());
  createParticleSystem(system, 0, 0, 0, Vec3{}, Vec3{}, Vec3{}, 2000000000, 10, 10, 1, 1, 1, {});
  EXPECT_EQ(system.particleCount, kMaxParticles);
  EXPECT_EQ(system.particles.size(), static_cast<size_t>(kMaxParticles));

  // Spreads too wide for a count of 0.001 steps are clamped before converting;
  // NaN is no spread at all.
  createParticleSystem(system, 0, 0, 0, Vec3{}, Vec3{}, Vec3{}, 200, 10, 10, 1, 1e30f, NAN, {});
  EXPECT_EQ(system.emitSpread, kMaxSpread);
  EXPECT_EQ(system.velocitySpread, 0.0f);
  for (const Particle& p : system.particles) {
    ASSERT_TRUE(std::isfinite(p.position.x));
    EXPECT_LE(std::fabs(p.position.x), kMaxSpread * 0.5f + 1.0f);
    EXPECT_EQ(p.velocity.x, 0.0f);
  }
  EXPECT_EQ(spreadSteps(-3.0f), 0);
  EXPECT_EQ(spreadSteps(0.0015f), 2);
  EXPECT_EQ(spreadSteps(0.0025f), 2);
  // The float spread times 1000, rounded once: 0.0055f is 0.0054999999,
  // 0.0125f is 0.0125000002; only spreads that are exact in binary give
  // ties, and these go to even.
  EXPECT_EQ(spreadSteps(0.0055f), 5);
  EXPECT_EQ(spreadSteps(0.0125f), 13);
  EXPECT_EQ(spreadSteps(0.0625f), 62);
  EXPECT_EQ(spreadSteps(0.1875f), 188);
  EXPECT_EQ(spreadSteps(INFINITY), spreadSteps(kMaxSpread));
  EXPECT_GT(spreadSteps(INFINITY), 2147480000);

  // Lifetimes that would overflow when summed.
  createParticleSystem(system, 0, 0, 0, Vec3{}, Vec3{}, Vec3{}, 10, INT32_MAX, INT32_MAX, 1, 0, 0, {});
  for (const Particle& p : system.particles) EXPECT_GE(p.life, 0);
}

TEST_F(ParticleSystemsTest, BoundsCollapseOntoTheFlightLineWithoutSpreadOrGravity) {
  ParticleSystem system;
  createParticleSystem(system, 0, 0, 0, Vec3{1, 1, 1}, Vec3{0.5f, -0.25f, 0}, Vec3{}, 10, 6, 4, 1, 0, 0, {});
  computeParticleBounds(system);
  ASSERT_TRUE(system.hasBox);
  // From the emitter to emitter + (10 - 1) x velocity.
  const BoxCorners& b = system.boxCorners;
  EXPECT_FLOAT_EQ(b[0].x, 1.0f);
  EXPECT_FLOAT_EQ(b[0].y, 1.0f - 9 * 0.25f);
  EXPECT_FLOAT_EQ(b[0].z, 1.0f);
  EXPECT_FLOAT_EQ(b[7].x, 1.0f + 9 * 0.5f);
  EXPECT_FLOAT_EQ(b[7].y, 1.0f);
  EXPECT_FLOAT_EQ(b[7].z, 1.0f);
  // Corner order: z changes first, then x, then y.
  EXPECT_EQ(b[1].z, b[7].z);
  EXPECT_EQ(b[2].x, b[7].x);
  EXPECT_EQ(b[4].y, b[7].y);
  EXPECT_EQ(b[3].y, b[0].y);
}

TEST_F(ParticleSystemsTest, BoundsHoldEveryPositionAParticleReaches) {
  ParticleSystem system;
  createParticleSystem(system, 0, 0, 0, Vec3{2, -1, 0.5f}, Vec3{0.02f, 0.05f, 0.1f}, Vec3{0.001f, 0, -0.004f}, 300,
                       40, 25, 0.2f, 0.6f, 0.08f, {});
  computeParticleBounds(system);
  ASSERT_TRUE(system.hasBox);
  for (int tick = 0; tick < 3 * 65; ++tick) {
    updateParticleSystem(system, 1);
    for (const Particle& p : system.particles) {
      ASSERT_TRUE(inBox(system.boxCorners, p.position, 1e-4f))
          << "tick " << tick << " at " << p.position.x << "," << p.position.y << "," << p.position.z;
    }
  }
}

TEST_F(ParticleSystemsTest, BoundsOfLifetimesTooLongToFollowAreNotMade) {
  ParticleSystem system;
  createParticleSystem(system, 0, 0, 0, Vec3{}, Vec3{1, 0, 0}, Vec3{}, 1, INT32_MAX, INT32_MAX, 1, 0, 0, {});
  computeParticleBounds(system);
  EXPECT_FALSE(system.hasBox) << "a box that cannot hold the flight must not cull it";
  // No lifetime at all still runs the loop once: the box is the emitter.
  createParticleSystem(system, 0, 0, 0, Vec3{3, 4, 5}, Vec3{1, 0, 0}, Vec3{}, 1, 0, -7, 1, 0, 0, {});
  computeParticleBounds(system);
  ASSERT_TRUE(system.hasBox);
  EXPECT_FLOAT_EQ(system.boxCorners[0].x, 3.0f);
  EXPECT_FLOAT_EQ(system.boxCorners[7].x, 3.0f);
}

TEST_F(ParticleSystemsTest, StepAppliesAttractorsGravityAndAge) {
  ParticleSystem system;
  createParticleSystem(system, 0, 0, 0, Vec3{}, Vec3{}, Vec3{0, 0, -0.5f}, 2, 100, 0, 1, 0, 0,
                       {Attractor{2, 0, 0, 4.0f}});
  system.particles[0].position = Vec3{2.01f, 0, 0};  // d2 = 0.0001: on the attractor
  system.particles[0].velocity = Vec3{};
  system.particles[0].life = 50;
  system.particles[1].position = Vec3{0, 0, 0};  // d = (2, 0, 0), d2 = 4: pulled by d x 4 / 4
  system.particles[1].velocity = Vec3{};
  system.particles[1].life = 50;
  updateParticleSystem(system, 1);
  const Particle& still = system.particles[0];
  EXPECT_FLOAT_EQ(still.velocity.x, 0.0f);
  EXPECT_FLOAT_EQ(still.velocity.z, -0.5f);
  EXPECT_FLOAT_EQ(still.position.z, -0.5f);
  EXPECT_EQ(still.life, 49);
  const Particle& pulled = system.particles[1];
  EXPECT_FLOAT_EQ(pulled.velocity.x, 2.0f);
  EXPECT_FLOAT_EQ(pulled.position.x, 2.0f);

  // No ticks, no change.
  const std::vector<Particle> before = system.particles;
  updateParticleSystem(system, 0);
  updateParticleSystem(system, -4);
  EXPECT_EQ(system.particles[1].position.x, before[1].position.x);
  EXPECT_EQ(system.particles[1].life, before[1].life);
}

TEST_F(ParticleSystemsTest, ParticlesWhoseLifeRunsOutAreEmittedAgain) {
  ParticleSystem system;
  createParticleSystem(system, -1, 0.3f, -1, Vec3{5, 5, 5}, Vec3{0, 0, 1}, Vec3{}, 200, 20, 10, 1, 1.0f, 0.2f, {});
  for (Particle& p : system.particles) {
    p.life = 1;
    p.position = Vec3{100, 100, 100};
  }
  updateParticleSystem(system, 1);
  for (const Particle& p : system.particles) {
    expectOnSpreadGrid(p.position.x, 5, 1.0f);
    expectOnSpreadGrid(p.position.z, 5, 1.0f);
    expectOnSpreadGrid(p.velocity.z, 1, 0.2f);
    EXPECT_GE(p.life, 20);
    EXPECT_LT(p.life, 30);
    EXPECT_GE(p.color[0], 0.0f);
    EXPECT_LT(p.color[0], 1.0f);
    EXPECT_FLOAT_EQ(p.color[1], 0.5f) << "channels that are not random keep their first colour";
  }
}

TEST_F(ParticleSystemsTest, StepsStayInsideTheArraysWhateverTheCountsSay) {
  ParticleSystem system;
  createParticleSystem(system, 0, 0, 0, Vec3{}, Vec3{}, Vec3{}, 4, 30, 0, 1, 0, 0, {Attractor{1, 0, 0, 1}});
  for (Particle& p : system.particles) p.life = 20;
  system.particleCount = 1000;  // more than there are
  system.attractorCount = 50;
  updateParticleSystem(system, 1);
  for (const Particle& p : system.particles) {
    EXPECT_FLOAT_EQ(p.velocity.x, 1.0f) << "every particle there is was pulled once";
    EXPECT_EQ(p.life, 19);
  }
  // A negative count steps nothing.
  system.particleCount = -3;
  updateParticleSystem(system, 5);
  EXPECT_EQ(system.particles[0].life, 19);
  // Lifetimes at the ends of the 32-bit range neither overflow nor stop re-emission.
  system.particleCount = 4;
  system.lifeBase = INT32_MIN;
  system.lifeRange = -1;
  for (Particle& p : system.particles) p.life = INT32_MIN;
  updateParticleSystem(system, 2);
  for (const Particle& p : system.particles) EXPECT_EQ(p.life, INT32_MIN + 1);
}

TEST_F(ParticleSystemsTest, EmitterOnALightCarriesItsBox) {
  ParticleSystem system;
  createParticleSystem(system, 0, 0, 0, Vec3{1, 1, 1}, Vec3{}, Vec3{}, 3, 5, 0, 1, 0.5f, 0, {});
  SceneLight light;
  light.position = Vec3{4, -2, 1};
  attachParticleSystemToLight(system, light);
  EXPECT_FLOAT_EQ(system.position.x, 4.0f);
  EXPECT_FLOAT_EQ(system.position.y, -2.0f);
  EXPECT_EQ(system.boxCorners[0].x, 0.0f) << "no box yet: nothing to move";

  computeParticleBounds(system);
  const BoxCorners before = system.boxCorners;
  light.position = Vec3{5, -2, 3};
  attachParticleSystemToLight(system, light);
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(system.boxCorners[i].x, before[i].x + 1.0f);
    EXPECT_FLOAT_EQ(system.boxCorners[i].y, before[i].y);
    EXPECT_FLOAT_EQ(system.boxCorners[i].z, before[i].z + 2.0f);
  }
}

}  // namespace
}  // namespace glorbe
