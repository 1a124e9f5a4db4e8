// Terrain analysis and particle creation until they are written: flat
// terrains with empty maps and systems without particles. This file goes
// once they exist.
#include "geometry/particle_setup.h"
#include "geometry/terrain_analysis.h"

namespace glorbe {

namespace {
void clearMap(std::vector<uint8_t>& map, int32_t width, int32_t height) {
  map.assign(static_cast<size_t>(width > 0 && height > 0 ? width * height : 0), 0);
}
}  // namespace

void makeRandomHeightMap(std::vector<uint8_t>& heights, int32_t width, int32_t height, float) {
  clearMap(heights, width, height);
}
void computeTerrainErrors(const std::vector<uint8_t>&, std::vector<uint8_t>& errors, int32_t width, int32_t height) {
  clearMap(errors, width, height);
}
void scatterTerrainObjects(const std::vector<uint8_t>&, std::vector<uint8_t>& scatter, int32_t width, int32_t height,
                           int32_t, int32_t, int32_t) {
  clearMap(scatter, width, height);
}
void createParticleSystem(ParticleSystem&, float, float, float, const Vec3&, const Vec3&, const Vec3&, int32_t, int32_t,
                          int32_t, float, float, float, const std::vector<Attractor>&) {}
void computeParticleBounds(ParticleSystem&) {}

}  // namespace glorbe
