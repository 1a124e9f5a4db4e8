// The SPRITES and MOVELISTS sections of a scene script: sprites with their
// grids, move lists with their pictures, brushes and displacement maps. The
// materials they name exist; pictures named in the script are looked up
// among small sample files.
#include "fuzz_support.h"
#include "scripts/material_table.h"
#include "scripts/scene_script_readers.h"
#include "scripts/sprite_script.h"

using namespace glorbe;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::resetEngineState();
  fuzz::writeSampleContent();
  materialTable.materials.push_back({"STARS", false, 7});
  materialTable.materials.push_back({"GLOW", true, 8});
  materialTable.materials.push_back({"WARPTEX", false, 9});
  const std::string name = fuzz::writeInput("scripts/fuzz.ini", data, size);
  fuzz::runGuarded([&] { parseSpritesAndMoveLists(name); });
  for (const Sprite& s : spriteTables.sprites) {
    if (s.gridColumns > kMaxSpriteGridSide || s.gridRows > kMaxSpriteGridSide) __builtin_trap();
  }
  for (const MoveList& m : spriteTables.moveLists) {
    if (m.picture.size() != size_t{m.width} * m.height) __builtin_trap();
  }
  return 0;
}
