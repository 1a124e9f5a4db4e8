// Frame-buffer commands of the timeline and the texture transfers.
#include "sequencer/frame_buffer_commands.h"
#include "sequencer/sequencer_state.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "display/display_state.h"
#include "scripts/material_table.h"
#include "sequencer/timeline_numbers.h"

namespace glorbe {

namespace {

int32_t limitToMaxTexture(int32_t side) {
  const int32_t limit = display.caps.maxTextureSize;
  return limit > 0 ? std::min(side, limit) : side;
}

// NaN as 0 and infinities as the largest float, so the halving in the size
// fitting always ends.
float finiteSize(float v) {
  if (std::isnan(v)) return 0;
  return std::clamp(v, -std::numeric_limits<float>::max(), std::numeric_limits<float>::max());
}

void setViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  // GL refuses negative sizes and keeps the viewport it has; so do we.
  if (width < 0 || height < 0) return;
  glViewport(x, y, width, height);
}

void restoreViewport(const std::array<GLint, 4>& v) { glViewport(v[0], v[1], v[2], v[3]); }

std::array<GLint, 4> currentViewport() {
  std::array<GLint, 4> v{};
  glGetIntegerv(GL_VIEWPORT, v.data());
  return v;
}

void fitToWindow(float& width, float& height) {
  fitGrabSize(width, height, display.caps.maxTextureSize, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
}

void applyStencilMode(int32_t v) {
  switch (v) {
    case -1:
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
      glEnable(GL_TEXTURE_2D);
      glDepthMask(GL_TRUE);
      glEnable(GL_DEPTH_TEST);
      glDisable(GL_STENCIL_TEST);
      break;
    case 0:  // what follows writes the mask
      glDisable(GL_BLEND);
      glDisable(GL_LIGHTING);
      glDisable(GL_TEXTURE_2D);
      glDepthMask(GL_FALSE);
      glDisable(GL_DEPTH_TEST);
      glEnable(GL_STENCIL_TEST);
      glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
      glStencilFunc(GL_ALWAYS, 1, ~0u);
      glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
      break;
    case 1:  // what follows is drawn only where the mask is set
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
      glStencilFunc(GL_NOTEQUAL, 0, ~0u);
      glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
      glEnable(GL_TEXTURE_2D);
      glDepthMask(GL_TRUE);
      glEnable(GL_DEPTH_TEST);
      glEnable(GL_STENCIL_TEST);
      break;
    default:
      break;
  }
}

void applyBlendFunc(int32_t v) {
  switch (v) {
    case 0:
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case 1:
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    case 2:
      glBlendFunc(GL_ONE, GL_ONE);
      break;
    case 3:
      glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
      break;
    case 4:
      glBlendFunc(GL_SRC_ALPHA, GL_SRC_COLOR);
      break;
    default:
      break;
  }
}

}  // namespace

// Level 0 of the bound texture: a transfer must not reach past it (GL refuses
// the whole transfer). A texture that is not there gives 0 by 0.
std::array<GLint, 2> boundTextureSize() {
  std::array<GLint, 2> size{};
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size[0]);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size[1]);
  return size;
}

void grabToTexture(int32_t width, int32_t height, GLuint texture) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, texture);
  const std::array<GLint, 2> room = boundTextureSize();
  width = std::min(limitToMaxTexture(width), room[0]);
  height = std::min(limitToMaxTexture(height), room[1]);
  if (width > 0 && height > 0) glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
}

void uploadToTexture(const uint8_t* pixels, int32_t width, int32_t height, GLuint texture) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, texture);
  if (pixels == nullptr || width <= 0 || height <= 0) return;
  const std::array<GLint, 2> room = boundTextureSize();
  const int32_t cutWidth = std::min(limitToMaxTexture(width), room[0]);
  const int32_t cutHeight = std::min(limitToMaxTexture(height), room[1]);
  if (cutWidth <= 0 || cutHeight <= 0) return;
  // A cut picture keeps its rows: the upload steps over the whole width.
  if (cutWidth != width) glPixelStorei(GL_UNPACK_ROW_LENGTH, width);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, cutWidth, cutHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  if (cutWidth != width) glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void fitGrabSize(float& width, float& height, int32_t maxTextureSize, int32_t windowWidth, int32_t windowHeight) {
  width = finiteSize(width);
  height = finiteSize(height);
  if (maxTextureSize > 0) {
    const int32_t m = maxTextureSize;
    if (roundToInt32(width) > m) {
      height = static_cast<float>(roundToInt32(height) / (roundToInt32(width) / m));
      width = static_cast<float>(m);
    }
    if (roundToInt32(height) > m) {
      width = static_cast<float>(roundToInt32(width) / (roundToInt32(height) / m));
      height = static_cast<float>(m);
    }
  }
  windowWidth = std::max(windowWidth, 0);
  windowHeight = std::max(windowHeight, 0);
  while (roundToInt32(width) > windowWidth || roundToInt32(height) > windowHeight) {
    width *= 0.5f;
    height *= 0.5f;
  }
}

