// Creation of particle systems: the record's parameters, every particle's
// first position, velocity, age and colour, and on request a box around
// everything a particle can reach in one lifetime (for view culling).
//
// The record's numbers are held to what the run-time step can take whatever
// the caller passes: at most kMaxParticles particles, spreads whose grid of
// 0.001 steps fits the random source's range, lifetimes summed without
// overflow.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/scene_records.h"

namespace glorbe {

inline constexpr int32_t kMaxParticles = 1000000;
// The bounds follow one lifetime tick by tick; longer lifetimes get no box
// (the system is then never culled).
inline constexpr int64_t kMaxBoundsTicks = 1000000;

void createParticleSystem(ParticleSystem& system, float colorR, float colorG, float colorB, const Vec3& position,
                          const Vec3& baseVelocity, const Vec3& gravity, int32_t particleCount, int32_t lifeBase,
                          int32_t lifeRange, float quadSize, float emitSpread, float velocitySpread,
                          const std::vector<Attractor>& attractors);

void computeParticleBounds(ParticleSystem& system);

// ---- shared with the run-time step -------------------------------------------------

// The widest spread whose 0.001 steps fit a 32-bit count.
inline constexpr float kMaxSpread = 2147483.0f;

// A spread as the particles use it: NaN as 0, above kMaxSpread as kMaxSpread.
float clampSpread(float spread);

// The number of 0.001 steps across a (clamped) spread: round(spread x 1000);
// 0 for spreads of 0 and below.
int32_t spreadSteps(float spread);

// spread x 0.5 - randomBelow(spreadSteps(spread)) x 0.001 on the clamped
// spread: a point of the 0.001 grid in (-spread / 2, spread / 2]; one random
// draw.
float uniformOffset(float spread);

// A random colour channel in [0, 1).
float randomChannel();

// lifeBase + lifeRange without overflow.
int64_t particleLifeSpan(const ParticleSystem& system);

}  // namespace glorbe
