// The fixed GL state every frame relies on, and the reshape and idle callbacks.
#include <GL/freeglut.h>
#include <GL/glu.h>

#include "display/display.h"
#include "display/display_state.h"
#include "platform/stop_signals.h"

namespace glorbe {

void initGlState() {
  glutSetCursor(GLUT_CURSOR_NONE);
  if (display.caps.hardwareAccelerated) glShadeModel(GL_SMOOTH);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  if (display.caps.useCompression) glHint(GL_TEXTURE_COMPRESSION_HINT_ARB, GL_NICEST);
  glPolygonMode(GL_FRONT, GL_FILL);
  glFrontFace(GL_CCW);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);
  glEnable(GL_DITHER);
  glutReshapeFunc(onReshape);
  glutIdleFunc(onIdle);
}

void onReshape(int width, int height) {
  GLint matrixMode = GL_MODELVIEW;
  glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, kProjectionAspect, 0.1, display.projection.farPlane);
  glMatrixMode(static_cast<GLenum>(matrixMode));
}

void onIdle() {
  // A hidden window gets no display calls; a stop signal still ends the show.
  endIfStopSignal();
  glutPostRedisplay();
}

}  // namespace glorbe
