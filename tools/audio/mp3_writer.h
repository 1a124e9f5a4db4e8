// MP3 encoding of 16-bit PCM with libmp3lame, for the show's music and for
// the test streams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glorbe::tools {

// Encodes interleaved stereo samples at `rate` Hz with the given constant bit
// rate (kbit/s). False with error set when encoding or writing fails.
bool writeMp3(const std::string& path, const std::vector<int16_t>& stereo, int rate, int kbps, std::string& error);

}  // namespace glorbe::tools
