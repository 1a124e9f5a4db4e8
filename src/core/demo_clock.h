// Demo time: ticks of 1/60 second derived from the music position, and the
// rules of the frame driver that do not need a display. The clock itself is
// part of the core's state (core.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glorbe {

struct DemoClock {
  int32_t currentTick = 0;
  int32_t previousTick = 0;
  bool firstFrame = true;
  int32_t streamLengthMs = 0;
  int32_t totalFrames = 0;
  int32_t fpsFrames = 0;
  int32_t fpsLastMs = 0;
  std::string fpsText = "thinking!";
};

// round(ms * 60 / 1000) in extended precision, ties to even.
int32_t ticksFromMs(long double ms);
// round(tick * 1000 / 60), ties to even.
int32_t msFromTicks(int32_t tick);

// The start tick: with exactly one argument (args excludes the program name)
// its seconds converted to ticks, or 0 when that is negative or not below the
// end tick; otherwise the timeline's own start tick. A malformed number is a
// fatal conversion error.
int32_t resolveStartTick(const std::vector<std::string>& args, int32_t fileStartTick, int32_t endTick);

enum class KeyAction { None, Quit, ToggleOverlay };
KeyAction keyAction(unsigned char key);

enum class FrameOutcome { Draw, End, SyncLost };
// What a frame does with its tick: end past the end tick or when the music is
// over, a sync error for a tick <= 0 while the music plays, else draw.
FrameOutcome frameOutcome(int32_t tick, int32_t endTick, bool musicPlaying);

}  // namespace glorbe
