// The general random source: uniform reals in [0, 1) and integers below a
// bound, for the terrain recipes, the object scatter and the particles. It
// starts from a fixed seed, so the same show makes the same terrains and
// particles on every run. The texture generator and the screen effects keep
// their own generators; this one is separate from both.
#pragma once

#include <cstdint>

namespace glorbe {

inline constexpr uint64_t kRandomSourceSeed = 0x676C4F524245ull;

struct RandomSource {
  uint64_t state = kRandomSourceSeed;
};

extern RandomSource randomSource;

// Back to the fixed seed (start of the program, and tests).
void resetRandomSource();

// A uniform real in [0, 1) with 53 random bits.
double randomUnit();

// A uniform integer 0..n - 1: randomUnit() times n, truncated. 0 when n <= 0.
int32_t randomBelow(int32_t n);

}  // namespace glorbe
