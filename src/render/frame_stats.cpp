#include "render/frame_stats.h"

namespace glorbe {

FrameStats frameStats;

}  // namespace glorbe
