// Text drawn over the picture with the GLUT stroke font, and the statistics
// overlay that the 'd' key switches on.
#pragma once

#include <cstdint>
#include <string>

namespace glorbe {

// One line of text; (0, 0) is the lower-left corner of the viewport and
// (1, 1) the upper-right. Leaves the GL state as it found it (colour alpha 1).
void drawOverlayText(const std::string& text, float x, float y, float scaleX, float scaleY, float r, float g,
                     float b);

// The eight statistics lines for a frame at music position ms.
void drawStatisticsOverlay(int32_t ms);

// A rate with two decimals and no padding, as the overlay prints it.
std::string formatRate(double value);

}  // namespace glorbe
