// Creation of particle systems: the record's parameters, every particle's
// first position, velocity, age and colour, and on request a box around
// everything a particle can reach in one lifetime (for view culling).
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/scene_records.h"

namespace glorbe {

void createParticleSystem(ParticleSystem& system, float colorR, float colorG, float colorB, const Vec3& position,
                          const Vec3& baseVelocity, const Vec3& gravity, int32_t particleCount, int32_t lifeBase,
                          int32_t lifeRange, float quadSize, float emitSpread, float velocitySpread,
                          const std::vector<Attractor>& attractors);

void computeParticleBounds(ParticleSystem& system);

}  // namespace glorbe
