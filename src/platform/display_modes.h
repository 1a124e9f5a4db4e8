// The screen's display modes as the X server reports them, for the
// launcher's mode list.
#pragma once

#include <cstdint>
#include <vector>

struct _XDisplay;  // Xlib's Display

namespace glorbe {

struct DisplayMode {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 0;  // bits per pixel as the server stores the screen's depth (32 for depth 24)

  bool operator==(const DisplayMode&) const = default;
};

struct ScreenModes {
  // Every mode in the server's order: each screen size once per refresh rate
  // it offers, so a size may appear more than once.
  std::vector<DisplayMode> modes;
  DisplayMode current;  // the mode the screen shows now
};

// Reads the modes of the connection's default screen.
void readScreenModes(_XDisplay* display, ScreenModes& screen);

}  // namespace glorbe
