// Display modes through XRandR: the screen sizes with their refresh rates,
// the same configurations GLUT's game mode chooses among. The colour depth
// is the same for every mode on X; its bits per pixel come from the
// server's pixmap formats.
#include "platform/display_modes.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace glorbe {

namespace {

int32_t bitsPerPixelOfDepth(Display* display, int depth) {
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  int32_t bits = depth;
  for (int i = 0; formats != nullptr && i < count; ++i) {
    if (formats[i].depth == depth) {
      bits = formats[i].bits_per_pixel;
      break;
    }
  }
  if (formats != nullptr) XFree(formats);
  return bits;
}

void readRandrModes(Display* display, Window root, int32_t bits, ScreenModes& screen) {
  int eventBase = 0;
  int errorBase = 0;
  if (!XRRQueryExtension(display, &eventBase, &errorBase)) return;
  XRRScreenConfiguration* config = XRRGetScreenInfo(display, root);
  if (config == nullptr) return;
  int sizeCount = 0;
  XRRScreenSize* sizes = XRRConfigSizes(config, &sizeCount);
  for (int i = 0; sizes != nullptr && i < sizeCount; ++i) {
    int rateCount = 0;
    XRRConfigRates(config, i, &rateCount);
    const DisplayMode mode{sizes[i].width, sizes[i].height, bits};
    screen.modes.insert(screen.modes.end(), static_cast<size_t>(std::max(rateCount, 1)), mode);
  }
  Rotation rotation = 0;
  const SizeID current = XRRConfigCurrentConfiguration(config, &rotation);
  if (sizes != nullptr && current < sizeCount) screen.current = {sizes[current].width, sizes[current].height, bits};
  XRRFreeScreenConfigInfo(config);
}

}  // namespace

void readScreenModes(Display* display, ScreenModes& screen) {
  const int number = DefaultScreen(display);
  const int32_t bits = bitsPerPixelOfDepth(display, DefaultDepth(display, number));
  screen = ScreenModes{};
  screen.current = {DisplayWidth(display, number), DisplayHeight(display, number), bits};
  readRandrModes(display, RootWindow(display, number), bits, screen);
  // Without XRandR the screen still has the mode it shows.
  if (screen.modes.empty()) screen.modes.push_back(screen.current);
}

}  // namespace glorbe
