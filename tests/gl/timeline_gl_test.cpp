// The timeline drawing into the test window: the layer walk, the GL
// commands and the state every frame ends with, read back as pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "display/display_state.h"
#include "gl_context.h"
#include "scripts/material_table.h"
#include "sequencer/frame_buffer_commands.h"
#include "sequencer/sequence_script.h"
#include "sequencer/sequencer_state.h"

namespace glorbe {
namespace {

using testing::readPixel;
using testing::Rgba;

// ---- building timelines in memory -------------------------------------------------

SequenceParam num(const std::string& name, float value) {
  SequenceParam p;
  p.name = name;
  p.constant = value;
  p.minimum = -1e30f;
  p.maximum = 1e30f;
  return p;
}

SequenceParam txt(const std::string& name, const std::string& text) {
  SequenceParam p = num(name, 0);
  p.text = text;
  return p;
}

SequenceItem item(const std::string& category, const std::string& command, std::vector<SequenceParam> params) {
  SequenceItem i;
  i.category = category;
  i.command = command;
  i.params = std::move(params);
  i.paramCount = static_cast<int32_t>(i.params.size());
  return i;
}

SequenceItem poly(float r, float g, float b, float a = 1) {
  return item("GL", "FULLSCREENPOLY", {num("R", r), num("G", g), num("B", b), num("A", a)});
}

SequenceItem state(const std::string& name, float value) {
  return item("GL", "STATE", {txt("NAME", name), num("VALUE", value)});
}

SequenceItem viewport(float x, float y, float dx, float dy) {
  return item("GL", "VIEWPORT", {num("X", x), num("Y", y), num("DX", dx), num("DY", dy)});
}

SequenceTrack track(int32_t start, int32_t length, int32_t layer, std::vector<SequenceItem> items) {
  SequenceTrack t;
  t.start = start;
  t.length = length;
  t.layer = layer;
  t.speed = 1;
  t.items = std::move(items);
  t.itemCount = static_cast<int32_t>(t.items.size());
  return t;
}

SequenceScript scriptOf(std::vector<SequenceTrack> tracks, int32_t endTick = 100000) {
  SequenceScript s;
  s.endTick = endTick;
  s.tracks = std::move(tracks);
  s.trackCount = static_cast<int32_t>(s.tracks.size());
  return s;
}

void expectColour(const Rgba& got, int r, int g, int b, int tolerance = 2) {
  EXPECT_NEAR(got[0], r, tolerance);
  EXPECT_NEAR(got[1], g, tolerance);
  EXPECT_NEAR(got[2], b, tolerance);
}

Rgba centre() { return readPixel(testing::glWindowWidth / 2, testing::glWindowHeight / 2); }

std::array<GLint, 4> viewportNow() {
  std::array<GLint, 4> v{};
  glGetIntegerv(GL_VIEWPORT, v.data());
  return v;
}

class TimelineGlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDisplayState();
    display.caps.maxTextureSize = 2048;
    resetSequencerState();
    resetMaterialTable();
    testing::resetGlState();
  }
  void TearDown() override {
    resetDisplayState();
    for (const Material& m : materialTable.materials) glDeleteTextures(1, &m.texture);
    resetMaterialTable();
    resetSequencerState();
    testing::resetGlState();
  }

  // A black 64 x 64 texture under a material name.
  GLuint addMaterial(const std::string& name) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const std::vector<uint8_t> black(64 * 64 * 4, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, black.data());
    materialTable.materials.push_back({name, false, texture});
    return texture;
  }

  static Rgba texel(GLuint texture, int x, int y) {
    std::vector<uint8_t> pixels(64 * 64 * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const size_t at = (static_cast<size_t>(y) * 64 + static_cast<size_t>(x)) * 4;
    return {pixels[at], pixels[at + 1], pixels[at + 2], pixels[at + 3]};
  }

  void run(SequenceScript& s, int32_t tick, bool topLevel = true) { runSequence(s, tick, tick - 1, topLevel, 0, 15); }

 private:
};

// ---- the walk ------------------------------------------------------------------

TEST_F(TimelineGlTest, FirstCoveringTrackPerLayerWithInclusiveEnd) {
  SequenceScript s = scriptOf({track(10, 20, 0, {poly(1, 0, 0)}), track(0, 100, 0, {poly(0, 1, 0)})});
  run(s, 30);
  expectColour(centre(), 255, 0, 0);  // start + length still runs the first track
  run(s, 31);
  expectColour(centre(), 0, 255, 0);  // one tick later the second one
  run(s, 10);
  expectColour(centre(), 255, 0, 0);
  run(s, 9);
  expectColour(centre(), 0, 255, 0);
}

