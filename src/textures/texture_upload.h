// Texture creation: every OpenGL texture of the engine is made here, from an
// image file of the archive, an image file with a grey image as its alpha,
// pixels made in memory, or a shade ramp for toon shading. The returned
// texture name belongs to the caller. Every name made is also written in the
// texture ledger, so that a reload of the show can free all of them at once.
//
// Pixel preparation (expand, swap, alpha, invert) is kept apart from the GL
// calls so that it can be checked without a display.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "textures/image_decoder.h"

namespace glorbe {

// ---- the texture ledger ------------------------------------------------------

// Every texture name made here and not yet deleted through deleteTextures.
struct TextureLedger {
  std::vector<GLuint> names;
};

extern TextureLedger textureLedger;

// Forgets every name without deleting a texture (tests).
void resetTextureLedger();

// Deletes the textures (0 names are skipped) and strikes them from the ledger.
void deleteTextures(const GLuint* names, size_t count);

// ---- pixel preparation ------------------------------------------------------

// Pixels ready for upload: 4 bytes per pixel red, green, blue, alpha.
struct TexturePixels {
  std::vector<uint8_t> rgba;
  uint32_t width = 0;
  uint32_t height = 0;
};

// A decoded image (grey bytes, or blue, green, red, 0) as red, green, blue
// with the fourth byte still unset; takes the decoded buffer. False (and
// nothing made) when the header is not a decoded grey or colour image whose
// buffer has the header's size.
bool imagePixelsToRgba(std::vector<uint8_t>& decoded, const ImageHeader& header, TexturePixels& out);

void writeAlpha(TexturePixels& pixels, uint8_t alpha);
void invertColours(TexturePixels& pixels);  // red, green and blue become 255 minus themselves

// Copies a grey image into the alpha bytes. The alpha image must be 8-bit and
// of the picture's width and height; otherwise nothing is copied and false is
// returned.
bool copyAlphaImage(TexturePixels& pixels, const std::vector<uint8_t>& grey, const ImageHeader& greyHeader);

// ---- upload rules -----------------------------------------------------------

// The size a picture is scaled to when a side is larger than the maximum
// texture size: the longer side becomes the limit and the other keeps the
// picture's proportions (rounded, at least 1). Sizes within the limit, or a
// limit of 0 or less, are left alone.
void fitToTextureLimit(uint32_t& width, uint32_t& height, int32_t limit);

// The internal format after the compression and depth rules: GL_RGBA and
// GL_RGB become compressed when the caller allows it and compression is in
// use, else 4- or 8-bit sized formats by the launcher's texture depth; other
// formats pass unchanged.
GLint textureInternalFormat(GLint internalFormat, bool allowCompression);
GLenum magnificationFilterFor(GLenum minFilter);  // GL_NEAREST for the nearest filters, else GL_LINEAR
bool buildsMipmaps(GLenum minFilter);             // every filter but GL_NEAREST and GL_LINEAR

// The 64 RGBA texels of a shade ramp.
std::vector<uint8_t> shadeRampTexels(float red, float green, float blue);

// ---- textures -----------------------------------------------------------------

// An image file of the archive; alpha goes into every texel. Returns 0 and
// makes no texture when the file gives no pixels.
GLuint loadImageTexture(const std::string& name, GLint internalFormat, GLenum minFilter, GLint wrap, uint8_t alpha,
                        bool invert, bool allowCompression);

// An image file whose alpha comes from the grey image alphaName; an empty
// alphaName is loadImageTexture with alpha 255. An alpha image that gives no
// pixels, is not grey, or differs in size is left out: the texture is made
// opaque (alpha 255) from the picture alone.
GLuint loadImageTextureWithAlpha(const std::string& name, const std::string& alphaName, GLint internalFormat,
                                 GLenum minFilter, GLint wrap, bool invert, bool allowCompression);

// Pixels made in memory: 3 bytes per pixel (packedRgb; the buffer is left
// as it is) or 4 bytes red, green, blue, alpha (alpha and inversion are then
// written into the caller's buffer). The buffer stays the caller's. Returns 0
// for an empty picture.
GLuint createTextureFromPixels(uint8_t* pixels, uint32_t width, uint32_t height, GLint internalFormat,
                               GLenum minFilter, GLint wrap, uint8_t alpha, bool packedRgb, bool invert,
                               bool allowCompression);

// A 64-texel GL_TEXTURE_1D ramp in four steps (black, 100, 230 and 255 times
// the colour), clamped and sampled nearest.
GLuint createShadeRampTexture(float red, float green, float blue);

}  // namespace glorbe
