#include "display/gl_drawing_state.h"

namespace glorbe {

GlDrawingState saveGlDrawingState() {
  GlDrawingState state;
  state.lighting = glIsEnabled(GL_LIGHTING);
  state.texturing = glIsEnabled(GL_TEXTURE_2D);
  glGetIntegerv(GL_MATRIX_MODE, &state.matrixMode);
  glGetFloatv(GL_CURRENT_COLOR, state.colour.data());
  return state;
}

void restoreGlDrawingState(const GlDrawingState& state) {
  glColor4fv(state.colour.data());
  glMatrixMode(static_cast<GLenum>(state.matrixMode));
  if (state.lighting) glEnable(GL_LIGHTING);
  else glDisable(GL_LIGHTING);
  if (state.texturing) glEnable(GL_TEXTURE_2D);
  else glDisable(GL_TEXTURE_2D);
}

}  // namespace glorbe