TEST_F(TimelineGlTest, LayersRunInLayerOrderAndOnlyZeroToFifteenAtTopLevel) {
  SequenceScript s = scriptOf({track(0, 10, 2, {poly(0, 0, 1)}), track(0, 10, 1, {poly(1, 0, 0)}),
                               track(0, 10, 16, {poly(0, 1, 0)}), track(0, 10, 200, {poly(1, 1, 1)})});
  run(s, 5);
  expectColour(centre(), 0, 0, 255);
  runSequence(s, 5, 5, false, 16, 16);
  expectColour(centre(), 0, 255, 0);
  runSequence(s, 5, 5, false, -2147483647, 2147483647);  // every layer there is, without walking billions
  expectColour(centre(), 255, 255, 255);
}

TEST_F(TimelineGlTest, LocalTickDrivesCurvesAndValuesCarryOverBetweenItems) {
  SequenceParam red = num("R", 0);
  red.mode = kModeLinear;
  initTrack(red.curve, 2);
  addKey(red.curve, 0, 0.5f, 0, 0, 0);
  addKey(red.curve, 255, 0.5f, 1, 0, 0);
  SequenceTrack t = track(100, 200, 0,
                          {poly(0, 0, 0), item("GL", "FULLSCREENPOLY", {red, num("G", 0), num("B", 0), num("A", 1)})});
  t.speed = 2;
  t.offset = 30;
  SequenceScript s = scriptOf({t});
  run(s, 110);
  expectColour(centre(), 50, 0, 0, 1);  // (110 - 100) x 2 + 30

  // An item leaves out G, B and A: the values of the earlier item stand; unknown
  // categories, commands and words change nothing.
  SequenceScript carry = scriptOf({track(0, 10, 0,
                                         {poly(1, 0, 0), item("FOO", "FULLSCREENPOLY", {num("G", 1)}),
                                          item("GL", "NOPE", {num("G", 1)}),
                                          item("GL", "FULLSCREENPOLY", {num("X", 0), num("G", 1)})})});
  run(carry, 5);
  expectColour(centre(), 255, 255, 0);
}

TEST_F(TimelineGlTest, PastTheEndNothingIsDrawnAndNoStateIsTouched) {
  SequenceScript s = scriptOf({track(0, 1000, 0, {poly(1, 1, 1)})}, 50);
  glEnable(GL_BLEND);
  run(s, 51);
  expectColour(centre(), 0, 0, 0);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  run(s, 50);
  expectColour(centre(), 255, 255, 255);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

// ---- full-screen layers, blending and clears -----------------------------------

TEST_F(TimelineGlTest, FullScreenPolyWithAndWithoutBlendingKeepsColourAndMatrices) {
  glColor4f(0.2f, 0.4f, 0.6f, 0.8f);
  GLfloat projectionBefore[16];
  glMatrixMode(GL_PROJECTION);
  glTranslatef(0.5f, 0, 0);
  glMatrixMode(GL_MODELVIEW);
  glGetFloatv(GL_PROJECTION_MATRIX, projectionBefore);
  drawFullScreenPoly(1, 0.5f, 0, 0.5f);
  expectColour(readPixel(0, 0), 255, 128, 0);
  expectColour(readPixel(testing::glWindowWidth - 1, testing::glWindowHeight - 1), 255, 128, 0);
  GLfloat colour[4], projection[16];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  EXPECT_FLOAT_EQ(colour[0], 0.2f);
  EXPECT_FLOAT_EQ(colour[3], 0.8f);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(projection[i], projectionBefore[i]);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));

  testing::resetGlState();
  SequenceScript s = scriptOf({track(0, 10, 0, {state("BLEND", 1), state("BLENDFUNC", 0), poly(1, 0, 0, 0.5f)})});
  run(s, 1);
  expectColour(centre(), 128, 0, 0);
}

