#include "scripts/material_table.h"

namespace glorbe {

MaterialTable materialTable;

void resetMaterialTable() { materialTable = MaterialTable{}; }

const Material* findMaterial(const std::string& name) {
  for (const Material& m : materialTable.materials) {
    if (m.name == name) return &m;
  }
  return nullptr;
}

}  // namespace glorbe
