// The part of the GL state that the overlay text and the sprites change
// while they draw and give back afterwards: the lighting and texturing
// switches, the matrix mode and the current colour.
#pragma once

#include <GL/gl.h>

#include <array>

namespace glorbe {

struct GlDrawingState {
  GLboolean lighting = GL_FALSE;
  GLboolean texturing = GL_FALSE;
  GLint matrixMode = GL_MODELVIEW;
  std::array<GLfloat, 4> colour{1, 1, 1, 1};
};

GlDrawingState saveGlDrawingState();

// Sets the colour, then the matrix mode, then both switches as they were.
void restoreGlDrawingState(const GlDrawingState& state);

}  // namespace glorbe
