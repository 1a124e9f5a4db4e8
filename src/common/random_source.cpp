// The general random source: a 64-bit counter stepped by an odd constant and
// scrambled by two multiply-xorshift rounds, which passes the usual
// statistical batteries and costs a few multiplications per number.
#include "common/random_source.h"

namespace glorbe {

RandomSource randomSource;

void resetRandomSource() { randomSource = RandomSource{}; }

namespace {

uint64_t nextBits() {
  randomSource.state += 0x9E3779B97F4A7C15ull;
  uint64_t z = randomSource.state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

double randomUnit() { return static_cast<double>(nextBits() >> 11) * 0x1.0p-53; }

int32_t randomBelow(int32_t n) {
  if (n <= 0) return 0;
  // n < 2^31 and randomUnit() <= 1 - 2^-53, so the product stays below n.
  return static_cast<int32_t>(randomUnit() * n);
}

}  // namespace glorbe
