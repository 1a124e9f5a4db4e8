// The player's start-up order: process state, launcher and display, sound,
// fixed GL state, archive, loading-screen images, callbacks, main loop.
// The offline renderer shares every step but the launcher and the sound.
#include <GL/freeglut.h>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "core/core.h"
#include "core/live_mode.h"
#include "core/run_trace.h"
#include "display/display_state.h"
#include "display/display.h"
#include "launcher/launcher.h"
#include "platform/stop_signals.h"
#include "textures/texture_upload.h"

namespace glorbe {

void initProcessState(int argc, char** argv) {
  static int glutArgc = 0;
  glutArgc = argc;
  core.commandLine.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  core.overlayEnabled = false;
  display.settings = EngineSettings{};
  allocateLoadBuffer();
  setDisplayArguments(&glutArgc, argv);
}

// The pictures of the loading screens, "loader\0.hwl" to "loader\4.hwl".
void loadLoaderTextures() {
  for (size_t i = 0; i < core.loaderTextures.size(); ++i) {
    const std::string name = "loader\\" + std::to_string(i) + ".hwl";
    core.loaderTextures[i] = loadImageTexture(name, GL_RGBA, display.caps.plainFilter, GL_REPEAT, 255, false, false);
  }
}

void prepareDrawing() {
  initGlState();
  setBaseGlState();
  openArchive(kArchiveFile, false);
  loadLoaderTextures();
}

int runPlayer(int argc, char** argv) {
  openRunTrace();
  traceStartup("main");
  initProcessState(argc, argv);
  const bool liveMode = takeLiveOption();
  if (liveMode) {
    runLiveLauncher(kStencilDisplayMode);
  } else {
    runLauncher(kStencilDisplayMode);
  }
  // From here on the display is the show's: a stop signal ends the show
  // through the exit procedures, which give the display back.
  installStopSignals();
  initSound();
  traceStartup("sound-open");
  prepareDrawing();

  if (liveMode) {
    glutKeyboardFunc(onLiveKeyboard);
    glutSpecialFunc(onLiveSpecialKey);
    glutDisplayFunc(onLiveDisplay);
  } else {
    glutKeyboardFunc(onKeyboard);
    glutDisplayFunc(onDisplay);
  }
  glutMainLoop();
  return 0;
}

}  // namespace glorbe
