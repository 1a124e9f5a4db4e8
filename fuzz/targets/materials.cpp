// The MATERIALS section of a scene script: PARAM lines to image textures
// (with alpha images), generated textures run from ".TEX" programs and
// window-fitted empty ones, made in a hidden GL window. Pictures and programs
// named in the script are looked up among small sample files; a generated
// texture asked for larger than 256 pixels is left out of the run (the
// generator has a target of its own), so that every input stays quick.
#include <GL/gl.h>

#include <vector>

#include "archive/load_buffer.h"
#include "fuzz_support.h"
#include "scripts/material_table.h"
#include "scripts/materials_section.h"
#include "scripts/number_conversion.h"
#include "scripts/script_reader.h"

using namespace glorbe;

namespace {

constexpr int32_t kLargestGenerated = 256;

// True when a MATERIALS line asks for a generated texture above the limit.
bool asksForLargeTexture(const std::string& name) {
  LoadedFile file;
  loadFile(file, name);
  bool inMaterials = false, large = false;
  std::string key;
  std::vector<std::string> v;
  for (;;) {
    bool isSection = false;
    const std::string text = nextLine(file, isSection);
    if (isSection) {
      inMaterials = text == "MATERIALS";
      continue;
    }
    if (text.empty()) break;
    if (!inMaterials || splitKeyLine(text, key, v) < 9 || key != "PARAM") continue;
    if (v[1].find(".TEX") == std::string::npos && v[1] != "?") continue;
    const auto side = parseInteger(v[2]);
    if (side && *side > kLargestGenerated) large = true;
  }
  releaseFile(file);
  return large;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::openGlWindow();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::resetEngineState();
  fuzz::writeSampleContent();
  const std::string name = fuzz::writeInput("scripts/fuzz.ini", data, size);
  if (asksForLargeTexture(name)) return -1;  // not added to the corpus
  fuzz::runGuarded([&] { parseMaterials(name); });
  for (const Material& m : materialTable.materials) {
    if (m.name.size() > kMaterialNameLength) __builtin_trap();
    glDeleteTextures(1, &m.texture);
  }
  while (glGetError() != GL_NO_ERROR) {
  }
  return 0;
}
