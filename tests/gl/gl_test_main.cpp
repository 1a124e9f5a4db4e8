// GL tests run with one hidden GLUT window as the current context; every test
// draws into its back buffer and reads the pixels back.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "gl_context.h"

namespace glorbe::testing {

int glWindowWidth = 0;
int glWindowHeight = 0;

void resetGlState() {
  glViewport(0, 0, glWindowWidth, glWindowHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glColor4f(1, 1, 1, 1);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glReadBuffer(GL_BACK);
  glDrawBuffer(GL_BACK);
}

Rgba readPixel(int x, int y) {
  Rgba p{};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
  return p;
}

}  // namespace glorbe::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests (done at build time) needs no display.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL | GLUT_ALPHA);
  glutInitWindowSize(glorbe::testing::kGlWindowWidth, glorbe::testing::kGlWindowHeight);
  glutCreateWindow("glorbe tests");
  glutHideWindow();
  glorbe::testing::glWindowWidth = glorbe::testing::kGlWindowWidth;
  glorbe::testing::glWindowHeight = glorbe::testing::kGlWindowHeight;
  return RUN_ALL_TESTS();
}