void drawFullScreenPoly(float red, float green, float blue, float alpha) {
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDepthMask(GL_FALSE);
  glDisable(GL_DEPTH_TEST);
  glColor4f(red, green, blue, alpha);

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, 1, 0, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  glBegin(GL_TRIANGLE_STRIP);
  glVertex3f(0, 1, 0);
  glVertex3f(0, 0, 0);
  glVertex3f(1, 1, 0);
  glVertex3f(1, 0, 0);
  glEnd();

  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glDepthMask(GL_TRUE);
  glColor4fv(colour);
}

void setClearColor(float red, float green, float blue, float alpha) { glClearColor(red, green, blue, alpha); }

void applyGlState(const std::string& name, float value) {
  const int32_t v = roundToInt32(value);
  if (name == "BLEND") {
    if (v == 0) glDisable(GL_BLEND);
    if (v == 1) glEnable(GL_BLEND);
  } else if (name == "BLENDFUNC") {
    applyBlendFunc(v);
  } else if (name == "ALPHA") {
    glColor4f(1, 1, 1, value);
  } else if (name == "CLEAR") {
    GLbitfield mask = 0;
    if (v & 1) mask |= GL_COLOR_BUFFER_BIT;
    if (v & 2) mask |= GL_DEPTH_BUFFER_BIT;
    if (v & 4) mask |= GL_STENCIL_BUFFER_BIT;
    glClear(mask);
  } else if (name == "STENCIL") {
    applyStencilMode(v);
  }
}

void applyViewport(float x, float y, float width, float height, bool topLevel) {
  if (!topLevel) return;
  FrameBufferState& state = sequencer.frameBuffer;
  if (!state.viewportChanged) {
    state.savedViewport = currentViewport();
    fitToWindow(width, height);
    setViewport(roundToInt32(x), roundToInt32(y), roundToInt32(width), roundToInt32(height));
    state.viewportChanged = true;
  } else if (x <= 0 || y <= 0 || width <= 0 || height <= 0) {
    restoreViewport(state.savedViewport);
    state.viewportChanged = false;
  }
}

void grabFrame(SequenceScript& script, SequenceItem& item, const GrabValues& values, int32_t tick, bool topLevel) {
  const Material* material = findMaterial(values.materialName);
  if (material == nullptr) return;  // no texture to grab into
  const GLuint texture = material->texture;
  FrameBufferState& state = sequencer.frameBuffer;
  float width = values.width;
  float height = values.height;

  if (values.timePos < 0) {
    fitToWindow(width, height);
    grabToTexture(roundToInt32(width), roundToInt32(height), texture);
    if (state.viewportChanged && topLevel) {
      restoreViewport(state.savedViewport);
      state.viewportChanged = false;
    }
    return;
  }
  if (!(values.timePos > 0) || !topLevel) return;

  // Another moment, drawn into the lower left corner at the grab's size. A
  // viewport set earlier in this call is put back afterwards and the one it
  // replaced stays saved for the end of the call.
  const std::array<GLint, 4> before = currentViewport();
  const bool hadViewport = state.viewportChanged;
  if (!hadViewport) state.savedViewport = before;
  fitToWindow(width, height);
  setViewport(0, 0, roundToInt32(width), roundToInt32(height));
  state.viewportChanged = true;

  const int32_t moment = roundToInt32(static_cast<double>(values.timePos) * 60.0);
  const bool inShow = moment <= script.endTick;
  const int32_t drawn = inShow ? moment : tick;
  runSequence(script, drawn, drawn, false, roundToInt32(values.firstLayer), roundToInt32(values.lastLayer));
  grabToTexture(roundToInt32(width), roundToInt32(height), texture);

  restoreViewport(before);
  state.viewportChanged = hadViewport;
  if (inShow) {
    for (SequenceParam& p : item.params) {
      if (p.name == "TIMEPOS") p.constant = 0;
    }
  }
}

void restoreFrameBufferDefaults() {
  FrameBufferState& state = sequencer.frameBuffer;
  if (state.viewportChanged) {
    restoreViewport(state.savedViewport);
    state.viewportChanged = false;
  }
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_BLEND);
  glColor4f(1, 1, 1, 1);
  glEnable(GL_TEXTURE_2D);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

}  // namespace glorbe
