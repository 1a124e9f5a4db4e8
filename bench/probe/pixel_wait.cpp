// pixel-wait: how long until a window's pixel shows a colour, polled as fast
// as the X server answers. For the live-mode benchmark, which starts it
// just before it saves an edit:
//   glorbe-pixel-wait WINDOW X Y R G B [LIMIT_SECONDS]
//   glorbe-pixel-wait WINDOW X Y change [LIMIT_SECONDS]
// prints the seconds from its start to the first poll that saw the colour
// (within 4 per channel), or with "change" a colour other than the one the
// pixel had at the start; fails after the limit (default 30 s).
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  const bool change = argc >= 5 && std::string(argv[4]) == "change";
  if (argc < (change ? 5 : 7)) {
    std::fprintf(stderr, "usage: %s WINDOW X Y (R G B | change) [LIMIT_SECONDS]\n", argv[0]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const Window window = std::strtoul(argv[1], nullptr, 0);
  const int x = std::atoi(argv[2]), y = std::atoi(argv[3]);
  int want[3] = {-1000, -1000, -1000};
  if (!change) {
    for (int i = 0; i < 3; ++i) want[i] = std::atoi(argv[4 + i]);
  }
  const int limitArg = change ? 5 : 7;
  const double limit = argc > limitArg ? std::atof(argv[limitArg]) : 30.0;
  bool first = true;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "pixel-wait: no X display\n");
    return 1;
  }
  for (;;) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds > limit) {
      std::fprintf(stderr, "pixel-wait: no such colour after %.1f s\n", limit);
      return 1;
    }
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image != nullptr) {
      const unsigned long p = XGetPixel(image, 0, 0);
      const int got[3] = {int((p & image->red_mask) >> 16), int((p & image->green_mask) >> 8),
                          int(p & image->blue_mask)};
      XDestroyImage(image);
      if (change && first) {
        for (int i = 0; i < 3; ++i) want[i] = got[i];
        first = false;
        continue;
      }
      const bool same = std::abs(got[0] - want[0]) <= 4 && std::abs(got[1] - want[1]) <= 4 &&
                        std::abs(got[2] - want[2]) <= 4;
      if (change ? !same : same) {
        std::printf("%.3f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        return 0;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}
