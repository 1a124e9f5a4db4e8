// One level-of-detail terrain build on a 256 x 256 grid (goal: at most 1 ms)
// beside writing a mesh of every sample (what the build avoids), and one
// tick of 10,000 particles (goal: at most 0.2 ms) beside one plain pass over
// the same particles (the memory traffic a tick cannot avoid).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/particle_setup.h"
#include "common/random_source.h"
#include "geometry/terrain_analysis.h"
#include "render/lod_terrain.h"
#include "render/particles.h"
#include "textures/texture_generator.h"

namespace {

using namespace glorbe;

constexpr int32_t kSide = 256;

// A camera at `eye` looking at `target` (z up) through a 60-degree lens on
// an 800 x 600 viewport: the matrices gluLookAt and gluPerspective make.
ViewTransform lookAt(Vec3 eye, Vec3 target) {
  ViewTransform view;
  const double fovy = 60.0 * 3.14159265358979 / 180.0, aspect = 4.0 / 3.0, zNear = 0.1, zFar = 50.0;
  const double f = 1.0 / std::tan(fovy / 2);
  const double projection[16] = {f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (zFar + zNear) / (zNear - zFar), -1,
                                 0, 0, 2 * zFar * zNear / (zNear - zFar), 0};
  std::copy(projection, projection + 16, view.projection);
  double fw[3] = {target.x - eye.x, target.y - eye.y, target.z - eye.z};
  const double fl = std::sqrt(fw[0] * fw[0] + fw[1] * fw[1] + fw[2] * fw[2]);
  for (double& c : fw) c /= fl;
  const double up[3] = {0, 0, 1};
  double s[3] = {fw[1] * up[2] - fw[2] * up[1], fw[2] * up[0] - fw[0] * up[2], fw[0] * up[1] - fw[1] * up[0]};
  const double sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
  for (double& c : s) c /= sl;
  const double u[3] = {s[1] * fw[2] - s[2] * fw[1], s[2] * fw[0] - s[0] * fw[2], s[0] * fw[1] - s[1] * fw[0]};
  const double e[3] = {eye.x, eye.y, eye.z};
  const double modelview[16] = {s[0], u[0], -fw[0], 0, s[1], u[1], -fw[1], 0, s[2], u[2], -fw[2], 0,
                                -(s[0] * e[0] + s[1] * e[1] + s[2] * e[2]), -(u[0] * e[0] + u[1] * e[1] + u[2] * e[2]),
                                fw[0] * e[0] + fw[1] * e[1] + fw[2] * e[2], 1};
  std::copy(modelview, modelview + 16, view.modelview);
  const GLint viewport[4] = {0, 0, 800, 600};
  std::copy(viewport, viewport + 4, view.viewport);
  return view;
}

struct TerrainFixture {
  LodTerrain terrain;
  SceneObject mesh;
  TerrainFixture() {
    resetRandomSource();
    terrain.gridWidth = terrain.gridHeight = kSide;
    terrain.lodSetting = 2;
    makeRandomHeightMap(terrain.heightMap, kSide, kSide, 0.3f);
    releaseGeneratedTexture();
    computeTerrainErrors(terrain.heightMap, terrain.derivedMap, kSide, kSide);
    scatterTerrainObjects(terrain.derivedMap, terrain.modelMap, kSide, kSide, kSide >> 6, 4, 5);
    mesh.vertices.resize(kTerrainVertexCapacity);
    mesh.texCoords.resize(kTerrainVertexCapacity);
    mesh.normals.resize(kTerrainVertexCapacity);
    mesh.faces.resize(kTerrainFaceCapacity);
  }
};

// Cameras of a show over a terrain 200 units wide: high over it looking
// across, low over it; and over a terrain 40 units wide, where every node
// near the camera splits and the walk asks for more than the mesh holds.
struct TerrainCase {
  Vec3 eye;
  float width;
  const char* name;
};
const TerrainCase kCases[3] = {
    {{0, -60, 30}, 200, "high"}, {{0, -20, 8}, 200, "low"}, {{0, -5, 1}, 40, "small terrain, storage full"}};

void BM_TerrainBuild256(benchmark::State& state) {
  TerrainFixture f;
  const TerrainCase& c = kCases[state.range(0)];
  f.terrain.scale = Vec3{c.width, c.width, c.width / 10};
  const ViewTransform view = lookAt(c.eye, Vec3{0, c.eye.y + 40, 0});
  for (auto _ : state) {
    std::vector<uint8_t> flags;  // allocated per build, as the renderer does
    buildLodTerrainMesh(f.terrain, f.mesh, c.eye, view, flags);
    benchmark::DoNotOptimize(f.mesh.faces.data());
  }
  state.SetLabel(std::string(c.name) + ", " + std::to_string(f.mesh.faceCount) + " triangles, " +
                 std::to_string(f.terrain.placedCount) + " objects placed");
}
BENCHMARK(BM_TerrainBuild256)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// The scale: every sample a vertex and two triangles, no level of detail
// (256 x 256 vertices, 131,072 triangles), written into storage of that size.
void BM_FullGridMesh256(benchmark::State& state) {
  TerrainFixture f;
  std::vector<Vec3> vertices(kSide * kSide);
  std::vector<TexCoord> coords(kSide * kSide);
  std::vector<Face> faces(2 * kSide * kSide);
  for (auto _ : state) {
    for (int32_t j = 0; j < kSide; ++j) {
      for (int32_t i = 0; i < kSide; ++i) {
        const size_t v = static_cast<size_t>(i + j * kSide);
        vertices[v] = Vec3{(static_cast<float>(i) / kSide - 0.5f) * f.terrain.scale.x,
                           (static_cast<float>(j) / kSide - 0.5f) * f.terrain.scale.y,
                           f.terrain.heightMap[v] / 255.0f * f.terrain.scale.z};
        coords[v] = TexCoord{static_cast<float>(i) / kSide, static_cast<float>(j) / kSide};
        const uint32_t a = static_cast<uint32_t>(v), b = static_cast<uint32_t>(((i + 1) & (kSide - 1)) + j * kSide);
        const uint32_t c = static_cast<uint32_t>(i + ((j + 1) & (kSide - 1)) * kSide);
        faces[2 * v] = Face{a, b, c};
        faces[2 * v + 1] = Face{b, c + 1, c};
      }
    }
    benchmark::DoNotOptimize(faces.data());
  }
  state.counters["triangles"] = static_cast<double>(faces.size());
}
BENCHMARK(BM_FullGridMesh256)->Unit(benchmark::kMicrosecond);

ParticleSystem makeSystem(int32_t attractors) {
  resetRandomSource();
  ParticleSystem system;
  std::vector<Attractor> pulls;
  for (int32_t i = 0; i < attractors; ++i) pulls.push_back(Attractor{static_cast<float>(i), 1, 2, 0.01f});
  // Lifetimes of one to two seconds: about one particle in 90 is re-emitted per tick.
  createParticleSystem(system, -1, 0.5f, 0.2f, Vec3{0, 0, 0}, Vec3{0, 0, 0.05f}, Vec3{0, 0, -0.001f}, 10000, 60, 60,
                       0.2f, 0.5f, 0.02f, pulls);
  return system;
}

void BM_ParticleTick10000(benchmark::State& state) {
  ParticleSystem system = makeSystem(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    updateParticleSystem(system, 1);
    benchmark::DoNotOptimize(system.particles.data());
  }
  state.SetLabel(std::to_string(state.range(0)) + " attractors");
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_ParticleTick10000)->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

// The scale: velocity added to position once for every particle, nothing else.
void BM_ParticlePlainPass10000(benchmark::State& state) {
  ParticleSystem system = makeSystem(0);
  for (auto _ : state) {
    for (Particle& p : system.particles) {
      p.position.x += p.velocity.x;
      p.position.y += p.velocity.y;
      p.position.z += p.velocity.z;
    }
    benchmark::DoNotOptimize(system.particles.data());
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_ParticlePlainPass10000)->Unit(benchmark::kMicrosecond);

}  // namespace
