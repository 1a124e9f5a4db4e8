// The launcher's settings window on FLTK: three check boxes, three lists,
// two buttons and three labels. It shows the contents it is given and writes
// the user's choices back into them; what the choices mean is the
// launcher's business.
#pragma once

#include <string>
#include <vector>

#include "platform/display_modes.h"

namespace glorbe {

inline constexpr const char* kLauncherTitle = "glORBE System Launcher";

// The window's controls: the three check boxes ("Fullscreen", "Compression
// (Ugly+Fast)", "TriLinear Filter (Pretty+Slow)") and the entries of the
// three lists ("Resolution / Bits", "Textures", "Sound Driver") with the
// position selected in each, -1 for none.
struct LauncherWindowContents {
  bool fullscreen = false;
  bool compression = false;
  bool trilinear = false;
  std::vector<std::string> modeEntries;
  int modeIndex = -1;
  std::vector<std::string> textureEntries;
  int textureIndex = -1;
  std::vector<std::string> soundEntries;
  int soundIndex = -1;
};

enum class LauncherOutcome {
  Confirmed,  // "Let's trip!", Return, or the window closed: form holds the choices
  Quit,       // "Outta here!"
};

// Opens the X display the window will use and reads the screen's modes
// through it. False when no X display can be opened.
bool openLauncherDisplay(ScreenModes& screen);

// Shows the window centred on the screen with these contents and runs until
// the user confirms or quits; on confirming, the boxes and selections are
// written back. Needs openLauncherDisplay first.
LauncherOutcome runLauncherWindow(LauncherWindowContents& contents);

}  // namespace glorbe
