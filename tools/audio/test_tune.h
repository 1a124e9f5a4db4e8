// A short generated tune: a plucked arpeggio over a bass note with a soft
// kick on every beat. The player's stand-in music and the tests' stream.
#pragma once

#include <cstdint>
#include <vector>

namespace glorbe::tools {

std::vector<int16_t> renderTestTune(double seconds, int rate);

}  // namespace glorbe::tools
