// PNG files for the tools: pictures in and out with libpng, 8 bits per
// channel, grey (1), RGB (3) or RGBA (4) channels, rows top to bottom.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glorbe::tools {

struct PngImage {
  int width = 0;
  int height = 0;
  int channels = 0;  // 1, 3 or 4
  std::vector<uint8_t> pixels;  // width * height * channels, first row on top
};

// Writes the image; false with error set on failure.
bool writePng(const std::string& path, const PngImage& image, std::string& error);

// Reads any 8- or 16-bit PNG, converting to 8 bits; palettes become RGB,
// grey with alpha becomes RGBA. False with error set on failure.
bool readPng(const std::string& path, PngImage& image, std::string& error);

}  // namespace glorbe::tools
