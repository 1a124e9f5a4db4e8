// The timeline's frame-buffer commands (category GL): full-screen colour
// layers, the clear colour, blend and stencil switches, viewports and grabs
// of the frame into material textures; and the two texture transfers that
// grabs and move-list pictures use.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <string>

#include "sequencer/sequence_script.h"

namespace glorbe {

// The viewport a VIEWPORT or GRAB has replaced during the current top-level
// timeline call (kept in the sequencer's state, sequencer_state.h).
struct FrameBufferState {
  bool viewportChanged = false;
  std::array<GLint, 4> savedViewport{};  // x, y, width, height
};

// Copies the frame buffer's rectangle from (0, 0) into the texture's level 0
// at (0, 0), each side cut to the maximum texture size and to the texture's
// own size.
void grabToTexture(int32_t width, int32_t height, GLuint texture);
// Puts a width x height picture of RGBA bytes into the texture's level 0 at
// (0, 0), each side cut to the maximum texture size and to the texture's own
// size (a move list's picture larger than its window-fitted texture); the
// part that fits keeps its rows.
void uploadToTexture(const uint8_t* pixels, int32_t width, int32_t height, GLuint texture);

// Shrinks a requested grab or viewport size to the maximum texture size
// (keeping its proportions in whole steps) and then halves it until it fits
// the window. A maximum texture size of 0 or less is taken as no limit.
void fitGrabSize(float& width, float& height, int32_t maxTextureSize, int32_t windowWidth, int32_t windowHeight);

void drawFullScreenPoly(float red, float green, float blue, float alpha);
void setClearColor(float red, float green, float blue, float alpha);
// STATE: BLEND, BLENDFUNC, ALPHA, CLEAR or STENCIL with its value.
void applyGlState(const std::string& name, float value);
// VIEWPORT: the first of a top-level call sets the viewport, a later one with
// any value <= 0 restores it; nested calls ignore it.
void applyViewport(float x, float y, float width, float height, bool topLevel);

struct GrabValues {
  std::string materialName;
  float width = 0;
  float height = 0;
  float timePos = 0;  // seconds: < 0 this frame, 0 nothing, > 0 another moment
  float firstLayer = 0;
  float lastLayer = 0;
};

// GRAB: the frame so far, or another moment of the timeline drawn over it,
// into the texture of the named material. Drawing another moment sets the
// item's TIMEPOS constants to 0, so it happens once.
void grabFrame(SequenceScript& script, SequenceItem& item, const GrabValues& values, int32_t tick, bool topLevel);

// The state every top-level timeline call leaves behind.
void restoreFrameBufferDefaults();

}  // namespace glorbe
