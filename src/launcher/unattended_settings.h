// The unattended start: the launcher's choices given in the environment
// variable GLORBE_LAUNCHER as space-separated key=value pairs named after the
// EngineSettings fields, in place of the settings window.
#pragma once

#include <string>

#include "display/engine_settings.h"

namespace glorbe {

inline constexpr const char* kLauncherVariable = "GLORBE_LAUNCHER";

// The settings the launcher window starts with: 800 x 600 x 32, fullscreen
// ticked, everything else off or 0.
EngineSettings launcherDefaults();

// Applies the pairs of text to settings. False with error naming the first
// malformed pair (unknown key, missing "=", bad or out-of-range value).
bool parseLauncherVariable(const std::string& text, EngineSettings& settings, std::string& error);

}  // namespace glorbe
