// The timeline's RENDER, CAM, LIGHT and OBJDISTORT commands: scenes drawn by
// name, cameras chosen by name, lights recoloured and resized by name,
// objects distorted by name.
#include "common/ascii.h"
#include "common/names.h"
#include "render/distortion.h"
#include "render/scene_commands.h"
#include "render/scene_render.h"
#include "scripts/scene_tables.h"

namespace glorbe {

namespace {

// Names from model files keep their case; the timeline's texts are compared
// with the names' upper-case forms, letters a-z only whatever the locale, and
// without making a copy of the name every frame.
bool upperCaseNameAt(const std::string& name, size_t at, const std::string& text) {
  for (size_t j = 0; j < text.size(); ++j) {
    if (asciiUpper(name[at + j]) != text[j]) return false;
  }
  return true;
}

bool upperCaseNameEquals(const std::string& name, const std::string& text) {
  return name.size() == text.size() && upperCaseNameAt(name, 0, text);
}

bool upperCaseNameContains(const std::string& name, const std::string& text) {
  if (text.empty() || text.size() > name.size()) return false;
  for (size_t at = 0; at + text.size() <= name.size(); ++at) {
    if (upperCaseNameAt(name, at, text)) return true;
  }
  return false;
}

// A terrain's own scene is drawn only through the scene that shows the terrain.
bool isTerrainScene(size_t sceneIndex) {
  for (const LodTerrain& terrain : sceneTables.terrains) {
    if (terrain.sceneIndex >= 0 && static_cast<size_t>(terrain.sceneIndex) == sceneIndex) return true;
  }
  return false;
}

}  // namespace

void runSceneRender(const std::string& name, int32_t localTick, int32_t localPrevTick) {
  for (size_t s = 0; s < sceneTables.scenes.size(); ++s) {
    if (!nameContains(sceneTables.scenes[s].name, name) || isTerrainScene(s)) continue;
    renderScene(sceneTables.scenes[s], localTick, localPrevTick);
  }
}

void runSceneCam(const SceneCamValues& v, int32_t, int32_t) {
  for (Scene& scene : sceneTables.scenes) {
    if (!nameContains(scene.name, v.name)) continue;
    for (size_t c = 0; c < scene.cameras.size(); ++c) {
      if (!upperCaseNameEquals(scene.cameras[c].name, v.cameraName)) continue;
      scene.currentCamera = static_cast<int32_t>(c);
      scene.cameras[c].zScale = v.zScale;
      break;
    }
  }
}

void runSceneLight(const SceneLightValues& v, int32_t, int32_t) {
  for (Scene& scene : sceneTables.scenes) {
    if (!nameContains(scene.name, v.name)) continue;
    for (SceneLight& light : scene.lights) {
      if (!upperCaseNameContains(light.name, v.lightName)) continue;
      light.color = {v.r, v.g, v.b};
      light.size = v.size;
    }
  }
}

void runSceneObjDistort(const SceneObjDistortValues& v, int32_t localTick, int32_t) {
  for (Scene& scene : sceneTables.scenes) {
    if (!nameContains(scene.name, v.name)) continue;
    for (SceneObject& object : scene.objects) {
      if (upperCaseNameContains(object.name, v.objectName)) distortSceneObject(object, v, localTick);
    }
  }
}

}  // namespace glorbe
