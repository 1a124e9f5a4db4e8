// The launcher: the user's display, texture and sound choices, then the
// display set-up.
#pragma once

namespace glorbe {

inline constexpr const char* kLauncherFailureCaption = "Warning";
inline constexpr const char* kLauncherCreateFailedText = "Launcher: WinCreate failed.";

// Fills display.settings and opens the display with them. With GLORBE_LAUNCHER
// set the choices come from the variable (a malformed one ends the program
// with exit code 2); otherwise the settings window asks the user. "Outta
// here!" in the window ends the program with exit code 0 before anything
// else is opened; without an X display the program ends with exit code 1.
void runLauncher(unsigned extraDisplayMode);

// The live mode's start: no window, the settings of GLORBE_LAUNCHER when it
// is set (else the window's defaults), always in a window.
void runLiveLauncher(unsigned extraDisplayMode);

}  // namespace glorbe
