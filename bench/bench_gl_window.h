// A hidden GLUT window as the current GL context for benchmarks that draw
// (run them under an X server: xvfb-run -a), set up as the player sets up
// its display: projection, fixed and base GL state, the driver's real
// capability flags.
#pragma once

#include <GL/freeglut.h>
#include <GL/glext.h>

#include "core/core.h"
#include "display/display.h"
#include "display/display_state.h"
#include "platform/gl_platform.h"

namespace glorbe::bench {

inline void openBenchWindow(int width, int height) {
  static bool open = false;
  if (open) return;
  open = true;
  static int argc = 1;
  static char name[] = "glorbe-bench";
  static char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL | GLUT_ALPHA);
  glutInitWindowSize(width, height);
  glutCreateWindow("glorbe bench");
  glutHideWindow();

  auto supported = [](const char* ext) { return glutExtensionSupported(ext) != 0; };
  DisplayCaps& caps = display.caps;
  caps.hasTexEnvCombine = supported("GL_EXT_texture_env_combine");
  caps.hasTexEnvAdd = supported("GL_EXT_texture_env_add") || supported("GL_ARB_texture_env_add");
  caps.lockArraysFn = reinterpret_cast<PFNGLLOCKARRAYSEXTPROC>(glProcAddress("glLockArraysEXT"));
  caps.unlockArraysFn = reinterpret_cast<PFNGLUNLOCKARRAYSEXTPROC>(glProcAddress("glUnlockArraysEXT"));
  caps.hasLockArrays =
      supported("GL_EXT_compiled_vertex_array") && caps.lockArraysFn != nullptr && caps.unlockArraysFn != nullptr;
  caps.clientActiveTextureFn =
      reinterpret_cast<PFNGLCLIENTACTIVETEXTUREARBPROC>(glProcAddress("glClientActiveTextureARB"));
  caps.activeTextureFn = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(glProcAddress("glActiveTextureARB"));
  caps.hasMultitexture =
      supported("GL_ARB_multitexture") && caps.clientActiveTextureFn != nullptr && caps.activeTextureFn != nullptr;

  glShadeModel(GL_SMOOTH);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glPolygonMode(GL_FRONT, GL_FILL);
  glFrontFace(GL_CCW);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);
  glEnable(GL_DITHER);
  onReshape(width, height);
  setBaseGlState();
}

}  // namespace glorbe::bench
