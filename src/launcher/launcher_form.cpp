// The settings window's model: list contents, opening state, selection
// rules and the settings a confirmed window stores.
#include "launcher/launcher_form.h"

#include "common/ascii.h"

namespace glorbe {

std::string displayModeEntry(const DisplayMode& mode) {
  return std::to_string(mode.width) + "x" + std::to_string(mode.height) + " / " + std::to_string(mode.bits);
}

int findEntryStartingWith(const std::vector<std::string>& entries, const std::string& prefix) {
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& entry = entries[i];
    if (entry.size() >= prefix.size() && equalIgnoringAsciiCase(std::string_view(entry).substr(0, prefix.size()), prefix))
      return static_cast<int>(i);
  }
  return -1;
}

LauncherForm openingLauncherForm(const std::vector<DisplayMode>& modes) {
  LauncherForm form;
  form.fullscreen = true;
  form.compression = false;
  form.trilinear = false;
  form.modeEntries.reserve(modes.size());
  for (const DisplayMode& mode : modes) form.modeEntries.push_back(displayModeEntry(mode));
  form.modeIndex = findEntryStartingWith(form.modeEntries, kDefaultModeEntry);
  form.textureIndex = 0;
  form.soundIndex = 0;
  return form;
}

DisplayMode chosenDisplayMode(const LauncherForm& form, const ScreenModes& screen) {
  if (form.modeIndex < 0 || static_cast<size_t>(form.modeIndex) >= screen.modes.size()) return screen.current;
  return screen.modes[static_cast<size_t>(form.modeIndex)];
}

namespace {
int32_t listPosition(int index, size_t count) {
  return index >= 0 && static_cast<size_t>(index) < count ? index : 0;
}
}  // namespace

EngineSettings confirmLauncherForm(const LauncherForm& form, const ScreenModes& screen) {
  EngineSettings settings;
  const DisplayMode mode = chosenDisplayMode(form, screen);
  settings.width = mode.width;
  settings.height = mode.height;
  settings.bits = mode.bits;
  settings.fullscreen = form.fullscreen;
  settings.compression = form.compression;
  settings.trilinear = form.trilinear;
  settings.textureDepth = listPosition(form.textureIndex, kTextureEntries.size());
  settings.soundDriver = listPosition(form.soundIndex, kSoundEntries.size());
  return settings;
}

}  // namespace glorbe
