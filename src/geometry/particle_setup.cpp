// Particle systems at creation: parameters, first particle states and the
// culling box. Depends on the scene records and the general random source.
#include "geometry/particle_setup.h"

#include <algorithm>
#include <cmath>

#include "common/random_source.h"

namespace glorbe {

float clampSpread(float spread) {
  if (std::isnan(spread)) return 0.0f;
  return std::min(spread, kMaxSpread);
}

int32_t spreadSteps(float spread) {
  // The product is exact in double, so it is rounded once; a float product
  // would be rounded first and could land on a tie (0.0055f x 1000 is
  // 5.4999999, which must give 5, not 6).
  const double steps = static_cast<double>(clampSpread(spread)) * 1000.0;
  return steps > 0.0 ? static_cast<int32_t>(std::lrint(steps)) : 0;
}

float uniformOffset(float spread) {
  spread = clampSpread(spread);
  return spread * 0.5f - static_cast<float>(randomBelow(spreadSteps(spread))) * 0.001f;
}

float randomChannel() {
  // Rounding the double to float may give 1.0; keep the channel below it.
  const float r = static_cast<float>(randomUnit());
  return r < 1.0f ? r : std::nextafter(1.0f, 0.0f);
}

int64_t particleLifeSpan(const ParticleSystem& system) {
  return static_cast<int64_t>(system.lifeBase) + system.lifeRange;
}

void createParticleSystem(ParticleSystem& system, float colorR, float colorG, float colorB, const Vec3& position,
                          const Vec3& baseVelocity, const Vec3& gravity, int32_t particleCount, int32_t lifeBase,
                          int32_t lifeRange, float quadSize, float emitSpread, float velocitySpread,
                          const std::vector<Attractor>& attractors) {
  const int32_t count = std::clamp(particleCount, 0, kMaxParticles);
  system.particles.assign(static_cast<size_t>(count), Particle{});
  system.attractors = attractors;
  system.attractorCount = static_cast<int32_t>(attractors.size());

  system.color = {colorR, colorG, colorB};
  system.position = position;
  system.baseVelocity = baseVelocity;
  system.gravity = gravity;
  system.particleCount = count;
  system.lifeBase = lifeBase;
  system.lifeRange = lifeRange;
  system.quadSize = quadSize;
  system.emitSpread = clampSpread(emitSpread);
  system.velocitySpread = clampSpread(velocitySpread);
  system.hasBox = false;
  system.enabled = true;
  system.sizeFollowsFade = true;

  const auto span = static_cast<int32_t>(std::clamp<int64_t>(particleLifeSpan(system), 0, INT32_MAX));
  for (Particle& p : system.particles) {
    p.position.x = position.x + uniformOffset(system.emitSpread);
    p.position.y = position.y + uniformOffset(system.emitSpread);
    p.position.z = position.z + uniformOffset(system.emitSpread);
    p.velocity.x = baseVelocity.x + uniformOffset(system.velocitySpread);
    p.velocity.y = baseVelocity.y + uniformOffset(system.velocitySpread);
    p.velocity.z = baseVelocity.z + uniformOffset(system.velocitySpread);
    p.life = randomBelow(span);
    for (size_t k = 0; k < 3; ++k) p.color[k] = system.color[k] < 0.0f ? randomChannel() : system.color[k] + 0.2f;
  }
}

void computeParticleBounds(ParticleSystem& system) {
  system.hasBox = true;
  const float e = system.emitSpread / 2.0f;
  const float v = system.velocitySpread / 2.0f;
  const Vec3 pMax{system.position.x + e, system.position.y + e, system.position.z + e};
  const Vec3 pMin{system.position.x - e, system.position.y - e, system.position.z - e};
  const Vec3& b = system.baseVelocity;
  Vec3 velocities[3] = {{b.x + v, b.y + v, b.z + v}, b, {b.x - v, b.y - v, b.z - v}};
  Vec3 points[6] = {pMax, pMax, pMax, pMin, pMin, pMin};

  const int64_t ticks = std::max<int64_t>(particleLifeSpan(system), 1);
  if (ticks > kMaxBoundsTicks) {
    // Too long a life to follow: no box, so the system is always drawn.
    system.hasBox = false;
    return;
  }
  Vec3 lo{kBoxStart, kBoxStart, kBoxStart};
  Vec3 hi{-kBoxStart, -kBoxStart, -kBoxStart};
  for (int64_t t = 0; t < ticks; ++t) {
    for (const Vec3& p : points) {
      lo = Vec3{std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = Vec3{std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    for (Vec3& vel : velocities) vel = Vec3{vel.x + system.gravity.x, vel.y + system.gravity.y, vel.z + system.gravity.z};
    for (int i = 0; i < 6; ++i) {
      const Vec3& vel = velocities[i % 3];
      points[i] = Vec3{points[i].x + vel.x, points[i].y + vel.y, points[i].z + vel.z};
    }
  }
  system.boxCorners = {Vec3{lo.x, lo.y, lo.z}, Vec3{lo.x, lo.y, hi.z}, Vec3{hi.x, lo.y, lo.z}, Vec3{hi.x, lo.y, hi.z},
                       Vec3{lo.x, hi.y, lo.z}, Vec3{lo.x, hi.y, hi.z}, Vec3{hi.x, hi.y, lo.z}, Vec3{hi.x, hi.y, hi.z}};
  // Positions that ran off to infinity or NaN bound nothing.
  for (float c : {lo.x, lo.y, lo.z, hi.x, hi.y, hi.z}) {
    if (!std::isfinite(c)) system.hasBox = false;
  }
}

}  // namespace glorbe
