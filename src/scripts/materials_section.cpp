// The materials section reader: PARAM lines to named textures.
#include "scripts/materials_section.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <vector>

#include "archive/load_buffer.h"
#include "common/numbers.h"
#include "display/display_state.h"
#include "scripts/material_table.h"
#include "scripts/number_conversion.h"
#include "scripts/script_reader.h"
#include "textures/texture_generator.h"
#include "textures/texture_upload.h"

namespace glorbe {

void decodeMaterialKeywords(const std::string& format, const std::string& filter, const std::string& wrap,
                            MaterialSettings& s) {
  if (format == "RGBA") s.format = GL_RGBA;
  else if (format == "RGB") s.format = GL_RGB;
  else if (format == "RGBA4") s.format = GL_RGBA4;
  else if (format == "RGB4") s.format = GL_RGB4;
  else if (format == "RGBA8") s.format = GL_RGBA8;
  else if (format == "RGB8") s.format = GL_RGB8;

  if (filter == "MIP") s.filter = display.caps.mipMinFilter;
  else if (filter == "NORMAL") s.filter = display.caps.plainFilter;
  else if (filter == "NEAREST") s.filter = GL_NEAREST;

  if (wrap == "REPEAT") s.wrap = GL_REPEAT;
  else if (wrap == "CLAMP") s.wrap = GL_CLAMP;
}

void fitTextureToWindow(int32_t& width, int32_t& height, int windowWidth, int windowHeight) {
  // A window that reports no size counts as one pixel, so the halving ends.
  windowWidth = std::max(windowWidth, 1);
  windowHeight = std::max(windowHeight, 1);
  while (width > windowWidth || height > windowHeight) {
    width >>= 1;
    height >>= 1;
  }
}

namespace {

// A generated texture: a program run over the layers, or a black one fitted
// to the window. Gives the texture of layer 4.
GLuint generatedTexture(const std::vector<std::string>& v, const std::string& fileName, const MaterialSettings& s,
                        uint8_t alpha, bool invert, bool compressible) {
  const int32_t side = convertInteger(v[2], fileName);
  beginGeneratedTexture(side, side);
  int32_t width = texGenerator.width, height = texGenerator.height;
  if (v[1] == "?") {
    fitTextureToWindow(width, height, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
  } else {
    // The program is the file's first 22,020 bytes; a shorter file leaves zeros.
    LoadedFile program;
    loadFile(program, v[1]);
    std::vector<uint8_t> bytes(kTexProgramBytes);
    readBytes(program, bytes.data(), static_cast<int32_t>(bytes.size()));
    releaseFile(program);
    decodeTexProgram(bytes.data(), bytes.size(), texGenerator.program);
    runTexProgram();
  }
  const GLuint texture = createTextureFromPixels(texLayer(kTexOutputLayer), static_cast<uint32_t>(width),
                                                 static_cast<uint32_t>(height), s.format, s.filter, s.wrap, alpha,
                                                 true, invert, compressible);
  releaseGeneratedTexture();
  return texture;
}

}  // namespace

void parseMaterials(const std::string& fileName) {
  LoadedFile file;
  loadFile(file, fileName);
  // Reals are read with "." as the separator whatever the locale (the
  // number conversion never consults it).
  MaterialSettings settings;
  settings.filter = display.caps.plainFilter;
  bool inMaterials = false;
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

    Material m;
    m.name = v[0].substr(0, kMaterialNameLength);
    decodeMaterialKeywords(v[3], v[4], v[5], settings);
    const long double alphaValue = convertReal(v[6], fileName);
    const bool invert = convertFlag(v[7], fileName);
    const bool compressible = convertFlag(v[8], fileName);
    const uint8_t alpha = unitToByte(alphaValue);

    if (v[1].find(".TEX") != std::string::npos || v[1] == "?") {
      m.texture = generatedTexture(v, fileName, settings, alpha, invert, compressible);
      m.translucent = alpha < 255;
    } else if (v[2] == "?") {
      m.texture = loadImageTexture(v[1], settings.format, settings.filter, settings.wrap, alpha, invert, compressible);
      m.translucent = alpha < 255;
    } else {
      m.texture = loadImageTextureWithAlpha(v[1], v[2], settings.format, settings.filter, settings.wrap, invert,
                                            compressible);
      m.translucent = true;
    }
    materialTable.materials.push_back(std::move(m));
  }
  releaseFile(file);
}

}  // namespace glorbe
