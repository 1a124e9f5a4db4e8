// Opening the display: GLUT game mode from the launcher's mode, or a window.
#include <GL/freeglut.h>

#include "display/display.h"
#include "display/display_state.h"
#include "platform/exit_procedures.h"
#include "platform/message_box.h"
#include "platform/screen_saver.h"

namespace glorbe {

void setDisplayArguments(int* argc, char** argv) {
  display.setup.argc = argc;
  display.setup.argv = argv;
}

std::string gameModeString(int width, int height, int bits) {
  return std::to_string(width) + "x" + std::to_string(height) + ":" + std::to_string(bits) + "@60";
}

void leaveGameMode() { glutLeaveGameMode(); }

void restoreScreenSaver() {
  if (display.setup.screenSaverWasActive) restoreScreenSaverSetting();
}

void setupDisplay(int width, int height, int bits, bool fullscreen, unsigned extraDisplayMode) {
  int fallbackArgc = 1;
  char fallbackName[] = "glorbe";
  char* fallbackArgv[] = {fallbackName, nullptr};
  if (display.setup.argc == nullptr) setDisplayArguments(&fallbackArgc, fallbackArgv);
  glutInit(display.setup.argc, display.setup.argv);
  glutInitDisplayMode(kDisplayModeBase | extraDisplayMode);
  // Closing the window ends the program normally, with the exit procedures.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_EXIT);

  if (fullscreen) {
    const std::string mode = gameModeString(width, height, bits);
    glutGameModeString(mode.c_str());
    if (glutGameModeGet(GLUT_GAME_MODE_POSSIBLE) == 0) {
      showMessageBox(mode, kGameModeImpossibleText);
      endProgram(0);
    }
    glutEnterGameMode();
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE) == 0) {
      showMessageBox(mode, kGameModeFailedText);
      endProgram(0);
    }
    registerExitProcedure(leaveGameMode);
  } else {
    glutInitWindowSize(width, height);
    glutCreateWindow("glORBE");
  }

  checkCapabilities();

  display.setup.screenSaverWasActive = disableScreenSaver();
  registerExitProcedure(restoreScreenSaver);
}

}  // namespace glorbe
