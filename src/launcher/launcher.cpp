// The launcher. With GLORBE_LAUNCHER set no window is shown and no message
// box either; the variable's pairs override the window's defaults. Without
// it the settings window lists the screen's modes and the user chooses.
#include "launcher/launcher.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "display/display_state.h"
#include "display/display.h"
#include "launcher/launcher_form.h"
#include "launcher/unattended_settings.h"
#include "platform/exit_procedures.h"
#include "platform/launcher_window.h"
#include "platform/message_box.h"

namespace glorbe {

namespace {

EngineSettings settingsFromVariable(const char* variable) {
  setMessageBoxUnattended(true);
  EngineSettings settings = launcherDefaults();
  std::string error;
  if (!parseLauncherVariable(variable, settings, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    endProgram(2);
  }
  return settings;
}

[[noreturn]] void noDisplay() {
  showMessageBox(kLauncherFailureCaption, kLauncherCreateFailedText);
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    std::fprintf(stderr, "glorbe: the settings window needs an X display, and DISPLAY is not set. "
                         "Set %s to start without it (see the README).\n", kLauncherVariable);
  } else {
    std::fprintf(stderr, "glorbe: the settings window needs an X display; \"%s\" cannot be opened.\n", name);
  }
  endProgram(1);
}

// The form as the window's controls, and the user's edits back.
LauncherWindowContents windowContents(const LauncherForm& form) {
  LauncherWindowContents contents;
  contents.fullscreen = form.fullscreen;
  contents.compression = form.compression;
  contents.trilinear = form.trilinear;
  contents.modeEntries = form.modeEntries;
  contents.modeIndex = form.modeIndex;
  contents.textureEntries.assign(kTextureEntries.begin(), kTextureEntries.end());
  contents.textureIndex = form.textureIndex;
  contents.soundEntries.assign(kSoundEntries.begin(), kSoundEntries.end());
  contents.soundIndex = form.soundIndex;
  return contents;
}

void readWindowContents(const LauncherWindowContents& contents, LauncherForm& form) {
  form.fullscreen = contents.fullscreen;
  form.compression = contents.compression;
  form.trilinear = contents.trilinear;
  form.modeIndex = contents.modeIndex;
  form.textureIndex = contents.textureIndex;
  form.soundIndex = contents.soundIndex;
}

EngineSettings settingsFromWindow() {
  ScreenModes screen;
  if (!openLauncherDisplay(screen)) noDisplay();
  LauncherForm form = openingLauncherForm(screen.modes);
  LauncherWindowContents contents = windowContents(form);
  if (runLauncherWindow(contents) == LauncherOutcome::Quit) endProgram(0);
  readWindowContents(contents, form);
  return confirmLauncherForm(form, screen);
}

}  // namespace

void runLauncher(unsigned extraDisplayMode) {
  const char* variable = std::getenv(kLauncherVariable);
  display.settings = variable != nullptr ? settingsFromVariable(variable) : settingsFromWindow();
  setupDisplay(display.settings.width, display.settings.height, display.settings.bits, display.settings.fullscreen,
               extraDisplayMode);
}

void runLiveLauncher(unsigned extraDisplayMode) {
  const char* variable = std::getenv(kLauncherVariable);
  display.settings = settingsFromVariable(variable != nullptr ? variable : "");
  display.settings.fullscreen = false;  // the author's editor stays beside the show
  setupDisplay(display.settings.width, display.settings.height, display.settings.bits, display.settings.fullscreen,
               extraDisplayMode);
}

}  // namespace glorbe
