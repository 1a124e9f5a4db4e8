// The model reader: a 3D Studio mesh file (".3DS") from the archive becomes a
// scene's objects, lights, cameras, ambient colour, animation segment and
// key-frame tracks with the node hierarchy, pivots and dummies. Also the
// creation of scenes and of objects that have no model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "geometry/scene_records.h"

namespace glorbe {

// Every field of the scene at its start value, named `name` (cut to 255).
void initScene(Scene& scene, const std::string& name);

// initScene(scene, fileName), then everything the file holds. The file is
// read whole through the load buffer; a missing or foreign file leaves the
// scene empty.
void loadModel(const std::string& fileName, Scene& scene);

// The reading itself, on a model file's bytes in memory, into a scene that
// initScene has prepared. Never reads outside [data, data + size).
void readModelData(const uint8_t* data, size_t size, Scene& scene);

// Appends an object with the creation defaults, no mesh and no parent;
// returns its index.
int32_t addEmptyObject(Scene& scene, const std::string& name);

}  // namespace glorbe
