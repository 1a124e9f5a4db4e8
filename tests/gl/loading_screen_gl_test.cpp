// The loading screen as it reaches the frame buffer: the picture of the step
// large and tinted, and the row of pictures shown so far added on top.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "core/core.h"
#include "display/display.h"
#include "gl_context.h"

namespace glorbe {
namespace {

using testing::Rgba;

// Five one-colour pictures, each with a channel of its own.
const std::array<Rgba, 5> kColours = {{{150, 0, 0, 255}, {0, 150, 0, 255}, {0, 0, 150, 255}, {90, 90, 0, 255},
                                       {0, 90, 90, 255}}};

class LoadingScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::resetGlState();
    initGlState();  // depth test, culling and the callbacks, as the player has them
    onReshape(testing::glWindowWidth, testing::glWindowHeight);
    glEnable(GL_TEXTURE_2D);
    for (size_t i = 0; i < 5; ++i) {
      std::vector<Rgba> texels(16, kColours[i]);
      glGenTextures(1, &core.loaderTextures[i]);
      glBindTexture(GL_TEXTURE_2D, core.loaderTextures[i]);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    }
  }
  void TearDown() override {
    glDeleteTextures(5, core.loaderTextures.data());
    core.loaderTextures.fill(0);
    core.loadingStep = 0;
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    testing::resetGlState();
  }

  // The window pixel of a point at (x, y, -4) under the display's projection
  // (45 degrees high, aspect 1.3333).
  static std::pair<int, int> project(float x, float y) {
    const double halfHeight = 4.0 * std::tan(22.5 * 3.14159265358979 / 180.0);
    const double halfWidth = halfHeight * 1.3333;
    const double w = testing::glWindowWidth, h = testing::glWindowHeight;
    return {static_cast<int>(w / 2 + x / halfWidth * w / 2), static_cast<int>(h / 2 + y / halfHeight * h / 2)};
  }
  static Rgba at(float x, float y) {
    const auto [px, py] = project(x, y);
    return testing::readPixel(px, py);
  }
};

// The large picture tinted by (0.2, 0.2, 0.8), plus thumbnails added at full colour.
Rgba tinted(const Rgba& c) {
  return {static_cast<uint8_t>(std::lround(c[0] * 0.2)), static_cast<uint8_t>(std::lround(c[1] * 0.2)),
          static_cast<uint8_t>(std::lround(c[2] * 0.8)), 255};
}
Rgba plus(const Rgba& a, const Rgba& b) {
  Rgba out;
  for (int i = 0; i < 3; ++i) out[i] = static_cast<uint8_t>(std::min(255, a[i] + b[i]));
  out[3] = 255;
  return out;
}
bool near(const Rgba& got, const Rgba& want) {
  for (int i = 0; i < 3; ++i)
    if (std::abs(got[i] - want[i]) > 2) return false;
  return true;
}

TEST_F(LoadingScreenTest, ThirdScreenShowsPictureTwoAndThreeThumbnails) {
  core.loadingStep = 2;
  drawLoadingFrame();
  const Rgba large = tinted(kColours[2]);
  EXPECT_TRUE(near(at(0.0f, -0.8f), large)) << "picture 2 fills the middle";
  EXPECT_TRUE(near(at(-1.0f, 0.0f), large));
  EXPECT_TRUE(near(at(-1.5f, 0.0f), (Rgba{0, 0, 51, 255}))) << "outside it the clear colour";
  EXPECT_TRUE(near(at(-0.7f, 0.0f), plus(large, kColours[0])));
  EXPECT_TRUE(near(at(0.0f, 0.2f), plus(large, kColours[1])));
  EXPECT_TRUE(near(at(0.7f, -0.2f), plus(large, kColours[2])));
  EXPECT_TRUE(near(at(0.35f, 0.0f), large)) << "a gap between the thumbnails";
  EXPECT_TRUE(near(at(1.05f, 0.0f), large)) << "no fourth thumbnail";
  EXPECT_TRUE(near(at(-0.7f, 0.35f), large)) << "thumbnails have half size 0.3";
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_ONE) << "the first timeline frame starts with the additive function set";
  EXPECT_EQ(dst, GL_ONE);

  // The title: light lines in the upper part of the window, above the thumbnails.
  int light = 0;
  for (int x = 0; x < testing::glWindowWidth; ++x) {
    for (int y = testing::glWindowHeight * 6 / 10; y < testing::glWindowHeight * 8 / 10; ++y) {
      const Rgba p = testing::readPixel(x, y);
      light += p[0] > 120 && p[1] > 120;
    }
  }
  EXPECT_GT(light, 100);
}

TEST_F(LoadingScreenTest, FifthScreenShowsFiveThumbnailsAcrossTheMiddle) {
  core.loadingStep = 4;
  drawLoadingFrame();
  const Rgba large = tinted(kColours[4]);
  const float xs[] = {-1.4f, -0.7f, 0.0f, 0.7f, 1.4f};
  for (size_t i = 0; i < 5; ++i) {
    const Rgba want = std::fabs(xs[i]) < 1.2f ? plus(large, kColours[i]) : plus(Rgba{0, 0, 51, 255}, kColours[i]);
    EXPECT_TRUE(near(at(xs[i] + 0.05f, 0.1f), want)) << i;
  }
}

}  // namespace
}  // namespace glorbe
