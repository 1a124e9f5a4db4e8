// The per-script readers the loading phase runs over the seven scene
// scripts, in this order for all scripts at a time: materials, then sprites
// and move lists, then scenes with their terrains, objects and lights.
#pragma once

#include <string>

#include "scripts/materials_section.h"

namespace glorbe {

// The SPRITES and MOVELISTS sections.
void parseSpritesAndMoveLists(const std::string& fileName);

// The scenes: 3DS and LODTERRAIN sections with OBJS and LIGHTS, each scene
// finished after its script is read.
void parseSceneScript(const std::string& fileName);

}  // namespace glorbe
