// The settings window's contents, apart from any window system: what its
// check boxes and lists hold when it opens, and what confirming it stores.
// The window code shows a LauncherForm and writes the user's edits back.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "display/engine_settings.h"
#include "platform/display_modes.h"

namespace glorbe {

inline constexpr const char* kDefaultModeEntry = "800x600 / 32";

// The entries of the "Textures" and "Sound Driver" lists; an entry's
// position is the value stored in textureDepth and soundDriver.
inline constexpr std::array<const char*, 3> kTextureEntries = {"Default", "16Bit (Ugly+Fast)",
                                                                "32Bit (Pretty+Slow)"};
inline constexpr std::array<const char*, 4> kSoundEntries = {"Default", "No Sound", "PulseAudio", "ALSA"};

struct LauncherForm {
  bool fullscreen = false;
  bool compression = false;
  bool trilinear = false;
  std::vector<std::string> modeEntries;  // one per screen mode, in the screen's order
  int modeIndex = -1;                    // -1: no mode selected
  int textureIndex = 0;
  int soundIndex = 0;
};

// "WIDTHxHEIGHT / BITS", as in 640x480 / 16.
std::string displayModeEntry(const DisplayMode& mode);

// Position of the first entry that starts with prefix, letters compared
// without regard to case; -1 when there is none.
int findEntryStartingWith(const std::vector<std::string>& entries, const std::string& prefix);

// The window as it opens: fullscreen ticked, the other boxes clear, every
// mode listed (duplicates kept), "800x600 / 32" selected when it is there,
// "Default" in the other two lists.
LauncherForm openingLauncherForm(const std::vector<DisplayMode>& modes);

// The mode the form chooses: the entry's mode, or the screen's current mode
// when nothing is selected.
DisplayMode chosenDisplayMode(const LauncherForm& form, const ScreenModes& screen);

// What confirming the window stores into EngineSettings. Every field is set;
// list positions outside their lists fall back to the first entry.
EngineSettings confirmLauncherForm(const LauncherForm& form, const ScreenModes& screen);

}  // namespace glorbe
