// LODTERRAIN PARAM: the height field from a texture program or at random,
// the terrain's texture, its roughness map and, with a model file, the
// scatter of the model's objects over the rough places.
#include "scripts/terrain_section.h"

#include <algorithm>

#include "archive/load_buffer.h"
#include "common/numbers.h"
#include "geometry/model_reader.h"
#include "geometry/terrain_analysis.h"
#include "scripts/material_table.h"
#include "scripts/materials_section.h"
#include "scripts/number_conversion.h"
#include "scripts/scene_tables.h"
#include "textures/texture_generator.h"

namespace glorbe {

namespace {

constexpr int32_t kLodLevels = 5;      // lodSetting 0..4
constexpr int32_t kLargestShift = 31;  // the scatter shifts 8-bit errors right

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

void stillTrack(KeyTrack& track, float x, float y, float z) {
  initTrack(track, 1);
  addKey(track, 0, 0.5f, x, y, z);
  computeTangents(track);
}

// A model object placed by the terrain stands in its file coordinates: no
// local frame and one-key tracks that never move it.
void makeStill(SceneObject& object) {
  object.meshMatrix = identityMatrix();
  object.meshInverse = identityMatrix();
  stillTrack(object.positionTrack, 0, 0, 0);
  stillTrack(object.scaleTrack, 1, 1, 1);
  RotationKey key;  // tick 0, identity orientation and controls
  object.rotationTrack = RotationTrack{1, 1, {key}};
}

// Runs the program file over a width x height workspace and takes layer 4
// to grey: (r + g + b) / 3.
void heightsFromProgram(std::vector<uint8_t>& heights, const std::string& programFile, int32_t width,
                        int32_t height) {
  beginGeneratedTexture(width, height);
  LoadedFile program;
  loadFile(program, programFile);
  std::vector<uint8_t> bytes(kTexProgramBytes);  // a shorter file leaves zeros
  readBytes(program, bytes.data(), static_cast<int32_t>(bytes.size()));
  releaseFile(program);
  decodeTexProgram(bytes.data(), bytes.size(), texGenerator.program);
  runTexProgram();
  const uint8_t* layer = texLayer(kTexOutputLayer);
  const size_t count = heights.size();
  // The sides are checked powers of two, so the workspace has exactly this size.
  if (layer == nullptr || size_t(texGenerator.width) * size_t(texGenerator.height) != count) return;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = layer + i * 3;
    heights[i] = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
  }
}

// Storage for the largest mesh the terrain drawing builds, and for what the
// surface passes write per vertex and per face.
void makeTerrainMesh(SceneObject& object) {
  const auto vertices = static_cast<size_t>(kTerrainVertexCapacity);
  const auto faces = static_cast<size_t>(kTerrainFaceCapacity);
  object.terrainMesh = true;
  object.vertexCount = 0;
  object.faceCount = 0;
  object.vertices.assign(vertices, Vec3{});
  object.texCoords.assign(vertices, TexCoord{});
  object.normals.assign(vertices, Vec3{0, 0, 1});
  object.bumpCoords.assign(vertices, TexCoord{});
  object.bumpVectorsA.assign(vertices, Vec3{});
  object.bumpVectorsB.assign(vertices, Vec3{});
  object.faces.assign(faces, Face{});
  object.faceFlags.assign(faces, 0);
  object.faceNormals.assign(faces, Vec3{0, 0, 1});
}

}  // namespace

int32_t addLodTerrain(const std::vector<std::string>& v, int count, const std::string& source) {
  const std::string name = v[0].substr(0, kSceneNameLength);
  const int32_t width = convertInteger(v[1], source);
  const int32_t height = convertInteger(v[2], source);
  const int32_t lodSetting = convertInteger(v[8], source);
  const Vec3 scale{convertFloat(v[10], source), convertFloat(v[11], source), convertFloat(v[12], source)};
  const int32_t shift = convertInteger(v[13], source);

  std::string modelFile;
  if (count >= 15 && contains(v[14], ".3DS")) modelFile = v[14];
  else if (count >= 16 && contains(v[15], ".3DS")) modelFile = v[15];

  sceneTables.scenes.emplace_back();
  const auto sceneIndex = static_cast<int32_t>(sceneTables.scenes.size() - 1);
  Scene& scene = sceneTables.scenes.back();
  initScene(scene, name);
  if (!modelFile.empty()) {
    loadModel(modelFile, scene);
    for (SceneObject& object : scene.objects) makeStill(object);
  }
  scene.name = name;

  // The scene keeps its number whatever happens, so that the timeline's
  // scene numbers stay right; a terrain whose sides the quadtree cannot
  // halve evenly is not made.
  if (!isTerrainSide(width) || !isTerrainSide(height)) return sceneIndex;

  LodTerrain terrain;
  terrain.name = name;
  terrain.gridWidth = width;
  terrain.gridHeight = height;
  terrain.lodSetting = std::clamp(lodSetting, 0, kLodLevels - 1);
  terrain.scale = scale;
  terrain.sceneIndex = sceneIndex;
  terrain.objectIndex = addEmptyObject(scene, name);

  const size_t cells = size_t(width) * size_t(height);
  terrain.heightMap.assign(cells, 0);
  terrain.derivedMap.assign(cells, 0);
  terrain.modelMap.assign(cells, 0);

  if (contains(v[3], ".TEX")) {
    heightsFromProgram(terrain.heightMap, v[3], width, height);
  } else {
    makeRandomHeightMap(terrain.heightMap, width, height, convertFloat(v[3], source));
  }

  const Material* material = nullptr;
  const char first = v[9].empty() ? '\0' : v[9][0];
  if (first < 'A' || first > 'Z') {
    const float red = convertFloat(v[4], source), green = convertFloat(v[5], source);
    const float blue = convertFloat(v[6], source), detail = convertFloat(v[7], source);
    const float alpha = convertFloat(v[9], source);
    Material made;
    made.name = v[0].substr(0, kMaterialNameLength);
    made.texture = makeTerrainTexture(width, height, red, green, blue, detail, alpha);
    made.translucent = unitToByte(alpha) < 255;
    materialTable.materials.push_back(std::move(made));
    material = &materialTable.materials.back();
  } else {
    releaseGeneratedTexture();
    material = findMaterial(v[9]);  // none: the terrain is drawn untextured
  }

  SceneObject& mesh = scene.objects[static_cast<size_t>(terrain.objectIndex)];
  if (material != nullptr) {
    mesh.texture = material->texture;
    mesh.blended = material->translucent;
  }
  mesh.textureEnvMode = GL_MODULATE;
  if (count >= 15 && contains(v[14], "MODULATE")) mesh.textureEnvMode = GL_MODULATE;
  if (count >= 15 && contains(v[14], "REPLACE")) mesh.textureEnvMode = GL_REPLACE;
  makeTerrainMesh(mesh);

  computeTerrainErrors(terrain.heightMap, terrain.derivedMap, width, height);
  if (!modelFile.empty()) {
    // The terrain's own object counts among those the scatter may pick.
    scatterTerrainObjects(terrain.derivedMap, terrain.modelMap, width, height, width >> 6,
                          std::clamp(shift, 0, kLargestShift), static_cast<int32_t>(scene.objects.size()));
  }
  // The analysis sizes the maps itself; a map of another size is refused.
  for (std::vector<uint8_t>* map : {&terrain.heightMap, &terrain.derivedMap, &terrain.modelMap}) {
    if (map->size() != cells) map->assign(cells, 0);
  }
  sceneTables.terrains.push_back(std::move(terrain));
  return sceneIndex;
}

}  // namespace glorbe
