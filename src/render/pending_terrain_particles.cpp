// Particle systems and terrain drawing until they are written: nothing moves
// and nothing is drawn. This file goes once they exist.
#include "render/lod_terrain.h"
#include "render/particles.h"

namespace glorbe {

void attachParticleSystemToLight(ParticleSystem&, const SceneLight&) {}
void updateParticleSystem(ParticleSystem&, int32_t) {}
void drawParticleSystems(Scene&) {}
void drawLodTerrain(LodTerrain&, int32_t, const SceneCamera&) {}

}  // namespace glorbe
