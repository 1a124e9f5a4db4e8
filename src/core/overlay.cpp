// Stroke-font text and the statistics overlay.
#include "core/overlay.h"

#include <GL/freeglut.h>

#include <cstdio>

#include "core/core.h"
#include "core/demo_clock.h"
#include "display/display_state.h"
#include "display/gl_drawing_state.h"
#include "render/frame_stats.h"
#include "sequencer/sequence_script.h"
#include "sequencer/sequencer_state.h"

namespace glorbe {

void drawOverlayText(const std::string& text, float x, float y, float scaleX, float scaleY, float r, float g,
                     float b) {
  GlDrawingState saved = saveGlDrawingState();
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glColor4f(r, g, b, 1.0f);

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(x, y, 0.0f);
  glScalef(scaleX, scaleY, 1.0f);
  for (unsigned char c : text) glutStrokeCharacter(GLUT_STROKE_ROMAN, c);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();

  saved.colour[3] = 1.0f;  // the colour comes back opaque
  restoreGlDrawingState(saved);
}

std::string formatRate(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::array<OverlayLine, 8> buildStatisticsLines(int32_t ms, int32_t stencilBits) {
  std::array<OverlayLine, 8> lines;
  lines[0] = {0.29f, "time" + std::to_string(ms) + "," + std::to_string(core.clock.streamLengthMs)};
  lines[1] = {0.25f, "stencil" + std::to_string(stencilBits)};
  lines[2] = {0.21f, "maxtexsize" + std::to_string(display.caps.maxTextureSize)};
  lines[3] = {0.17f, "objpolys" + std::to_string(frameStats.objpolys)};
  frameStats.objpolys = 0;
  lines[4] = {0.13f, "parsys" + std::to_string(frameStats.parsys)};
  frameStats.parsys = 0;
  lines[5] = {0.09f, "objs" + std::to_string(frameStats.objs)};
  frameStats.objs = 0;

  // No music time since the start position yet: the average is taken as 0.
  const int64_t sinceStart = int64_t{ms} - msFromTicks(sequencer.script.startTick);
  const double average = sinceStart != 0 ? core.clock.totalFrames * 1000.0 / static_cast<double>(sinceStart) : 0.0;
  lines[6] = {0.01f, "avfps" + formatRate(average)};

  core.clock.fpsFrames += 1;
  if (int64_t{core.clock.fpsLastMs} + 1000 < ms) {
    core.clock.fpsText = formatRate(core.clock.fpsFrames * 1000.0 / (static_cast<double>(ms) - core.clock.fpsLastMs));
    core.clock.fpsLastMs = ms;
    core.clock.fpsFrames = 0;
  }
  lines[7] = {0.05f, "fps" + core.clock.fpsText};
  return lines;
}

void drawStatisticsOverlay(int32_t ms) {
  glEnable(GL_LINE_SMOOTH);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  for (const OverlayLine& line : buildStatisticsLines(ms, glutGet(GLUT_WINDOW_STENCIL_SIZE))) {
    drawOverlayText(line.text, 0.01f, line.y, 0.00018f, 0.00018f, 1.0f, 1.0f, 1.0f);
  }
  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_BLEND);
}

}  // namespace glorbe
