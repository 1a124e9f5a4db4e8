// The renderer's per-frame counters: polygons sent, particle systems and
// objects drawn. The scene drawing adds to them; the statistics overlay reads
// and clears them.
#pragma once

#include <cstdint>

namespace glorbe {

struct FrameStats {
  int32_t objpolys = 0;
  int32_t parsys = 0;
  int32_t objs = 0;
};

extern FrameStats frameStats;

void resetFrameStats();

}  // namespace glorbe
