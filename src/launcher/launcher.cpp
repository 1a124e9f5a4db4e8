// The launcher. With GLORBE_LAUNCHER set no window is shown and no message
// box either; the variable's pairs override the window's defaults.
#include "launcher/launcher.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/engine_settings.h"
#include "display/display.h"
#include "launcher/unattended_settings.h"
#include "platform/exit_procedures.h"
#include "platform/message_box.h"

namespace glorbe {

void runLauncher(unsigned extraDisplayMode) {
  const char* variable = std::getenv(kLauncherVariable);
  if (variable != nullptr) setMessageBoxUnattended(true);
  EngineSettings settings = launcherDefaults();
  std::string error;
  if (!parseLauncherVariable(variable != nullptr ? variable : "", settings, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    endProgram(2);
  }
  engineSettings = settings;
  setupDisplay(engineSettings.width, engineSettings.height, engineSettings.bits, engineSettings.fullscreen,
               extraDisplayMode);
}

}  // namespace glorbe
