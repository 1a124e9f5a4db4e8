// Texture pixel preparation and the upload rules, without a display.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display/display_state.h"
#include "textures/texture_upload.h"

namespace glorbe {
namespace {

ImageHeader headerOf(int w, int h, int bits) {
  ImageHeader header;
  header.width = static_cast<uint16_t>(w);
  header.height = static_cast<uint16_t>(h);
  header.bitsPerPixel = static_cast<uint8_t>(bits);
  return header;
}

TEST(TexturePixels, DecodedImagesBecomeRedGreenBlue) {
  std::vector<uint8_t> grey = {10, 200};
  TexturePixels px;
  ASSERT_TRUE(imagePixelsToRgba(grey, headerOf(2, 1, 8), px));
  EXPECT_EQ(px.rgba, (std::vector<uint8_t>{10, 10, 10, 0, 200, 200, 200, 0}));
  EXPECT_EQ(px.width, 2u);
  EXPECT_EQ(px.height, 1u);

  std::vector<uint8_t> bgr = {1, 2, 3, 0, 4, 5, 6, 0};  // blue, green, red, unused
  ASSERT_TRUE(imagePixelsToRgba(bgr, headerOf(1, 2, 24), px));
  EXPECT_EQ(px.rgba, (std::vector<uint8_t>{3, 2, 1, 0, 6, 5, 4, 0}));

  writeAlpha(px, 128);
  invertColours(px);
  EXPECT_EQ(px.rgba, (std::vector<uint8_t>{252, 253, 254, 128, 249, 250, 251, 128})) << "alpha is kept";

  // A buffer that does not match its header is refused.
  std::vector<uint8_t> shortBuffer = {1, 2, 3};
  EXPECT_FALSE(imagePixelsToRgba(shortBuffer, headerOf(2, 2, 8), px));
  EXPECT_FALSE(imagePixelsToRgba(shortBuffer, headerOf(1, 1, 24), px));
  EXPECT_FALSE(imagePixelsToRgba(shortBuffer, headerOf(3, 1, 16), px));
  EXPECT_FALSE(imagePixelsToRgba(shortBuffer, headerOf(0, 3, 8), px));
}

TEST(TexturePixels, AlphaImageMustBeGreyOfTheSameSize) {
  TexturePixels px{std::vector<uint8_t>(2 * 2 * 4, 9), 2, 2};
  const std::vector<uint8_t> grey = {1, 2, 3, 4};
  const auto before = px.rgba;
  EXPECT_FALSE(copyAlphaImage(px, grey, headerOf(4, 1, 8))) << "same count, other shape";
  EXPECT_FALSE(copyAlphaImage(px, grey, headerOf(2, 2, 24)));
  EXPECT_FALSE(copyAlphaImage(px, {1, 2, 3}, headerOf(2, 2, 8))) << "a buffer shorter than its header";
  EXPECT_FALSE(copyAlphaImage(px, std::vector<uint8_t>(64, 1), headerOf(8, 8, 8))) << "a larger alpha image";
  EXPECT_EQ(px.rgba, before);
  ASSERT_TRUE(copyAlphaImage(px, grey, headerOf(2, 2, 8)));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(px.rgba[4 * i + 3], grey[i]);
    EXPECT_EQ(px.rgba[4 * i], 9);
  }
}

class UploadRules : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDisplayState();
  }
  void TearDown() override {
    resetDisplayState();
  }
};

TEST_F(UploadRules, InternalFormatFollowsCompressionThenDepth) {
  struct Case {
    GLint format;
    bool allow, inUse;
    int depth;
    GLint expected;
  };
  const Case cases[] = {
      {GL_RGBA, true, true, 1, GL_COMPRESSED_RGBA_ARB},  // compression wins over the depth
      {GL_RGB, true, true, 2, GL_COMPRESSED_RGB_ARB},
      {GL_RGBA, false, true, 1, GL_RGBA4},               // the caller did not allow it
      {GL_RGBA, true, false, 1, GL_RGBA4},               // not in use
      {GL_RGB, false, false, 1, GL_RGB4},
      {GL_RGBA, false, false, 2, GL_RGBA8},
      {GL_RGB, false, false, 2, GL_RGB8},
      {GL_RGBA, false, false, 0, GL_RGBA},               // the driver's choice
      {GL_RGBA4, true, true, 2, GL_RGBA4},               // sized formats pass unchanged
      {GL_RGB8, true, true, 1, GL_RGB8},
  };
  for (const Case& c : cases) {
    display.caps.useCompression = c.inUse;
    display.settings.textureDepth = c.depth;
    EXPECT_EQ(textureInternalFormat(c.format, c.allow), c.expected)
        << c.format << " allow " << c.allow << " in use " << c.inUse << " depth " << c.depth;
  }
}

