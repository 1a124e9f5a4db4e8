// The model authoring text form (glorbe-tool model build): read and built;
// what builds is written through lib3ds and read back by the engine's
// reader, which must find every mesh with its vertex and face counts.
#include <string>

#include "fuzz_support.h"
#include "geometry/model_reader.h"
#include "geometry/object_animation.h"
#include "models/model_source.h"
#include "models/model_writer.h"

using namespace glorbe;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::resetEngineState();
  const std::string text(reinterpret_cast<const char*>(data), size);
  tools::ModelSource source;
  tools::ModelMessages messages;
  if (!tools::parseModelSource(text, "fuzz.model", source, messages)) {
    if (messages.errors.empty()) fuzz::fail("the source was refused without a message");
    return 0;
  }
  const std::string name = fuzz::writeInput("models/fuzz.3ds", "");
  std::string error;
  if (!tools::writeModel3ds(source, name, error)) fuzz::fail("lib3ds could not write the model: " + error);
  Scene scene;
  loadModel(name, scene);  // a model over the load buffer's slot reads as empty
  if (scene.objects.empty()) return 0;
  for (const tools::SourceObject& o : source.objects) {
    if (o.isDummy) continue;
    const int32_t i = findObjectByName(scene, o.name);
    if (i < 0) fuzz::fail("the object " + o.name + " was not read back");
    const SceneObject& got = scene.objects[static_cast<size_t>(i)];
    if (got.vertexCount != static_cast<int32_t>(o.mesh.vertices.size()) ||
        got.faceCount != static_cast<int32_t>(o.mesh.faces.size())) {
      fuzz::fail("the object " + o.name + " came back with other counts");
    }
  }
  return 0;
}
