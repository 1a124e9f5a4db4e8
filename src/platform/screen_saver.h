// Screen-saver switch: the X server's screen saver is turned off while the
// show's display is open and given back when the program ends.
#pragma once

namespace glorbe {

// Reads the screen-saver state; true when it was active (a nonzero timeout).
// When active, it is switched off. Safe without an X display (returns false).
bool disableScreenSaver();

// Puts back the timeout saved by disableScreenSaver.
void restoreScreenSaverSetting();

}  // namespace glorbe
