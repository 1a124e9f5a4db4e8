// The player's timing record, for the start-up benchmark and the sound tests:
// when GLORBE_TRACE names a file, the player writes one line per event to it,
// each with the monotonic time in milliseconds:
//   startup EVENT TIME      (main, sound-open, loading-screen, scenes-start,
//                           scenes-read, loaded, first-frame; the scene
//                           reader runs between scenes-start and scenes-read)
//   frame TIME POSITION_MS  (every drawn frame: the music position it used
//                           and when it was read; a read that took the
//                           thread away for over 2 ms has no certain time
//                           and is left out)
// Without the variable nothing is written.
#pragma once

#include <cstdint>

namespace glorbe {

void openRunTrace();
void traceStartup(const char* event);
// askedAtMs: the monotonic time just before the position was read.
void traceFrame(int32_t positionMs, double askedAtMs);

}  // namespace glorbe