TEST_F(TimelineGlTest, EachBlendFuncOverAGreyFrame) {
  struct Case {
    float value;
    int r, g, b;
  };
  // source (0.5, 0.2, 1.0, alpha 0.5) over (0.4, 0.4, 0.4)
  const Case cases[] = {
      {0, 115, 77, 179},    // src x a + dst x (1 - a)
      {1, 166, 128, 230},   // src x a + dst
      {2, 230, 153, 255},   // src + dst
      {3, 102, 41, 204},    // src x dst + dst x src
      {4, 115, 46, 230},    // src x a + dst x src
      {5, 115, 46, 230},    // unknown: the last function stays
      {-1, 115, 46, 230},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    glClearColor(0.4f, 0.4f, 0.4f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SequenceScript s =
        scriptOf({track(0, 10, 0, {state("BLEND", 1), state("BLENDFUNC", c.value), poly(0.5f, 0.2f, 1, 0.5f)})});
    run(s, 1);
    expectColour(centre(), c.r, c.g, c.b);
  }
  // BLEND with another value leaves blending as it is.
  glDisable(GL_BLEND);
  applyGlState("BLEND", 2);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  applyGlState("BLEND", 0.6f);  // rounded to 1
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

TEST_F(TimelineGlTest, ClearBitsSelectColourDepthAndStencil) {
  const auto fill = [] {
    glClearColor(1, 0, 0, 1);
    glClearDepth(0.25);
    glClearStencil(3);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glClearColor(0, 0, 1, 1);
    glClearDepth(1);
    glClearStencil(0);
  };
  const auto depth = [] {
    GLfloat d = -1;
    glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &d);
    return d;
  };
  const auto stencil = [] {
    GLubyte v = 99;
    glReadPixels(5, 5, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &v);
    return static_cast<int>(v);
  };
  fill();
  applyGlState("CLEAR", 5);
  expectColour(readPixel(5, 5), 0, 0, 255);
  EXPECT_NEAR(depth(), 0.25f, 1e-3);
  EXPECT_EQ(stencil(), 0);

  fill();
  applyGlState("CLEAR", 2);
  expectColour(readPixel(5, 5), 255, 0, 0);
  EXPECT_NEAR(depth(), 1.0f, 1e-3);
  EXPECT_EQ(stencil(), 3);

  fill();
  applyGlState("CLEAR", 0);
  expectColour(readPixel(5, 5), 255, 0, 0);
  EXPECT_EQ(stencil(), 3);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  applyGlState("ALPHA", 0.3f);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[0], 1);
  EXPECT_NEAR(colour[3], 0.3f, 1e-6);
}

TEST_F(TimelineGlTest, StencilMaskWrittenThenDrawnThrough) {
  const int half = testing::glWindowWidth / 2;
  SequenceScript s = scriptOf({track(
      0, 10, 0,
      {state("CLEAR", 7), state("STENCIL", 0), viewport(0, 0, half, testing::glWindowHeight), poly(1, 1, 1),
       viewport(0, 0, 0, 0), state("STENCIL", 1), poly(0, 1, 0), state("STENCIL", -1), poly(0, 0, 1, 1)})});
  // Stop before the last layer to look at the mask's effect.
  SequenceScript masked = s;
  masked.tracks[0].items.resize(7);
  run(masked, 1);
  expectColour(readPixel(half / 2, 100), 0, 255, 0);
  expectColour(readPixel(half + half / 2, 100), 0, 0, 0);  // writing the mask drew no colour

  run(s, 1);  // after STENCIL -1 the layer covers everything again
  expectColour(readPixel(half + half / 2, 100), 0, 0, 255);
  expectColour(readPixel(half / 2, 100), 0, 0, 255);
}

// ---- viewports -------------------------------------------------------------------

TEST_F(TimelineGlTest, SizeFittingToTextureSizeAndWindow) {
  float w = 512, h = 384;
  fitGrabSize(w, h, 256, 1024, 768);
  EXPECT_EQ(w, 256);
  EXPECT_EQ(h, 192);
  w = h = 1024;
  fitGrabSize(w, h, 2048, 640, 480);
  EXPECT_EQ(w, 256);
  EXPECT_EQ(h, 256);
  w = 200, h = 1000;
  fitGrabSize(w, h, 256, 2000, 2000);
  EXPECT_EQ(w, 66);  // 200 div (1000 div 256)
  EXPECT_EQ(h, 256);
  w = 300, h = 1000;  // both too large: the width first, then the height
  fitGrabSize(w, h, 256, 2000, 2000);
  EXPECT_EQ(w, 85);  // 256 div (1000 div 256)
  EXPECT_EQ(h, 256);
  // Whatever the values, the fitting ends.
  w = std::numeric_limits<float>::infinity(), h = std::numeric_limits<float>::quiet_NaN();
  fitGrabSize(w, h, 0, -5, 100);
  EXPECT_LE(w, 0.5f);
  EXPECT_EQ(h, 0);
}

