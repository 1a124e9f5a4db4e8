// The texture of a terrain, coloured from the generator layers its height
// map left behind.
#include "common/numbers.h"
#include "display/display_state.h"
#include "textures/texture_generator.h"
#include "textures/texture_upload.h"

namespace glorbe {

GLuint makeTerrainTexture(int32_t width, int32_t height, float red, float green, float blue, float detail,
                          float alpha) {
  // The layers are what the texture is read from, so their size is the
  // texture's, whatever the caller thinks it is.
  if (texLayer(kTexOutputLayer) == nullptr) beginGeneratedTexture(width, height);
  paintTerrainLayers(red, green, blue, detail);
  const GLuint texture = createTextureFromPixels(
      texLayer(kTexOutputLayer), static_cast<uint32_t>(texGenerator.width), static_cast<uint32_t>(texGenerator.height),
      GL_RGBA, display.caps.mipMinFilter, GL_REPEAT, unitToByte(alpha), true, false, true);
  releaseGeneratedTexture();
  return texture;
}

}  // namespace glorbe
