// Pixel preparation for textures, without GL: decoded images brought to
// red-green-blue-alpha, constant or image alpha, inversion, the rules that
// pick the internal format and filters, and the shade ramp's texels.
#include "textures/texture_upload.h"

#include <cmath>

#include "display/display_state.h"

namespace glorbe {

bool imagePixelsToRgba(std::vector<uint8_t>& decoded, const ImageHeader& header, TexturePixels& out) {
  const size_t count = size_t{header.width} * header.height;
  if (count == 0) return false;
  if (header.bitsPerPixel == 8) {
    if (decoded.size() != count) return false;
    out.rgba.assign(count * 4, 0);
    for (size_t i = 0; i < count; ++i) {
      uint8_t* p = &out.rgba[4 * i];
      p[0] = p[1] = p[2] = decoded[i];
    }
    decoded.clear();
  } else if (header.bitsPerPixel == 24) {
    if (decoded.size() != count * 4) return false;
    out.rgba = std::move(decoded);
    decoded.clear();
    for (size_t i = 0; i < count; ++i) std::swap(out.rgba[4 * i], out.rgba[4 * i + 2]);
  } else {
    return false;
  }
  out.width = header.width;
  out.height = header.height;
  return true;
}

void writeAlpha(TexturePixels& pixels, uint8_t alpha) {
  for (size_t i = 3; i < pixels.rgba.size(); i += 4) pixels.rgba[i] = alpha;
}

void invertColours(TexturePixels& pixels) {
  for (size_t i = 0; i + 2 < pixels.rgba.size(); i += 4) {
    pixels.rgba[i] = static_cast<uint8_t>(255 - pixels.rgba[i]);
    pixels.rgba[i + 1] = static_cast<uint8_t>(255 - pixels.rgba[i + 1]);
    pixels.rgba[i + 2] = static_cast<uint8_t>(255 - pixels.rgba[i + 2]);
  }
}

bool copyAlphaImage(TexturePixels& pixels, const std::vector<uint8_t>& grey, const ImageHeader& greyHeader) {
  const size_t count = size_t{pixels.width} * pixels.height;
  if (greyHeader.bitsPerPixel != 8 || greyHeader.width != pixels.width || greyHeader.height != pixels.height ||
      grey.size() != count || pixels.rgba.size() != count * 4)
    return false;
  for (size_t i = 0; i < count; ++i) pixels.rgba[4 * i + 3] = grey[i];
  return true;
}

GLint textureInternalFormat(GLint internalFormat, bool allowCompression) {
  const bool compress = allowCompression && display.caps.useCompression;
  if (internalFormat == GL_RGBA && compress) internalFormat = GL_COMPRESSED_RGBA_ARB;
  if (internalFormat == GL_RGB && compress) internalFormat = GL_COMPRESSED_RGB_ARB;
  if (internalFormat == GL_RGBA && display.settings.textureDepth == 1) internalFormat = GL_RGBA4;
  if (internalFormat == GL_RGB && display.settings.textureDepth == 1) internalFormat = GL_RGB4;
  if (internalFormat == GL_RGBA && display.settings.textureDepth == 2) internalFormat = GL_RGBA8;
  if (internalFormat == GL_RGB && display.settings.textureDepth == 2) internalFormat = GL_RGB8;
  return internalFormat;
}

GLenum magnificationFilterFor(GLenum minFilter) {
  return minFilter == GL_NEAREST || minFilter == GL_NEAREST_MIPMAP_NEAREST || minFilter == GL_NEAREST_MIPMAP_LINEAR
             ? GL_NEAREST
             : GL_LINEAR;
}

bool buildsMipmaps(GLenum minFilter) { return minFilter != GL_NEAREST && minFilter != GL_LINEAR; }

namespace {

// The low 8 bits of the product truncated toward zero, as a byte store of
// the integer would keep them; a product that is no number gives 0.
uint8_t rampByte(float value, int factor) {
  const float product = value * static_cast<float>(factor);
  if (!std::isfinite(product)) return 0;
  float low = std::fmod(std::trunc(product), 256.0f);
  if (low < 0) low += 256.0f;
  return static_cast<uint8_t>(low);
}

}  // namespace

std::vector<uint8_t> shadeRampTexels(float red, float green, float blue) {
  std::vector<uint8_t> ramp(64 * 4);
  for (int i = 0; i < 64; ++i) {
    const int factor = i < 16 ? 0 : i < 32 ? 100 : i < 56 ? 230 : 255;
    ramp[4 * i] = rampByte(red, factor);
    ramp[4 * i + 1] = rampByte(green, factor);
    ramp[4 * i + 2] = rampByte(blue, factor);
    ramp[4 * i + 3] = 255;
  }
  return ramp;
}

}  // namespace glorbe