TEST_F(TimelineGlTest, ViewportFirstSetsLaterPositiveIgnoredZeroRestores) {
  const auto full = viewportNow();
  SequenceScript s = scriptOf({track(0, 10, 0, {viewport(10, 20, 1024, 1024), viewport(1, 1, 50, 50)})});
  s.tracks.push_back(track(0, 10, 1, {}));
  runSequence(s, 1, 0, true, 0, 0);  // layer 0 only; ends with the defaults
  EXPECT_EQ(viewportNow(), full);

  // Inside the call: 1024 halved until it fits 320 x 240: 128.
  applyViewport(10, 20, 1024, 1024, true);
  EXPECT_EQ(viewportNow(), (std::array<GLint, 4>{10, 20, 128, 128}));
  applyViewport(1, 1, 50, 50, true);
  EXPECT_EQ(viewportNow(), (std::array<GLint, 4>{10, 20, 128, 128}));
  applyViewport(1, 1, 0, 50, true);
  EXPECT_EQ(viewportNow(), full);
  EXPECT_FALSE(sequencer.frameBuffer.viewportChanged);
  applyViewport(0, 0, 64, 32, false);  // ignored in a nested call
  EXPECT_EQ(viewportNow(), full);

  // Drawn through: only the viewport's corner gets the colour.
  SequenceScript drawn = scriptOf({track(0, 10, 0, {viewport(0, 0, 64, 32), poly(1, 0, 0)})});
  run(drawn, 1);
  expectColour(readPixel(10, 10), 255, 0, 0);
  expectColour(readPixel(100, 100), 0, 0, 0);
  EXPECT_EQ(viewportNow(), full);
}

// ---- grabs -------------------------------------------------------------------------

TEST_F(TimelineGlTest, GrabOfTheFrameSoFar) {
  const GLuint texture = addMaterial("SHOT");
  SequenceItem grab = item("GL", "GRAB", {txt("NAME", "SHOT"), num("X", 64), num("Y", 64), num("TIMEPOS", -1)});
  SequenceScript s = scriptOf({track(0, 10, 0, {poly(1, 0.5f, 0), grab, poly(0, 0, 1)})});
  run(s, 1);
  expectColour(texel(texture, 32, 32), 255, 128, 0);
  expectColour(centre(), 0, 0, 255);

  // TIMEPOS 0, or a name no material has: nothing.
  SequenceScript none = scriptOf({track(0, 10, 0,
                                        {poly(0, 1, 0),
                                         item("GL", "GRAB", {txt("NAME", "SHOT"), num("TIMEPOS", 0)}),
                                         item("GL", "GRAB", {txt("NAME", "NOWHERE"), num("TIMEPOS", -1)})})});
  run(none, 1);
  expectColour(texel(texture, 32, 32), 255, 128, 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TimelineGlTest, GrabOfAnotherMomentRendersItOnce) {
  const GLuint texture = addMaterial("LATER");
  SequenceItem grab = item("GL", "GRAB",
                           {txt("NAME", "LATER"), num("X", 64), num("Y", 64), num("TIMEPOS", 12), num("RANGE1", 20),
                            num("RANGE2", 20)});
  // Layer 20 holds the moment at 12 s (tick 720); the main layers clear and
  // paint red over whatever the grab left.
  SequenceScript s = scriptOf({track(0, 100, 0, {grab, state("CLEAR", 1), poly(1, 0, 0)}),
                               track(700, 100, 20, {state("CLEAR", 3), poly(0, 0, 1)})},
                              6000);
  run(s, 10);
  expectColour(texel(texture, 10, 10), 0, 0, 255);
  expectColour(centre(), 255, 0, 0);
  EXPECT_EQ(s.tracks[0].items[0].params[3].constant, 0);  // done: later frames skip it
  EXPECT_EQ(viewportNow()[2], testing::glWindowWidth);

  // Paint the texture over; the next frame does not grab again.
  const std::vector<uint8_t> green(64 * 64 * 4, 0x80);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 64, 64, GL_RGBA, GL_UNSIGNED_BYTE, green.data());
  run(s, 11);
  expectColour(texel(texture, 10, 10), 0x80, 0x80, 0x80);
}

