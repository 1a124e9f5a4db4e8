// Message boxes through FLTK's alert dialog; standard error when unattended
// or when no X display can be opened.
#include "platform/message_box.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/platform.H>

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace glorbe {

namespace {
bool unattendedMode = false;

bool displayReachable() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  Display* probe = XOpenDisplay(nullptr);
  if (probe == nullptr) return false;
  XCloseDisplay(probe);
  return true;
}
}  // namespace

void setMessageBoxUnattended(bool unattended) { unattendedMode = unattended; }
bool messageBoxUnattended() { return unattendedMode; }

std::string messageBoxLine(const std::string& caption, const std::string& text) {
  std::string line = caption + ": " + text;
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

void showMessageBox(const std::string& caption, const std::string& text) {
  if (unattendedMode || !displayReachable()) {
    std::fprintf(stderr, "%s\n", messageBoxLine(caption, text).c_str());
    std::fflush(stderr);
    return;
  }
  // FLTK breaks lines only at '\n'; the two sentences go on two lines.
  std::string shown = text;
  for (char& c : shown) {
    if (c == '\r') c = '\n';
  }
  fl_message_title(caption.c_str());
  fl_alert("%s", shown.c_str());
  // The dismissed box is only hidden: FLTK must still send that to the X
  // server and handle what follows, or the box stays drawn over the show,
  // whose own window runs on another connection.
  Fl::check();
  if (fl_display != nullptr) XSync(fl_display, False);
  Fl::check();
}

}  // namespace glorbe
