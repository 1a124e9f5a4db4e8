// Textures made from image files and from memory, as OpenGL holds and draws them.
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "core/core.h"
#include "display/display_state.h"
#include "gl_context.h"
#include "image_codec/hwl_encoder.h"
#include "scratch_folder_fixture.h"
#include "textures/texture_upload.h"

namespace glorbe {
namespace {

using testing::Rgba;

// A scratch folder as the working directory, the load buffer allocated and
// the launcher's and the driver's texture choices at their defaults.
class TextureTest : public testing::ScratchFolderTest {
 protected:
  TextureTest() : ScratchFolderTest("textures") {}
  void TearDown() override {
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindTexture(GL_TEXTURE_1D, 0);
    ScratchFolderTest::TearDown();
  }

  // Encodes a picture into the working directory; returns the decoder's pixels.
  std::vector<uint8_t> writeImage(const std::string& name, const tools::PngImage& picture) {
    std::vector<uint8_t> file, pixels;
    std::string error;
    EXPECT_TRUE(tools::encodeHwl(picture, {}, file, error)) << error;
    std::filesystem::create_directories(std::filesystem::path(name).parent_path().empty()
                                            ? std::filesystem::path(".")
                                            : std::filesystem::path(name).parent_path());
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    ImageHeader header;
    EXPECT_EQ(decodeImage(pixels, header, file.data(), file.size()), ImageStatus::decoded);
    return pixels;
  }

};

tools::PngImage gradient(int w, int h, int channels) {
  tools::PngImage p{w, h, channels, std::vector<uint8_t>(size_t(w) * h * channels)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c)
        p.pixels[(size_t(y) * w + x) * channels + c] = static_cast<uint8_t>((x * 255 / (w - 1) + c * 60 + y) % 256);
  return p;
}

GLint levelParameter(GLenum target, int level, GLenum which) {
  GLint v = -1;
  glGetTexLevelParameteriv(target, level, which, &v);
  return v;
}

GLint textureParameter(GLenum which) {
  GLint v = -1;
  glGetTexParameteriv(GL_TEXTURE_2D, which, &v);
  return v;
}

std::vector<uint8_t> texels(GLenum target = GL_TEXTURE_2D) {
  const int w = levelParameter(target, 0, GL_TEXTURE_WIDTH);
  const int h = target == GL_TEXTURE_2D ? levelParameter(target, 0, GL_TEXTURE_HEIGHT) : 1;
  std::vector<uint8_t> out(size_t(w) * h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  return out;
}

// Draws the bound texture of `target` 1:1 at the lower left of the window.
void drawTexture(GLenum target, int w, int h) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, testing::glWindowWidth, 0, testing::glWindowHeight, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(target);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(0, 0);
  glTexCoord2f(1, 0);
  glVertex2f(float(w), 0);
  glTexCoord2f(1, 1);
  glVertex2f(float(w), float(h));
  glTexCoord2f(0, 1);
  glVertex2f(0, float(h));
  glEnd();
  glDisable(target);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

TEST_F(TextureTest, GreyImageWithConstantAlphaAndInversion) {
  const auto grey = writeImage("grey.hwl", gradient(32, 16, 1));
  const GLuint plain = loadImageTexture("grey.hwl", GL_RGBA, GL_NEAREST, GL_CLAMP, 128, false, false);
  ASSERT_NE(plain, 0u);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(GLuint(bound), plain) << "the new texture is left bound";
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 1);
  drawTexture(GL_TEXTURE_2D, 32, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) {
      const uint8_t g = grey[size_t(y) * 32 + x];
      ASSERT_EQ(testing::readPixel(x, y), (Rgba{g, g, g, 128})) << x << "," << y;
    }
  }
  const GLuint inverted = loadImageTexture("grey.hwl", GL_RGBA, GL_NEAREST, GL_CLAMP, 128, true, false);
  ASSERT_NE(inverted, plain);
  testing::resetGlState();
  drawTexture(GL_TEXTURE_2D, 32, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) {
      const uint8_t g = uint8_t(255 - grey[size_t(y) * 32 + x]);
      ASSERT_EQ(testing::readPixel(x, y), (Rgba{g, g, g, 128})) << x << "," << y;
    }
  }
}

