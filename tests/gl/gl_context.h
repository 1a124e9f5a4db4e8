// Helpers for tests that draw through OpenGL into the hidden test window.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>

namespace glorbe::testing {

inline constexpr int kGlWindowWidth = 320;
inline constexpr int kGlWindowHeight = 240;
extern int glWindowWidth;
extern int glWindowHeight;

using Rgba = std::array<uint8_t, 4>;

// Full-window viewport, identity matrices, nothing enabled, buffers cleared to 0.
void resetGlState();

// The back buffer's pixel at window coordinates (origin lower left).
Rgba readPixel(int x, int y);

}  // namespace glorbe::testing
