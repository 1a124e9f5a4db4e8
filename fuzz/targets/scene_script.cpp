// The scene sections of a scene script (3DS, LODTERRAIN, OBJS, LIGHTS) with
// scene finishing: model scenes, terrains, particle systems, morphing,
// vertex frames, surfaces and lights. A scene with objects and lights
// stands first in the table, as an earlier script would leave it, so keys
// act on something before any SCENENAME; a small model ("MODELS\TOYS.3DS")
// and a texture program ("TEXTURES\CLOUDS.TEX") can be named. Textures are
// made in a hidden GL window. Terrains larger than 64 samples a side and
// particle systems of more than 2,000 particles or ticks are left out of the
// run (they only ask for more of the same work), so every input stays quick.
#include <GL/gl.h>

#include <vector>

#include "archive/load_buffer.h"
#include "fuzz_support.h"
#include "models/chunk_writer.h"
#include "scripts/material_table.h"
#include "scripts/number_conversion.h"
#include "scripts/scene_script_readers.h"
#include "scripts/scene_tables.h"
#include "scripts/script_reader.h"

using namespace glorbe;

namespace {

constexpr int32_t kLargestSide = 64;
constexpr int32_t kLargestParticleWork = 2000;

// Two closed cubes, a dummy and three lights.
std::string toyModel() {
  tools::ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x3D3D);
  for (const char* name : {"BALL01", "REDBALL"}) w.cubeObject(name);
  for (const char* name : {"LAMP01", "LAMP02", "SUN"}) {
    w.begin(0x4000);
    w.name(name);
    w.begin(0x4600);
    w.vec(1, 2, 3);
    w.begin(0x0010);
    w.vec(0.5f, 0.25f, 1);
    w.end();
    w.end();
    w.end();
  }
  w.end();
  w.begin(0xB000);
  w.begin(0xB002);
  w.begin(0xB010);
  w.name("$$$DUMMY");
  w.u16(0);
  w.u16(0);
  w.u16(0xFFFF);
  w.end();
  w.begin(0xB011);
  w.name("HANDLE");
  w.end();
  w.end();
  w.end();
  w.end();
  return w.bytes;
}

// True when a line asks for a terrain or particle system above the limits.
bool asksForMuchWork(const std::string& name) {
  LoadedFile file;
  loadFile(file, name);
  std::string section, key;
  std::vector<std::string> v;
  bool much = false;
  const auto above = [](const std::string& text, int32_t limit) {
    const auto n = parseInteger(text);
    return n && *n > limit;
  };
  for (;;) {
    bool isSection = false;
    const std::string text = nextLine(file, isSection);
    if (isSection) {
      section = text;
      continue;
    }
    if (text.empty()) break;
    const int count = splitKeyLine(text, key, v);
    if (section == "LODTERRAIN" && key == "PARAM" && count >= 14) {
      much = much || above(v[1], kLargestSide) || above(v[2], kLargestSide);
    }
    if (section == "3DS" && key == "PARSYS" && count >= 22) {
      for (size_t i = 14; i < 17; ++i) much = much || above(v[i], kLargestParticleWork);
    }
  }
  releaseFile(file);
  return much;
}

void check(bool holds) {
  if (!holds) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::openGlWindow();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::resetEngineState();
  resetSceneTables();
  fuzz::writeSampleContent();
  static const bool modelWritten = !fuzz::writeInput("models/toys.3ds", toyModel()).empty();
  (void)modelWritten;
  materialTable.materials.push_back({"STONE", false, 0});
  materialTable.materials.push_back({"GLASS", true, 0});

  Scene& earlier = sceneTables.scenes.emplace_back();
  for (const char* name : {"BALL", "RedBall", "BOX"}) {
    SceneObject& o = earlier.objects.emplace_back();
    o.name = name;
    o.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    o.normals.assign(4, Vec3{0, 0, 1});
    o.faces = {{0, 1, 2}, {2, 1, 3}};
    o.vertexCount = 4;
    o.faceCount = 2;
  }
  for (const char* name : {"LAMP01", "LAMP02", "SUN"}) earlier.lights.emplace_back().name = name;
  earlier.lightCount = 3;

  const std::string name = fuzz::writeInput("scripts/fuzz.ini", data, size);
  if (asksForMuchWork(name)) return -1;  // not added to the corpus
  const bool finished = fuzz::runGuarded([&] { parseSceneScript(name); });

  for (size_t s = 0; s < sceneTables.scenes.size(); ++s) {
    const Scene& scene = sceneTables.scenes[s];
    for (const SceneObject& o : scene.objects) {
      check(o.frameVertices.size() <= size_t(kMaxVertexFrames) && o.frameVertices.size() == o.frameNormals.size());
      // Scenes this input made are finished when it reads to its end.
      if (finished && s > 0) check(o.ready == !o.isDummy);
      for (const Edge& e : o.edges) {
        check(e.face < o.faceCount && (e.other < o.faceCount || e.other >= kOpenEdgeMark));
      }
      if (o.bumpMapOn && o.ready) check(o.bumpVectorsA.size() >= size_t(o.vertexCount));
      glDeleteTextures(1, &o.toonTexture);
    }
    for (const ParticleSystem& p : scene.particleSystems) {
      check(p.particles.size() <= 1000000 && p.particleCount <= 1000000);
      // Lives of one tick or less are refused (zero both: not filled in).
      if (p.lifeBase != 0 || p.lifeRange != 0) check(int64_t{p.lifeBase} + p.lifeRange > 1);
    }
  }
  for (const LodTerrain& t : sceneTables.terrains) {
    const size_t cells = size_t(t.gridWidth) * size_t(t.gridHeight);
    check(t.gridWidth >= 2 && t.gridHeight >= 2 && (t.gridWidth & (t.gridWidth - 1)) == 0 &&
          (t.gridHeight & (t.gridHeight - 1)) == 0);
    check(t.lodSetting >= 0 && t.lodSetting <= 4);
    check(t.heightMap.size() == cells && t.derivedMap.size() == cells && t.modelMap.size() == cells);
    check(t.sceneIndex >= 0 && size_t(t.sceneIndex) < sceneTables.scenes.size());
    const Scene& scene = sceneTables.scenes[size_t(t.sceneIndex)];
    check(t.objectIndex >= 0 && size_t(t.objectIndex) < scene.objects.size());
    const SceneObject& mesh = scene.objects[size_t(t.objectIndex)];
    check(mesh.terrainMesh && mesh.vertices.size() == size_t(kTerrainVertexCapacity) &&
          mesh.faces.size() == size_t(kTerrainFaceCapacity) && mesh.frameVertices.empty() && !mesh.flexOn);
  }
  for (const Material& m : materialTable.materials) glDeleteTextures(1, &m.texture);
  return 0;
}
