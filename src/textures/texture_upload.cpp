// Texture upload: the size limit through gluScaleImage, the wrap and filter
// parameters, the internal format, a single level or a mipmap chain, and the
// four ways the engine makes textures.
#include "textures/texture_upload.h"

#include <GL/glu.h>

#include <algorithm>
#include <cstring>

#include "display/display_state.h"

namespace glorbe {

TextureLedger textureLedger;

void resetTextureLedger() { textureLedger = TextureLedger{}; }

void deleteTextures(const GLuint* names, size_t count) {
  std::vector<GLuint>& ledger = textureLedger.names;
  for (size_t i = 0; i < count; ++i) {
    if (names[i] == 0) continue;
    glDeleteTextures(1, &names[i]);
    const auto it = std::find(ledger.begin(), ledger.end(), names[i]);
    if (it != ledger.end()) ledger.erase(it);
  }
}

void fitToTextureLimit(uint32_t& width, uint32_t& height, int32_t limit) {
  if (limit <= 0 || (width <= uint32_t(limit) && height <= uint32_t(limit))) return;
  const uint64_t longer = std::max(width, height);
  auto scaled = [&](uint32_t side) {
    const uint64_t v = (uint64_t{side} * uint64_t(limit) + longer / 2) / longer;
    return static_cast<uint32_t>(std::clamp<uint64_t>(v, 1, uint64_t(limit)));
  };
  width = scaled(width);
  height = scaled(height);
}

namespace {

// Scales a picture larger than the maximum texture size down until it fits,
// keeping its proportions. False when the scaling fails.
bool applySizeLimit(TexturePixels& pixels) {
  uint32_t width = pixels.width, height = pixels.height;
  fitToTextureLimit(width, height, display.caps.maxTextureSize);
  if (width == pixels.width && height == pixels.height) return true;
  std::vector<uint8_t> scaled(size_t(width) * height * 4);
  // gluScaleImage reads with the unpack and writes with the pack alignment;
  // rows without gaps need 1 on both sides.
  GLint packAlignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  const GLint failed = gluScaleImage(GL_RGBA, GLint(pixels.width), GLint(pixels.height), GL_UNSIGNED_BYTE,
                                     pixels.rgba.data(), GLint(width), GLint(height), GL_UNSIGNED_BYTE, scaled.data());
  glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
  if (failed != 0) return false;
  pixels.rgba = std::move(scaled);
  pixels.width = width;
  pixels.height = height;
  return true;
}

GLuint upload(const uint8_t* rgba, uint32_t width, uint32_t height, GLint internalFormat, GLenum minFilter,
              GLint wrap, bool allowCompression) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  GLuint name = 0;
  glGenTextures(1, &name);
  textureLedger.names.push_back(name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(magnificationFilterFor(minFilter)));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
  const GLint format = textureInternalFormat(internalFormat, allowCompression);
  if (buildsMipmaps(minFilter))
    gluBuild2DMipmaps(GL_TEXTURE_2D, format, GLint(width), GLint(height), GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  else
    glTexImage2D(GL_TEXTURE_2D, 0, format, GLsizei(width), GLsizei(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return name;
}

// Size limit and upload of prepared pixels; 0 when the scaling fails.
GLuint finish(TexturePixels& pixels, GLint internalFormat, GLenum minFilter, GLint wrap, bool invert,
              bool allowCompression) {
  if (invert) invertColours(pixels);
  if (!applySizeLimit(pixels)) return 0;
  return upload(pixels.rgba.data(), pixels.width, pixels.height, internalFormat, minFilter, wrap, allowCompression);
}

bool decodeToRgba(const std::string& name, TexturePixels& pixels) {
  std::vector<uint8_t> decoded;
  ImageHeader header;
  if (decodeImage(decoded, header, name) != ImageStatus::decoded) return false;
  return imagePixelsToRgba(decoded, header, pixels);
}

}  // namespace

GLuint loadImageTexture(const std::string& name, GLint internalFormat, GLenum minFilter, GLint wrap, uint8_t alpha,
                        bool invert, bool allowCompression) {
  TexturePixels pixels;
  if (!decodeToRgba(name, pixels)) return 0;
  writeAlpha(pixels, alpha);
  return finish(pixels, internalFormat, minFilter, wrap, invert, allowCompression);
}

GLuint loadImageTextureWithAlpha(const std::string& name, const std::string& alphaName, GLint internalFormat,
                                 GLenum minFilter, GLint wrap, bool invert, bool allowCompression) {
  if (alphaName.empty()) return loadImageTexture(name, internalFormat, minFilter, wrap, 255, invert, allowCompression);
  TexturePixels pixels;
  if (!decodeToRgba(name, pixels)) return 0;
  std::vector<uint8_t> grey;
  ImageHeader greyHeader;
  const bool haveAlpha = decodeImage(grey, greyHeader, alphaName) == ImageStatus::decoded;
  if (!haveAlpha || !copyAlphaImage(pixels, grey, greyHeader)) writeAlpha(pixels, 255);
  return finish(pixels, internalFormat, minFilter, wrap, invert, allowCompression);
}

GLuint createTextureFromPixels(uint8_t* pixels, uint32_t width, uint32_t height, GLint internalFormat,
                               GLenum minFilter, GLint wrap, uint8_t alpha, bool packedRgb, bool invert,
                               bool allowCompression) {
  if (pixels == nullptr || width == 0 || height == 0) return 0;
  const size_t count = size_t{width} * height;
  if (packedRgb) {
    TexturePixels copy;
    copy.width = width;
    copy.height = height;
    copy.rgba.resize(count * 4);
    for (size_t i = 0; i < count; ++i) std::memcpy(&copy.rgba[4 * i], pixels + 3 * i, 3);
    writeAlpha(copy, alpha);
    return finish(copy, internalFormat, minFilter, wrap, invert, allowCompression);
  }
  // The caller's buffer takes the alpha and the inversion in place; only a
  // scaled copy is made here.
  for (size_t i = 0; i < count; ++i) {
    uint8_t* p = pixels + 4 * i;
    p[3] = alpha;
    if (invert) {
      p[0] = uint8_t(255 - p[0]);
      p[1] = uint8_t(255 - p[1]);
      p[2] = uint8_t(255 - p[2]);
    }
  }
  const int32_t limit = display.caps.maxTextureSize;
  if (limit > 0 && (width > uint32_t(limit) || height > uint32_t(limit))) {
    TexturePixels copy;
    copy.width = width;
    copy.height = height;
    copy.rgba.assign(pixels, pixels + count * 4);
    if (!applySizeLimit(copy)) return 0;
    return upload(copy.rgba.data(), copy.width, copy.height, internalFormat, minFilter, wrap, allowCompression);
  }
  return upload(pixels, width, height, internalFormat, minFilter, wrap, allowCompression);
}

GLuint createShadeRampTexture(float red, float green, float blue) {
  const std::vector<uint8_t> ramp = shadeRampTexels(red, green, blue);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  GLuint name = 0;
  glGenTextures(1, &name);
  textureLedger.names.push_back(name);
  glBindTexture(GL_TEXTURE_1D, name);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, ramp.data());
  return name;
}

}  // namespace glorbe
