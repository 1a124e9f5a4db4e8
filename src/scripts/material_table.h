// The material table: named textures declared by the scripts' MATERIALS
// sections (and by terrains), used by scenes, sprites, move lists and grabs.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

namespace glorbe {

inline constexpr size_t kMaterialNameLength = 100;

struct Material {
  std::string name;  // upper case, at most 100 characters
  bool translucent = false;
  GLuint texture = 0;
};

struct MaterialTable {
  std::vector<Material> materials;  // in order of definition
};

extern MaterialTable materialTable;

void resetMaterialTable();

// The first material whose name equals `name` exactly, or null.
const Material* findMaterial(const std::string& name);

}  // namespace glorbe
