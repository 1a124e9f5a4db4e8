// The show's synthesizer: renders a Score to 16-bit stereo PCM. Drums are
// synthesised from pitched sines and filtered noise; bass, lead, pad and
// pluck voices are band-limited saw and square oscillators through a
// resonant low-pass filter with envelopes. The mix adds a tempo-synced
// ping-pong delay, a reverb, side-chain ducking from the kick and a soft
// limiter. Everything is deterministic: the same score gives the same samples.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "synth/score.h"

namespace glorbe::tools {

// Interleaved stereo samples at `rate`. `progress` (may be empty) hears the
// share done, 0..1.
std::vector<int16_t> renderScore(const Score& score, int rate, const std::function<void(double)>& progress = {});

}  // namespace glorbe::tools
