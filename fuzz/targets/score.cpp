// The synthesizer's score reader (glorbe-tool music): the text form read
// into instruments, patterns and sections, and the lengths worked out from
// it. Rendering is left out: its time grows with the music's length.
#include <cmath>
#include <string>

#include "fuzz_support.h"
#include "synth/score.h"

using namespace glorbe;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::initialise();
  const std::string text(reinterpret_cast<const char*>(data), size);
  tools::Score score;
  std::string error;
  if (!tools::parseScore(text, score, error)) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  const double seconds = score.lengthSeconds();
  if (std::isnan(seconds) || score.totalBars() < 0) __builtin_trap();
  for (const tools::Section& s : score.sections) {
    for (const std::string& p : s.patterns) {
      if (score.findPattern(p) == nullptr) __builtin_trap();
    }
  }
  return 0;
}
