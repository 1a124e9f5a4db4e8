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

// Opens the X display the window will use and reads the screen's modes
// through it. False when no X display can be opened.
bool openLauncherDisplay(ScreenModes& screen);

// Shows the window centred on the screen with the form's contents and runs
// until the user confirms or quits. Needs openLauncherDisplay first.
LauncherOutcome runLauncherWindow(LauncherForm& form);

}  // namespace glorbe