TEST_F(TextureTest, ColourImageIsSwappedToRedGreenBlue) {
  const auto bgr = writeImage("loader/0.hwl", gradient(16, 8, 3));
  const GLuint tex = loadImageTexture("LOADER\\0.HWL", GL_RGBA, GL_NEAREST, GL_REPEAT, 255, false, false);
  ASSERT_NE(tex, 0u);
  const auto got = texels();
  ASSERT_EQ(got.size(), 16u * 8 * 4);
  for (size_t i = 0; i < 16 * 8; ++i) {
    ASSERT_EQ(got[4 * i], bgr[4 * i + 2]) << i;
    ASSERT_EQ(got[4 * i + 1], bgr[4 * i + 1]) << i;
    ASSERT_EQ(got[4 * i + 2], bgr[4 * i]) << i;
    ASSERT_EQ(got[4 * i + 3], 255) << i;
  }
  EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
}

TEST_F(TextureTest, SizeLimitScalesToFitKeepingTheProportions) {
  // Red on the left half, blue on the right.
  tools::PngImage wide{512, 256, 3, std::vector<uint8_t>(512 * 256 * 3)};
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 512; ++x) wide.pixels[(size_t(y) * 512 + x) * 3 + (x < 256 ? 0 : 2)] = 255;
  writeImage("wide.hwl", wide);
  display.caps.maxTextureSize = 256;
  ASSERT_NE(loadImageTexture("wide.hwl", GL_RGBA, GL_NEAREST, GL_CLAMP, 255, false, false), 0u);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 256);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 128);
  const auto got = texels();
  ASSERT_EQ(got.size(), 256u * 128 * 4);
  auto at = [&](int x, int y) { return Rgba{got[(y * 256 + x) * 4], got[(y * 256 + x) * 4 + 1], got[(y * 256 + x) * 4 + 2], got[(y * 256 + x) * 4 + 3]}; };
  // The picture is lossy: within a few levels of pure red and pure blue.
  auto near = [](Rgba got, Rgba want) {
    for (int c = 0; c < 4; ++c)
      if (std::abs(got[c] - want[c]) > 3) return false;
    return true;
  };
  EXPECT_TRUE(near(at(40, 64), Rgba{255, 0, 0, 255}));
  EXPECT_TRUE(near(at(220, 10), Rgba{0, 0, 255, 255}));

  // A picture far wider than the limit (a damaged header saying 4096 x 2)
  // becomes limit x 1, not a square of the limit.
  tools::PngImage strip{4096, 2, 3, std::vector<uint8_t>(4096 * 2 * 3, 90)};
  writeImage("strip.hwl", strip);
  ASSERT_NE(loadImageTexture("strip.hwl", GL_RGBA, GL_NEAREST, GL_CLAMP, 255, false, false), 0u);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 256);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // Exactly the limit on both sides: not scaled, every texel as decoded.
  const auto square = writeImage("square.hwl", gradient(256, 256, 1));
  ASSERT_NE(loadImageTexture("square.hwl", GL_RGBA, GL_NEAREST, GL_CLAMP, 7, false, false), 0u);
  const auto same = texels();
  ASSERT_EQ(same.size(), 256u * 256 * 4);
  for (size_t i = 0; i < 256 * 256; ++i) ASSERT_EQ(same[4 * i], square[i]) << i;

  // Pixels from memory follow the same limit.
  std::vector<uint8_t> rgba(512 * 64 * 4, 200);
  display.caps.maxTextureSize = 64;
  ASSERT_NE(createTextureFromPixels(rgba.data(), 512, 64, GL_RGBA, GL_NEAREST, GL_CLAMP, 9, false, false, false), 0u);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 64);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 8);
  EXPECT_EQ(texels()[3], 9);
}

