// The player's start-up order: launcher and display, sound, fixed GL state,
// archive, loading-screen images, callbacks, main loop.
#include <GL/freeglut.h>

#include "core/core.h"
#include "core/engine_settings.h"
#include "display/display.h"
#include "launcher/launcher.h"

namespace glorbe {

int runPlayer(int argc, char** argv) {
  static int glutArgc = 0;
  glutArgc = argc;
  core.commandLine.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  core.overlayEnabled = false;
  engineSettings = EngineSettings{};
  setDisplayArguments(&glutArgc, argv);

  runLauncher(kStencilDisplayMode);
  initSound();
  initGlState();
  setBaseGlState();

  glutKeyboardFunc(onKeyboard);
  glutDisplayFunc(onDisplay);
  glutMainLoop();
  return 0;
}

}  // namespace glorbe
