// The display's process-wide state in one record: what the GL implementation
// can do, the fixed projection, the launcher's choices, and what the display
// set-up keeps for its exit procedures.
#pragma once

#include "display/display_caps.h"
#include "display/engine_settings.h"

namespace glorbe {

struct DisplaySetup {
  int* argc = nullptr;  // the process's arguments, handed to glutInit
  char** argv = nullptr;
  bool screenSaverWasActive = false;  // restored at exit when it was
};

struct DisplayState {
  DisplayCaps caps;               // written only by checkCapabilities
  ProjectionSettings projection;  // read by the reshape callback and the scenes
  EngineSettings settings;        // filled by the launcher
  DisplaySetup setup;
};

extern DisplayState display;

// Everything back to its start values (start of the program, and tests).
void resetDisplayState();

}  // namespace glorbe
