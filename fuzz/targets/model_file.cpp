// fuzz options: -max_len=16384
// The model reader (.3DS files), loaded through the load buffer as a scene
// reads its model; then what the renderer and the dump do with the scene:
// every object's transform through its parents, forward and inverse, and
// the model dump's JSON. The scene must hold together: counts within their
// arrays, faces within their vertices, parent chains that end.
#include <string>

#include "fuzz_support.h"
#include "geometry/model_reader.h"
#include "geometry/object_animation.h"
#include "models/model_json.h"

using namespace glorbe;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::resetEngineState();
  const std::string name = fuzz::writeInput("models/fuzz.3ds", data, size);
  Scene scene;
  loadModel(name, scene);
  if (scene.lightCount < 0 || scene.lightCount > kMaxSceneLights ||
      static_cast<size_t>(scene.lightCount) > scene.lights.size()) {
    __builtin_trap();
  }
  const size_t n = scene.objects.size();
  for (size_t i = 0; i < n; ++i) {
    const SceneObject& o = scene.objects[i];
    const auto vertices = static_cast<size_t>(o.vertexCount), faces = static_cast<size_t>(o.faceCount);
    if (o.vertexCount < 0 || o.faceCount < 0 || o.vertices.size() != vertices || o.texCoords.size() != vertices ||
        o.normals.size() != vertices || o.faces.size() != faces || o.faceFlags.size() != faces ||
        o.faceNormals.size() != faces) {
      __builtin_trap();
    }
    for (const Face& f : o.faces) {
      if (f[0] >= vertices || f[1] >= vertices || f[2] >= vertices) __builtin_trap();
    }
    // The parents as the transform finds them: the chain ends.
    int32_t at = static_cast<int32_t>(i);
    size_t steps = 0;
    while (at >= 0 && !scene.objects[static_cast<size_t>(at)].parentName.empty()) {
      at = findObjectByName(scene, scene.objects[static_cast<size_t>(at)].parentName);
      if (++steps > n) __builtin_trap();
    }
    for (int32_t tick : {-7, 0, 33}) {
      Matrix m = identityMatrix();
      composeObjectTransform(m, scene, static_cast<int32_t>(i), tick, true, false);
      composeObjectTransform(m, scene, static_cast<int32_t>(i), tick, true, true);
    }
  }
  const std::string json = tools::modelJson(scene, 12);
  if (json.empty()) __builtin_trap();
  return 0;
}
