// The GL state of a running show for the renderer's tests: the fixed and
// base GL state, the player's projection, the driver's real capabilities,
// and textures made from plain colours. Everything is undone afterwards.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "display/display_caps.h"
#include "gl_context.h"

namespace glorbe::testing {

using Rgb = std::array<float, 3>;

class SceneGlTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A 4 x 4 texture of one colour (alpha 255), mip-mapped filters off.
  GLuint solidTexture(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
  // A 4 x 4 checkerboard of two colours (alpha 255), so that texture
  // coordinates show in the picture.
  GLuint checkerTexture(std::array<uint8_t, 3> a, std::array<uint8_t, 3> b);
  // A 1D texture from texels given as RGB bytes.
  GLuint rampTexture(const std::vector<std::array<uint8_t, 3>>& texels);

  // The whole window's RGB, bottom row first.
  std::vector<uint8_t> readFrame() const;

  std::vector<GLuint> textures_;
};

// The driver's capability flags and entry points as the display set-up
// finds them, without its message boxes.
DisplayCaps probeDisplayCaps();

// Largest difference of any channel between two frames.
int largestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// Pixels that differ from the clear colour (0, 0, 0).
int litPixelCount(const std::vector<uint8_t>& frame);

}  // namespace glorbe::testing
