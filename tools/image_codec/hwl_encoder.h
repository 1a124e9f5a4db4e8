// The wavelet image encoder: pictures (PNG) into the engine's ".hwl" files.
// The forward transform, colour space and stream layout are the exact
// counterparts of the engine's decoder; the encoder's own choices are the
// number of levels and how coarsely each band is quantised.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image_io/png_file.h"

namespace glorbe::tools {

inline constexpr int kDefaultHwlQuality = 75;

struct HwlEncodeOptions {
  int levels = -1;                    // L (the transform makes L + 1 steps); -1 chooses
  int quality = kDefaultHwlQuality;   // 1 (smallest) to 100 (finest)
};

// The number of levels used when none is asked for, and the largest the
// picture allows (its shorter side must be at least 2^(L + 1)); -1 when the
// picture is too small for any transform step.
int defaultHwlLevels(int width, int height);
int maxHwlLevels(int width, int height);

// The quantisation step (in the transform's orthonormal units) of quality q.
double hwlStepForQuality(int quality);

// Encodes a grey (1 channel) picture as an 8-bit image and a colour one
// (3 channels, or 4 with the alpha left out) as a 24-bit image.
// False with error set when the picture or the options cannot be encoded.
bool encodeHwl(const PngImage& picture, const HwlEncodeOptions& options, std::vector<uint8_t>& file,
               std::string& error);

// The decoder's values as a picture: grey for an 8-bit image, red-green-blue
// for a 24-bit one. False with error set when the file gives no pixels.
bool decodeHwl(const std::vector<uint8_t>& file, PngImage& picture, std::string& error);

// Peak signal-to-noise ratio in dB over all channels of two pictures of the
// same shape; infinity when they are equal.
double pictureSnr(const PngImage& a, const PngImage& b);

}  // namespace glorbe::tools
