// Screen saver through Xlib: a timeout of 0 means off.
#include "platform/screen_saver.h"

#include <X11/Xlib.h>

namespace glorbe {

namespace {
struct SavedScreenSaver {
  Display* display = nullptr;
  int timeout = 0;
  int interval = 0;
  int preferBlanking = 0;
  int allowExposures = 0;
  bool saved = false;
};
SavedScreenSaver saver;
}  // namespace

bool disableScreenSaver() {
  if (saver.display == nullptr) saver.display = XOpenDisplay(nullptr);
  if (saver.display == nullptr) return false;
  XGetScreenSaver(saver.display, &saver.timeout, &saver.interval, &saver.preferBlanking, &saver.allowExposures);
  if (saver.timeout == 0) return false;
  saver.saved = true;
  XSetScreenSaver(saver.display, 0, saver.interval, saver.preferBlanking, saver.allowExposures);
  XFlush(saver.display);
  return true;
}

void restoreScreenSaverSetting() {
  if (saver.display == nullptr || !saver.saved) return;
  XSetScreenSaver(saver.display, saver.timeout, saver.interval, saver.preferBlanking, saver.allowExposures);
  XFlush(saver.display);
  saver.saved = false;
}

}  // namespace glorbe
