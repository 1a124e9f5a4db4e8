#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>

#include "core/core.h"
#include "core/overlay.h"
#include "display/display.h"
#include "gl_context.h"

namespace glorbe {
namespace {

using testing::readPixel;

std::array<GLfloat, 16> currentMatrix(GLenum which) {
  std::array<GLfloat, 16> m{};
  glGetFloatv(which, m.data());
  return m;
}

std::array<GLfloat, 16> expectedProjection() {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluPerspective(45.0, 1.3333, 0.1, 50.0);
  auto m = currentMatrix(GL_PROJECTION_MATRIX);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  return m;
}

TEST(Reshape, ViewportAndFixedAspect) {
  testing::resetGlState();
  const auto want = expectedProjection();
  glMatrixMode(GL_TEXTURE);
  onReshape(200, 50);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[2], 200);
  EXPECT_EQ(vp[3], 50);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_TEXTURE) << "the matrix mode is restored";
  glMatrixMode(GL_MODELVIEW);
  const auto got = currentMatrix(GL_PROJECTION_MATRIX);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(got[i], want[i]) << i;
  // 1.3333 rather than 4/3: element 0 is f / aspect.
  const double f = 1.0 / std::tan(45.0 * 3.14159265358979 / 360.0);
  EXPECT_NEAR(got[0], f / 1.3333, 1e-6);
}

TEST(Reshape, HeightZeroIsOne) {
  testing::resetGlState();
  onReshape(100, 0);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[3], 1);
  const auto got = currentMatrix(GL_PROJECTION_MATRIX);
  for (float v : got) EXPECT_TRUE(std::isfinite(v));
}

TEST(BaseGlState, ClearsToDarkBlue) {
  testing::resetGlState();
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  setBaseGlState();
  const auto p = readPixel(10, 10);
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[1], 0);
  EXPECT_NEAR(p[2], 64, 1);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
  EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
  EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
  GLint fog = 0;
  glGetIntegerv(GL_FOG_MODE, &fog);
  EXPECT_EQ(fog, GL_LINEAR);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisable(GL_COLOR_MATERIAL);
}

TEST(OverlayText, DrawsAndRestoresState) {
  testing::resetGlState();
  glEnable(GL_TEXTURE_2D);
  glColor4f(0.2f, 0.4f, 0.6f, 0.5f);
  glMatrixMode(GL_PROJECTION);
  const auto projection = currentMatrix(GL_PROJECTION_MATRIX);
  drawOverlayText("HHHH", 0.0f, 0.2f, 0.005f, 0.005f, 1.0f, 0.0f, 0.0f);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_PROJECTION);
  EXPECT_EQ(currentMatrix(GL_PROJECTION_MATRIX), projection);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  GLfloat c[4];
  glGetFloatv(GL_CURRENT_COLOR, c);
  EXPECT_FLOAT_EQ(c[0], 0.2f);
  EXPECT_FLOAT_EQ(c[1], 0.4f);
  EXPECT_FLOAT_EQ(c[2], 0.6f);
  EXPECT_FLOAT_EQ(c[3], 1.0f) << "alpha comes back as 1";
  glDisable(GL_TEXTURE_2D);
  // Something red was drawn in the lower part of the window.
  std::vector<uint8_t> pixels(testing::glWindowWidth * testing::glWindowHeight * 4);
  glReadPixels(0, 0, testing::glWindowWidth, testing::glWindowHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  int red = 0;
  for (size_t i = 0; i < pixels.size(); i += 4) red += pixels[i] > 128 && pixels[i + 1] < 64;
  EXPECT_GT(red, 50);
}

}  // namespace
}  // namespace glorbe