TEST_F(TextureTest, LoadingScreenPicturesAreLoadedAtStartUp) {
  for (int i = 0; i < 5; ++i)
    if (i != 3) writeImage("loader/" + std::to_string(i) + ".hwl", gradient(32, 32, i % 2 ? 1 : 3));
  display.caps.plainFilter = GL_LINEAR;
  core.loaderTextures = {};
  loadLoaderTextures();
  for (int i = 0; i < 5; ++i) {
    if (i == 3) {
      EXPECT_EQ(core.loaderTextures[i], 0u) << "the missing picture";
      continue;
    }
    ASSERT_NE(core.loaderTextures[i], 0u) << i;
    glBindTexture(GL_TEXTURE_2D, core.loaderTextures[i]);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 32);
    EXPECT_EQ(texels()[3], 255);
  }
  glDeleteTextures(5, core.loaderTextures.data());
  core.loaderTextures = {};
}

TEST_F(TextureTest, FiltersAndMipmaps) {
  writeImage("g.hwl", gradient(64, 64, 1));
  ASSERT_NE(loadImageTexture("g.hwl", GL_RGBA, GL_LINEAR_MIPMAP_LINEAR, GL_REPEAT, 255, false, false), 0u);
  EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 32) << "mipmaps are built";
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 6, GL_TEXTURE_WIDTH), 1);

  ASSERT_NE(loadImageTexture("g.hwl", GL_RGBA, GL_NEAREST_MIPMAP_LINEAR, GL_REPEAT, 255, false, false), 0u);
  EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 32);

  ASSERT_NE(loadImageTexture("g.hwl", GL_RGBA, GL_LINEAR, GL_REPEAT, 255, false, false), 0u);
  EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 0) << "a single level";
}

TEST_F(TextureTest, InternalFormatRulesReachTheDriver) {
  writeImage("g.hwl", gradient(16, 16, 1));
  display.settings.textureDepth = 1;
  ASSERT_NE(loadImageTexture("g.hwl", GL_RGBA, GL_NEAREST, GL_CLAMP, 255, false, false), 0u);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA4);
  display.settings.textureDepth = 2;
  ASSERT_NE(loadImageTexture("g.hwl", GL_RGB, GL_NEAREST, GL_CLAMP, 255, false, false), 0u);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
  ASSERT_NE(loadImageTexture("g.hwl", GL_RGBA4, GL_NEAREST, GL_CLAMP, 255, false, true), 0u);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA4);
  // Compression, when the driver has it, wins over a 16-bit depth.
  display.caps.useCompression = true;
  display.settings.textureDepth = 1;
  ASSERT_NE(loadImageTexture("g.hwl", GL_RGBA, GL_NEAREST, GL_CLAMP, 255, false, true), 0u);
  const GLint compressed = levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT);
  EXPECT_NE(compressed, GL_RGBA4);
  EXPECT_TRUE(compressed == GL_COMPRESSED_RGBA_ARB || levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED) == 1)
      << compressed;
}

TEST_F(TextureTest, AlphaFromASecondImage) {
  const auto colour = writeImage("c.hwl", gradient(16, 16, 3));
  const auto alpha = writeImage("a.hwl", gradient(16, 16, 1));
  writeImage("small.hwl", gradient(8, 8, 1));
  writeImage("colour-alpha.hwl", gradient(16, 16, 3));
  ASSERT_NE(loadImageTextureWithAlpha("c.hwl", "a.hwl", GL_RGBA, GL_NEAREST, GL_CLAMP, true, false), 0u);
  auto got = texels();
  for (size_t i = 0; i < 256; ++i) {
    ASSERT_EQ(got[4 * i + 3], alpha[i]) << i;
    ASSERT_EQ(got[4 * i], 255 - colour[4 * i + 2]) << "inverted red " << i;
  }
  // An alpha image that is missing, smaller or in colour is left out.
  for (const char* bad : {"missing.hwl", "small.hwl", "colour-alpha.hwl"}) {
    ASSERT_NE(loadImageTextureWithAlpha("c.hwl", bad, GL_RGBA, GL_NEAREST, GL_CLAMP, false, false), 0u) << bad;
    got = texels();
    ASSERT_EQ(got.size(), 256u * 4) << bad;
    for (size_t i = 0; i < 256; ++i) ASSERT_EQ(got[4 * i + 3], 255) << bad << " " << i;
    EXPECT_EQ(got[0], colour[2]) << bad;
  }
  // No alpha name: opaque.
  ASSERT_NE(loadImageTextureWithAlpha("c.hwl", "", GL_RGBA, GL_NEAREST, GL_CLAMP, false, false), 0u);
  EXPECT_EQ(texels()[3], 255);
}

