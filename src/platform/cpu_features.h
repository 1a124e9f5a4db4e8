// Processor feature flags.
#pragma once

namespace glorbe {

// True when the packed-integer (MMX-class) instructions that the picture
// warp's fast path uses are available. Off x86 the portable code stands in,
// so the feature counts as available.
bool cpuHasPackedInteger();

}  // namespace glorbe
