// The show's timeline: loaded once, walked every frame over 16 layers.
#pragma once

#include <cstdint>
#include <string>

namespace glorbe {

struct SequenceScript {
  int32_t startTick = 0;
  int32_t endTick = 0;
  std::string name;
};

extern SequenceScript sequenceScript;

// Draws the frame for `tick` on layers firstLayer..lastLayer.
void runSequence(SequenceScript& script, int32_t tick, int32_t previousTick, bool topLevel, int firstLayer,
                 int lastLayer);

}  // namespace glorbe
