// The loading phase, run inside the first display callback: the seven scene
// scripts in three passes and then the timeline, with a loading screen drawn
// five times on the way so that the user sees progress.
#include <GL/freeglut.h>

#include <algorithm>

#include "archive/load_buffer.h"
#include "core/core.h"
#include "core/demo_clock.h"
#include "core/overlay.h"
#include "core/run_trace.h"
#include "platform/stop_signals.h"
#include "scripts/scene_script_readers.h"
#include "scripts/scene_tables.h"
#include "sequencer/sequence_script.h"
#include "sequencer/sequencer_state.h"
#include "textures/image_decoder.h"
#include "textures/texture_upload.h"

namespace glorbe {

namespace {

constexpr const char* kSceneScripts[] = {
    "scripts\\greetz.ini", "scripts\\wembo.ini", "scripts\\battle.ini", "scripts\\guitar.ini",
    "scripts\\flex.ini",   "scripts\\alien.ini", "scripts\\ant.ini",
};

// One loading-screen picture on a quad of half size `half` centred at (x, 0, -4),
// its first row at the top.
void drawLoaderPicture(size_t index, float x, float half) {
  glBindTexture(GL_TEXTURE_2D, core.loaderTextures[index]);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(x, 0.0f, -4.0f);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex3f(-half, half, 0);
  glTexCoord2f(0, 1);
  glVertex3f(-half, -half, 0);
  glTexCoord2f(1, 1);
  glVertex3f(half, -half, 0);
  glTexCoord2f(1, 0);
  glVertex3f(half, half, 0);
  glEnd();
}

// A show without a timeline file plays its whole music over a cleared screen.
SequenceScript musicOnlyTimeline(int32_t endTick) {
  SequenceParam clearWhat;
  clearWhat.name = "NAME";
  clearWhat.text = "CLEAR";
  SequenceParam bits;
  bits.name = "VALUE";
  bits.constant = bits.minimum = bits.maximum = 7;  // colour, depth and stencil
  SequenceItem clear;
  clear.category = "GL";
  clear.command = "STATE";
  clear.params = {clearWhat, bits};
  clear.paramCount = 2;
  SequenceTrack track;
  track.length = endTick;
  track.speed = 1;
  track.items = {clear};
  track.itemCount = 1;
  SequenceScript script;
  script.endTick = endTick;
  script.tracks = {track};
  script.trackCount = 1;
  return script;
}

}  // namespace

void drawLoadingFrame() {
  // There are five pictures; a sixth screen would show the last one again.
  const int32_t step = std::clamp<int32_t>(core.loadingStep, 0, static_cast<int32_t>(core.loaderTextures.size()) - 1);

  glClearColor(0.0f, 0.0f, 0.2f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  glColor4f(0.2f, 0.2f, 0.8f, 1.0f);
  drawLoaderPicture(static_cast<size_t>(step), 0.0f, 1.2f);

  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glLineWidth(2.0f);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glEnable(GL_LINE_SMOOTH);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  drawOverlayText("loading velk by orbe...", 0.15f, 0.7f, 0.0005f, 0.00035f, 0.8f, 0.8f, 1.0f);
  drawOverlayText("...pleaze relax", 0.4f, 0.64f, 0.00025f, 0.000175f, 0.8f, 0.8f, 1.0f);
  glDisable(GL_LINE_SMOOTH);
  glLineWidth(1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

  // The pictures shown so far, added on top in a row centred on the screen.
  glBlendFunc(GL_ONE, GL_ONE);
  for (int32_t i = 0; i <= step; ++i) {
    drawLoaderPicture(static_cast<size_t>(i), (static_cast<float>(i) - static_cast<float>(step) * 0.5f) * 0.7f, 0.3f);
  }
  glDisable(GL_BLEND);
}

void drawLoadingScreen() {
  endIfStopSignal();
  drawLoadingFrame();
  core.loadingStep += 1;
  glutSwapBuffers();
}

void runLoadingPhase(bool withScreens) {
  const auto screen = [withScreens] {
    if (withScreens) drawLoadingScreen();
  };
  resetSceneTables();  // the scene readers append to them
  screen();
  if (withScreens) traceStartup("loading-screen");
  parseMaterials(kSceneScripts[0]);
  screen();
  parseMaterials(kSceneScripts[1]);
  parseMaterials(kSceneScripts[2]);
  screen();
  for (size_t i = 3; i < 7; ++i) parseMaterials(kSceneScripts[i]);
  for (const char* script : kSceneScripts) parseSpritesAndMoveLists(script);
  screen();
  if (withScreens) traceStartup("scenes-start");
  for (const char* script : kSceneScripts) parseSceneScript(script);
  if (withScreens) traceStartup("scenes-read");
  screen();

  if (!loadSequenceScript(kTimelineFile, sequencer.script)) {
    sequencer.script = musicOnlyTimeline(ticksFromMs(core.clock.streamLengthMs));
  }

  if (withScreens) traceStartup("loaded");
  freeLoadBuffer();  // all content is in its tables now
  releaseImageWorkspace();
  deleteTextures(core.loaderTextures.data(), core.loaderTextures.size());
  core.loaderTextures.fill(0);
}

}  // namespace glorbe