TEST_F(TimelineGlTest, GrabOfAMomentPastTheEndRepeatsWithTheCurrentTickAndKeepsAViewport) {
  const GLuint texture = addMaterial("NOW");
  SequenceItem grab = item("GL", "GRAB",
                           {txt("NAME", "NOW"), num("X", 64), num("Y", 64), num("TIMEPOS", 200), num("RANGE1", 20),
                            num("RANGE2", 20)});
  SequenceParam green = num("G", 0);
  green.mode = kModeLinear;
  initTrack(green.curve, 2);
  addKey(green.curve, 0, 0.5f, 0, 0, 0);
  addKey(green.curve, 255, 0.5f, 1, 0, 0);
  SequenceScript s = scriptOf(
      {track(0, 100, 0, {viewport(0, 0, 200, 200), grab, poly(1, 0, 0)}),
       track(0, 100, 20, {item("GL", "FULLSCREENPOLY", {num("R", 0), green, num("B", 0), num("A", 1)})})},
      6000);
  run(s, 40);
  expectColour(texel(texture, 10, 10), 0, 40, 0, 1);
  EXPECT_EQ(s.tracks[0].items[1].params[3].constant, 200);
  // The grab put back the item's viewport: the red layer fills it, not the window.
  expectColour(readPixel(150, 150), 255, 0, 0);
  expectColour(readPixel(250, 150), 0, 0, 0);
  EXPECT_EQ(viewportNow()[2], testing::glWindowWidth);  // and the call restored the window's

  run(s, 80);
  expectColour(texel(texture, 10, 10), 0, 80, 0, 1);

  // A grab inside a nested call does not render another moment.
  runSequence(s, 90, 90, false, 0, 0);
  expectColour(texel(texture, 10, 10), 0, 80, 0, 1);
}

TEST_F(TimelineGlTest, UploadCutToTheTextureSizeKeepsRows) {
  const GLuint texture = addMaterial("PIC");
  display.caps.maxTextureSize = 64;
  std::vector<uint8_t> picture(100 * 70 * 4);
  for (int y = 0; y < 70; ++y) {
    for (int x = 0; x < 100; ++x) {
      uint8_t* p = &picture[(static_cast<size_t>(y) * 100 + static_cast<size_t>(x)) * 4];
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = 7;
      p[3] = 255;
    }
  }
  uploadToTexture(picture.data(), 100, 70, texture);
  EXPECT_EQ(texel(texture, 63, 5), (Rgba{63, 5, 7, 255}));
  EXPECT_EQ(texel(texture, 2, 63), (Rgba{2, 63, 7, 255}));
  GLint rowLength = -1;
  glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
  EXPECT_EQ(rowLength, 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TimelineGlTest, TransfersAreCutToTheTextureTheyGoInto) {
  // A 64 x 64 texture (a "?" texture halved to fit a small window) and a
  // 100 x 70 picture: the upload takes the part that fits, keeping its rows.
  const GLuint texture = addMaterial("SMALL");
  display.caps.maxTextureSize = 4096;
  std::vector<uint8_t> picture(100 * 70 * 4);
  for (int y = 0; y < 70; ++y) {
    for (int x = 0; x < 100; ++x) {
      uint8_t* p = &picture[(static_cast<size_t>(y) * 100 + static_cast<size_t>(x)) * 4];
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = 9;
      p[3] = 255;
    }
  }
  uploadToTexture(picture.data(), 100, 70, texture);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(texel(texture, 63, 5), (Rgba{63, 5, 9, 255}));
  EXPECT_EQ(texel(texture, 7, 63), (Rgba{7, 63, 9, 255}));

  // A grab larger than the texture fills it and raises no error either.
  testing::resetGlState();
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  grabToTexture(200, 150, texture);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  expectColour(texel(texture, 63, 63), 0, 255, 0);
}

// ---- the end of a frame ------------------------------------------------------------

TEST_F(TimelineGlTest, DefaultsAfterATopLevelCall) {
  SequenceScript s = scriptOf({track(0, 10, 0,
                                     {state("BLEND", 1), state("STENCIL", 0), state("ALPHA", 0.5f),
                                      viewport(5, 5, 40, 40), item("GL", "CLEARCOLOR",
                                                                   {num("R", 0.5f), num("G", 0), num("B", 0),
                                                                    num("A", 1)})})});
  glDisable(GL_DEPTH_TEST);
  run(s, 1);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLboolean depthMask = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
  EXPECT_TRUE(depthMask);
  GLboolean colourMask[4] = {};
  glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
  for (GLboolean m : colourMask) EXPECT_TRUE(m);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  for (GLfloat c : colour) EXPECT_FLOAT_EQ(c, 1);
  EXPECT_EQ(viewportNow()[2], testing::glWindowWidth);
  // The clear colour is not a default: it stays.
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_FLOAT_EQ(clear[0], 0.5f);

  // A nested call leaves the state to its caller.
  glDisable(GL_TEXTURE_2D);
  runSequence(s, 1, 1, false, 0, 15);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_STENCIL_TEST));
}

}  // namespace
}  // namespace glorbe
