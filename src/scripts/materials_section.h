// The MATERIALS section of a scene script: every "PARAM = ..." line makes a
// named Material whose texture comes from an image file (with an optional
// grey alpha image), from a procedural texture program (".TEX"), or is an
// empty black texture fitted to the window for frame-buffer grabs ("?").
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>

namespace glorbe {

// Reads the file's MATERIALS sections and appends one material per PARAM
// line of at least 9 values to materialTable. Textures are made at once.
void parseMaterials(const std::string& fileName);

// The settings a PARAM line's keywords choose; a keyword that is none of the
// known words keeps the previous line's choice. Before the first line of a
// script: GL_RGBA, the plain filter, GL_REPEAT.
struct MaterialSettings {
  GLint format = GL_RGBA;
  GLenum filter = 0;  // 0 until set: the display's plain filter
  GLint wrap = GL_REPEAT;
};
void decodeMaterialKeywords(const std::string& format, const std::string& filter, const std::string& wrap,
                            MaterialSettings& settings);

// The size of a "?" texture: both sides halved together while either is
// larger than the window's.
void fitTextureToWindow(int32_t& width, int32_t& height, int windowWidth, int windowHeight);

}  // namespace glorbe