TEST_F(TextureTest, FilesWithoutPixelsMakeNoTexture) {
  std::ofstream("bad.hwl", std::ios::binary) << std::string(36, '\0');
  const GLuint before = loadImageTexture("missing.hwl", GL_RGBA, GL_NEAREST, GL_CLAMP, 255, false, false);
  EXPECT_EQ(before, 0u);
  EXPECT_EQ(loadImageTexture("bad.hwl", GL_RGBA, GL_NEAREST, GL_CLAMP, 255, false, false), 0u);
  EXPECT_EQ(loadImageTextureWithAlpha("missing.hwl", "bad.hwl", GL_RGBA, GL_NEAREST, GL_CLAMP, false, false), 0u);
  EXPECT_FALSE(loadBuffer.slotAInUse) << "every file is released";
  EXPECT_EQ(createTextureFromPixels(nullptr, 4, 4, GL_RGBA, GL_NEAREST, GL_CLAMP, 0, false, false, false), 0u);
}

TEST_F(TextureTest, PixelsFromMemoryChangeTheCallersBufferOnlyWhenUnpacked) {
  std::vector<uint8_t> rgba = {10, 20, 30, 40, 50, 60, 70, 80};
  ASSERT_NE(createTextureFromPixels(rgba.data(), 2, 1, GL_RGBA, GL_NEAREST, GL_CLAMP, 99, false, true, false), 0u);
  EXPECT_EQ(rgba, (std::vector<uint8_t>{245, 235, 225, 99, 205, 195, 185, 99}));
  EXPECT_EQ(texels(), rgba);

  const std::vector<uint8_t> packed = {10, 20, 30, 50, 60, 70};
  std::vector<uint8_t> buffer = packed;
  ASSERT_NE(createTextureFromPixels(buffer.data(), 2, 1, GL_RGBA, GL_NEAREST, GL_CLAMP, 99, true, true, false), 0u);
  EXPECT_EQ(buffer, packed);
  EXPECT_EQ(texels(), (std::vector<uint8_t>{245, 235, 225, 99, 205, 195, 185, 99}));
}

TEST_F(TextureTest, ShadeRampIsAOneDimensionalNearestTexture) {
  const GLuint ramp = createShadeRampTexture(1.0f, 0.5f, 0.0f);
  ASSERT_NE(ramp, 0u);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_1D, &bound);
  EXPECT_EQ(GLuint(bound), ramp);
  GLint v = 0;
  glGetTexParameteriv(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, &v);
  EXPECT_EQ(v, GL_CLAMP);
  glGetTexParameteriv(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, &v);
  EXPECT_EQ(v, GL_NEAREST);
  drawTexture(GL_TEXTURE_1D, 64, 1);
  EXPECT_EQ(testing::readPixel(5, 0), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(testing::readPixel(20, 0), (Rgba{100, 50, 0, 255}));
  EXPECT_EQ(testing::readPixel(40, 0), (Rgba{230, 115, 0, 255}));
  EXPECT_EQ(testing::readPixel(63, 0), (Rgba{255, 127, 0, 255}));
}

}  // namespace
}  // namespace glorbe
