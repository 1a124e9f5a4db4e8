// Creation of scenes and of objects without a model.
#include "geometry/scene_records.h"

#include "display/display_state.h"
#include "geometry/model_reader.h"

namespace glorbe {

void initScene(Scene& scene, const std::string& name) {
  scene = Scene{};
  scene.fogStart = display.projection.farPlane * 0.2f;
  scene.fogEnd = display.projection.farPlane;
  scene.name = name.substr(0, kSceneNameLength);
}

int32_t addEmptyObject(Scene& scene, const std::string& name) {
  SceneObject& object = scene.objects.emplace_back();
  object.name = name.substr(0, kSceneNameLength);
  return static_cast<int32_t>(scene.objects.size() - 1);
}

}  // namespace glorbe
