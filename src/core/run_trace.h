// The player's timing record, for the start-up benchmark and the sound tests:
// when GLORBE_TRACE names a file, the player writes one line per event to it,
// each with the monotonic time in milliseconds:
//   startup EVENT TIME      (main, sound-open, loading-screen, loaded, first-frame)
//   frame TIME POSITION_MS  (every drawn frame: the music position it used)
// Without the variable nothing is written.
#pragma once

#include <cstdint>

namespace glorbe {

void openRunTrace();
void traceStartup(const char* event);
void traceFrame(int32_t positionMs);

}  // namespace glorbe
