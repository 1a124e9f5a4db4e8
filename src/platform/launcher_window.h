// The launcher's settings window on FLTK: three check boxes, three lists,
// two buttons and three labels, showing a LauncherForm.
#pragma once

#include "launcher/launcher_form.h"

namespace glorbe {

inline constexpr const char* kLauncherTitle = "glORBE System Launcher";

enum class LauncherOutcome {
  Confirmed,  // "Let's trip!", Return, or the window closed: form holds the choices
  Quit,       // "Outta here!"
};

// Shows the window centred on the screen with the form's contents and runs
// until the user confirms or quits. Needs a reachable X display.
LauncherOutcome runLauncherWindow(LauncherForm& form);

}  // namespace glorbe
