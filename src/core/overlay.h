// Text drawn over the picture with the GLUT stroke font, and the statistics
// overlay that the 'd' key switches on.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace glorbe {

// One line of text; (0, 0) is the lower-left corner of the viewport and
// (1, 1) the upper-right. Leaves the GL state as it found it (colour alpha 1).
void drawOverlayText(const std::string& text, float x, float y, float scaleX, float scaleY, float r, float g,
                     float b);

// The eight statistics lines for a frame at music position ms.
void drawStatisticsOverlay(int32_t ms);

struct OverlayLine {
  float y;  // all lines start at x = 0.01
  std::string text;
};

// The statistics lines in drawing order, as drawStatisticsOverlay prints
// them for a frame at music position ms with the window's stencil bits. Like
// the overlay it resets the renderer's frame counters and updates the
// running rate (after the average, before the last line).
std::array<OverlayLine, 8> buildStatisticsLines(int32_t ms, int32_t stencilBits);

// A rate with two decimals and no padding, as the overlay prints it.
std::string formatRate(double value);

}  // namespace glorbe
