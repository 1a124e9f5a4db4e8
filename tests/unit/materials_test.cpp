// The rules of the materials section that need no display.
#include <gtest/gtest.h>

#include "display/display_state.h"
#include "scripts/materials_section.h"

namespace glorbe {
namespace {

TEST(Materials, FittingHalvesBothSidesUntilTheWindowHoldsThem) {
  int32_t w = 1024, h = 1024;
  fitTextureToWindow(w, h, 800, 600);
  EXPECT_EQ(w, 512);
  EXPECT_EQ(h, 512);
  w = h = 1024;
  fitTextureToWindow(w, h, 320, 200);
  EXPECT_EQ(w, 128) << "1024, 512 and 256 are each halved";
  EXPECT_EQ(h, 128);
  w = h = 256;
  fitTextureToWindow(w, h, 256, 256);
  EXPECT_EQ(w, 256) << "equal to the window is small enough";
  w = h = 64;
  fitTextureToWindow(w, h, 0, -1);  // no window size: stops at one pixel
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
}

TEST(Materials, UnknownKeywordsKeepThePreviousSetting) {
  display.caps.mipMinFilter = GL_NEAREST;  // a software renderer's choice
  display.caps.plainFilter = GL_LINEAR;
  MaterialSettings s;
  decodeMaterialKeywords("RGB4", "MIP", "CLAMP", s);
  EXPECT_EQ(s.format, GL_RGB4);
  EXPECT_EQ(s.filter, static_cast<GLenum>(GL_NEAREST));
  EXPECT_EQ(s.wrap, GL_CLAMP);
  decodeMaterialKeywords("rgba", "NORMAL", "", s);
  EXPECT_EQ(s.format, GL_RGB4) << "keywords are upper case";
  EXPECT_EQ(s.filter, static_cast<GLenum>(GL_LINEAR));
  EXPECT_EQ(s.wrap, GL_CLAMP);
  resetDisplayState();
}

}  // namespace
}  // namespace glorbe
