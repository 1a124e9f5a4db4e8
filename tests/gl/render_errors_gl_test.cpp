// glorbe-render's GL error report: the first frame with errors is named
// once, with the errors it raised; later ones are only counted, and no error
// is left pending for the read-back.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "capture/offline_render.h"

namespace glorbe::tools {
namespace {

TEST(RenderGlErrors, TheFirstFrameWithErrorsIsNamedOnce) {
  while (glGetError() != GL_NO_ERROR) {
  }
  GlErrorWatch watch;
  EXPECT_EQ(watch.check(1.0), "");
  EXPECT_EQ(watch.framesWithErrors, 0);

  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, -1, -1, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  const std::string first = watch.check(46.5);
  EXPECT_EQ(first.rfind("the frame at 46.50 s raised GL_INVALID_VALUE (0x0501);", 0), 0u) << first;
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "every error is taken";

  glEnable(0x7FFF);
  EXPECT_EQ(watch.check(47.0), "") << "named once";
  EXPECT_EQ(watch.check(48.0), "") << "a clean frame is not counted";
  EXPECT_EQ(watch.framesWithErrors, 2);

  glEnable(0x7FFF);
  EXPECT_EQ(takeGlErrors(), "GL_INVALID_ENUM (0x0500)");
  EXPECT_EQ(takeGlErrors(), "");
}

}  // namespace
}  // namespace glorbe::tools
