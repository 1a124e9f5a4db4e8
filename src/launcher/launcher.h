// The launcher: the user's display, texture and sound choices, then the
// display set-up.
#pragma once

namespace glorbe {

// Fills engineSettings (from GLORBE_LAUNCHER, or the window's defaults) and
// opens the display with them. A malformed GLORBE_LAUNCHER ends the program
// with exit code 2.
void runLauncher(unsigned extraDisplayMode);

}  // namespace glorbe
