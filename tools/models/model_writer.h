// Writes a model source as a .3DS file through lib3ds: the meshes with their
// mapping and local axes, cameras, omni lights, the ambient colour, the
// animation segment and a keyframer node for every mesh, dummy, camera,
// camera target and light.
#pragma once

#include <string>

#include "models/model_source.h"

namespace glorbe::tools {

// False, with the reason in `error`, when the file cannot be written.
bool writeModel3ds(const ModelSource& source, const std::string& path, std::string& error);

}  // namespace glorbe::tools