TEST_F(UploadRules, FiltersChooseMagnificationAndMipmaps) {
  EXPECT_EQ(magnificationFilterFor(GL_LINEAR_MIPMAP_LINEAR), GLenum(GL_LINEAR));
  EXPECT_EQ(magnificationFilterFor(GL_LINEAR_MIPMAP_NEAREST), GLenum(GL_LINEAR));
  EXPECT_EQ(magnificationFilterFor(GL_NEAREST_MIPMAP_LINEAR), GLenum(GL_NEAREST));
  EXPECT_EQ(magnificationFilterFor(GL_NEAREST_MIPMAP_NEAREST), GLenum(GL_NEAREST));
  EXPECT_EQ(magnificationFilterFor(GL_NEAREST), GLenum(GL_NEAREST));
  EXPECT_EQ(magnificationFilterFor(GL_LINEAR), GLenum(GL_LINEAR));
  EXPECT_FALSE(buildsMipmaps(GL_NEAREST));
  EXPECT_FALSE(buildsMipmaps(GL_LINEAR));
  EXPECT_TRUE(buildsMipmaps(GL_NEAREST_MIPMAP_LINEAR));
  EXPECT_TRUE(buildsMipmaps(GL_LINEAR_MIPMAP_NEAREST));
}

std::array<int, 4> texel(const std::vector<uint8_t>& ramp, int i) {
  return {ramp[4 * i], ramp[4 * i + 1], ramp[4 * i + 2], ramp[4 * i + 3]};
}

TEST(ShadeRamp, FourStepsWithTruncatedLowBytes) {
  auto ramp = shadeRampTexels(1.0f, 0.5f, 0.0f);
  ASSERT_EQ(ramp.size(), 64u * 4);
  for (int i = 0; i < 64; ++i) {
    const std::array<int, 4> want = i < 16   ? std::array{0, 0, 0, 255}
                                    : i < 32 ? std::array{100, 50, 0, 255}
                                    : i < 56 ? std::array{230, 115, 0, 255}
                                             : std::array{255, 127, 0, 255};
    EXPECT_EQ(texel(ramp, i), want) << i;
  }
  // Above 1 the byte keeps the low 8 bits: 200, 460 & 255, 510 & 255.
  ramp = shadeRampTexels(2.0f, -0.5f, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(texel(ramp, 16)[0], 200);
  EXPECT_EQ(texel(ramp, 32)[0], 204);
  EXPECT_EQ(texel(ramp, 60)[0], 254);
  EXPECT_EQ(texel(ramp, 16)[1], 206) << "-50 as a byte";
  EXPECT_EQ(texel(ramp, 60)[1], 129) << "-127 as a byte";
  EXPECT_EQ(texel(ramp, 60)[2], 0) << "NaN gives 0";
  ramp = shadeRampTexels(1e30f, std::numeric_limits<float>::infinity(), 1.0f / 3);
  EXPECT_EQ(texel(ramp, 40)[2], 76) << "76.67 truncates";
  EXPECT_EQ(texel(ramp, 40)[1], 0) << "infinity gives 0";
  EXPECT_EQ(texel(ramp, 40)[0], 0) << "a huge product is a multiple of 256";
}

}  // namespace
}  // namespace glorbe

namespace glorbe {
namespace {

TEST(TextureLimit, TheLongerSideBecomesTheLimitAndTheOtherKeepsTheProportions) {
  auto fit = [](uint32_t w, uint32_t h, int32_t limit) {
    fitToTextureLimit(w, h, limit);
    return std::pair{w, h};
  };
  EXPECT_EQ(fit(512, 256, 256), (std::pair<uint32_t, uint32_t>{256, 128}));
  EXPECT_EQ(fit(256, 4096, 1024), (std::pair<uint32_t, uint32_t>{64, 1024}));
  // A damaged header's 65535 x 1 stays one row high: a few kilobytes, not a
  // square of the limit (a gigabyte at 16384).
  EXPECT_EQ(fit(65535, 1, 16384), (std::pair<uint32_t, uint32_t>{16384, 1}));
  EXPECT_EQ(fit(65535, 3, 16384), (std::pair<uint32_t, uint32_t>{16384, 1}));
  EXPECT_EQ(fit(3000, 2000, 1024), (std::pair<uint32_t, uint32_t>{1024, 683}));
  // Within the limit, or no limit known: unchanged.
  EXPECT_EQ(fit(256, 256, 256), (std::pair<uint32_t, uint32_t>{256, 256}));
  EXPECT_EQ(fit(70000, 5, 0), (std::pair<uint32_t, uint32_t>{70000, 5}));
}

}  // namespace
}  // namespace glorbe
