#include "audio/test_tune.h"

#include <algorithm>
#include <cmath>

namespace glorbe::tools {

std::vector<int16_t> renderTestTune(double seconds, int rate) {
  constexpr double kPi = 3.14159265358979323846;
  constexpr double kBeat = 0.5;  // 120 beats per minute
  // A minor, F major, C major, G major: root and arpeggio notes (MIDI numbers).
  const int chords[4][4] = {{57, 60, 64, 69}, {53, 57, 60, 65}, {48, 52, 55, 60}, {55, 59, 62, 67}};
  auto hz = [](int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); };

  const long frames = std::max(0L, static_cast<long>(seconds * rate));
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
  for (long i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const int beat = static_cast<int>(t / kBeat);
    const double inBeat = t - beat * kBeat;
    const int bar = beat / 4;
    const int* chord = chords[bar % 4];

    const double step = kBeat / 2;  // eighth notes
    const int eighth = static_cast<int>(t / step);
    const double inStep = t - eighth * step;
    const int note = chord[eighth % 4] + 12;
    const double pluck = std::sin(2 * kPi * hz(note) * t) * std::exp(-inStep * 9.0);

    const double bass = std::sin(2 * kPi * hz(chord[0] - 12) * t) * 0.8;
    const double kickFreq = 50.0 + 90.0 * std::exp(-inBeat * 30.0);
    const double kick = std::sin(2 * kPi * kickFreq * inBeat) * std::exp(-inBeat * 12.0);

    double fade = 1.0;
    fade = std::min(fade, t / 0.5);
    fade = std::min(fade, (seconds - t) / 1.0);
    fade = std::clamp(fade, 0.0, 1.0);

    const double left = (0.30 * pluck + 0.22 * bass + 0.35 * kick) * fade;
    const double right = (0.22 * pluck + 0.22 * bass + 0.35 * kick) * fade;
    out[2 * i] = static_cast<int16_t>(std::lrint(std::clamp(left, -1.0, 1.0) * 32000));
    out[2 * i + 1] = static_cast<int16_t>(std::lrint(std::clamp(right, -1.0, 1.0) * 32000));
  }
  return out;
}

}  // namespace glorbe::tools
