// Particle systems at run time: emitters that follow lights, the one-tick
// steps with gravity and attractors and re-emission, and the drawing as
// additive camera-facing quads that fade with age.
#pragma once

#include <cstdint>

#include "geometry/scene_records.h"

namespace glorbe {

void attachParticleSystemToLight(ParticleSystem& system, const SceneLight& light);
void updateParticleSystem(ParticleSystem& system, int32_t ticks);
void drawParticleSystems(Scene& scene);

}  // namespace glorbe
