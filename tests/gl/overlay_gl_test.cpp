// Overlay text placed in the viewport it is drawn in, and the statistics
// overlay in the lower-left corner with its blending switched off again.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "core/core.h"
#include "core/demo_clock.h"
#include "core/overlay.h"
#include "gl_context.h"

namespace glorbe {
namespace {

struct Counts {
  int inside = 0, outside = 0;
};

// Pixels brighter than half in red, inside and outside a window rectangle.
Counts litPixels(int x0, int y0, int x1, int y1) {
  const int w = testing::glWindowWidth, h = testing::glWindowHeight;
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  Counts c;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (pixels[(static_cast<size_t>(y) * w + x) * 4] <= 128) continue;
      (x >= x0 && x < x1 && y >= y0 && y < y1 ? c.inside : c.outside) += 1;
    }
  }
  return c;
}

TEST(OverlayGl, TextIsPlacedInTheCurrentViewport) {
  testing::resetGlState();
  const int w = testing::glWindowWidth, h = testing::glWindowHeight;
  glViewport(w / 2, 0, w / 2, h);
  drawOverlayText("HHH", 0.1f, 0.5f, 0.003f, 0.003f, 1, 1, 1);
  // Stroke "H" is about 100 units high: 0.3 of the viewport above y = 0.5.
  const Counts c = litPixels(w / 2, h / 2, w, h / 2 + h * 4 / 10);
  EXPECT_GT(c.inside, 100);
  EXPECT_EQ(c.outside, 0);
}

TEST(OverlayGl, StatisticsInTheLowerLeftCornerThenBlendingOff) {
  testing::resetGlState();
  resetCoreState();
  const int w = testing::glWindowWidth, h = testing::glWindowHeight;
  glMatrixMode(GL_PROJECTION);
  glTranslatef(0.5f, 0.0f, 0.0f);
  GLfloat before[16], after[16];
  glGetFloatv(GL_PROJECTION_MATRIX, before);
  drawStatisticsOverlay(1000);
  glGetFloatv(GL_PROJECTION_MATRIX, after);
  EXPECT_TRUE(std::equal(before, before + 16, after));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
  // Eight lines from y = 0.01 to 0.29 (plus the letters' height), starting at the left edge.
  const Counts c = litPixels(0, 0, w * 6 / 10, h * 33 / 100);
  EXPECT_GT(c.inside, 300);
  EXPECT_EQ(c.outside, 0);
  glMatrixMode(GL_MODELVIEW);
  resetCoreState();
}

}  // namespace
}  // namespace glorbe
