#include "render/frame_stats.h"

namespace glorbe {

FrameStats frameStats;

void resetFrameStats() { frameStats = FrameStats{}; }

}  // namespace glorbe
