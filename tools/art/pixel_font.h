// A small 5 x 7 capital-letter font of our own for text pictures.
#pragma once

#include <array>
#include <cstdint>

namespace glorbe::tools {

// Rows top to bottom, bit 4 the leftmost column; null for characters it lacks.
const std::array<uint8_t, 7>* pixelGlyph(char c);

}  // namespace glorbe::tools
