#include <gtest/gtest.h>

#include "art/art_generators.h"
#include "art/pixel_font.h"

namespace glorbe::tools {
namespace {

TEST(Art, EveryKindDrawsSomethingRepeatably) {
  for (const ArtKind& k : artKinds()) {
    PngImage a, b;
    std::string error;
    ASSERT_TRUE(makeArt(k.name, 64, 32, "AB", a, error)) << k.name << ": " << error;
    ASSERT_TRUE(makeArt(k.name, 64, 32, "AB", b, error));
    EXPECT_EQ(a.width, 64);
    EXPECT_EQ(a.height, 32);
    EXPECT_EQ(a.channels, k.channels) << k.name;
    EXPECT_EQ(a.pixels, b.pixels) << k.name << " is not deterministic";
    int lo = 255, hi = 0;
    for (uint8_t p : a.pixels) lo = std::min<int>(lo, p), hi = std::max<int>(hi, p);
    EXPECT_GT(hi - lo, 60) << k.name << " is nearly flat";
  }
}

TEST(Art, TextInksItsLetters) {
  PngImage img;
  std::string error;
  ASSERT_TRUE(makeArt("text", 80, 20, "I", img, error)) << error;
  // A single I: its stem is lit in the middle column, the corners stay dark.
  EXPECT_GT(img.pixels[10 * 80 + 40], 200);
  EXPECT_EQ(img.pixels[0], 0);
  EXPECT_EQ(img.pixels[10 * 80 + 5], 0);
  EXPECT_FALSE(makeArt("text", 80, 20, "A~", img, error));
  EXPECT_NE(error.find('~'), std::string::npos);
  EXPECT_FALSE(makeArt("mandelbrot", 8, 8, "", img, error));
  EXPECT_FALSE(makeArt("orb", 0, 8, "", img, error));
  EXPECT_NE(pixelGlyph('a'), nullptr) << "lower case draws as capitals";
}

}  // namespace
}  // namespace glorbe::tools
