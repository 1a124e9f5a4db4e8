// The frame driver: the first display callback loads everything and starts
// the music; every later one turns the music position into the demo time,
// ends the show at its end, and runs the timeline for the tick.
#include <GL/freeglut.h>

#include "core/core.h"
#include "core/demo_clock.h"
#include "core/overlay.h"
#include "core/run_trace.h"
#include "platform/exit_procedures.h"
#include "platform/message_box.h"
#include "platform/monotonic_clock.h"
#include "platform/sound.h"
#include "platform/stop_signals.h"
#include "sequencer/sequence_script.h"
#include "sequencer/sequencer_state.h"

namespace glorbe {

CoreState core;

void resetCoreState() { core = CoreState{}; }

void setBaseGlState() {
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_COLOR_MATERIAL);
  // Scaled objects and deformed meshes keep unit normals for the lighting.
  glEnable(GL_NORMALIZE);
  glHint(GL_FOG_HINT, GL_FASTEST);
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glClearStencil(0);
  glClearColor(0.0f, 0.0f, 0.25f, 0.0f);
  glDisable(GL_STENCIL_TEST);
  for (int i = 0; i < 3; ++i) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glFlush();
  }
}

void onKeyboard(unsigned char key, int, int) {
  switch (keyAction(key)) {
    case KeyAction::Quit:
      endProgram(0);
    case KeyAction::ToggleOverlay:
      core.overlayEnabled = !core.overlayEnabled;
      break;
    case KeyAction::None:
      break;
  }
}

namespace {

// A channel that never reports playing would hold the first frame forever;
// after this long the frame driver's own end test takes over.
constexpr double kStartWaitLimitMs = 5000.0;

}  // namespace

void startShow() {
  runLoadingPhase();
  core.timelineStartTick = sequencer.script.startTick;
  sequencer.script.startTick = resolveStartTick(core.commandLine, sequencer.script.startTick, sequencer.script.endTick);

  startMusic();
  registerExitProcedure(shutdownSound);

  core.clock.currentTick = sequencer.script.startTick;
  core.clock.fpsLastMs = msFromTicks(sequencer.script.startTick);
  core.clock.fpsText = "thinking!";

  const double waitStart = monotonicMs();
  while (!soundIsPlaying(core.musicChannel) && monotonicMs() - waitStart < kStartWaitLimitMs) {
    endIfStopSignal();
  }
  soundSetTimeMs(core.music, core.clock.fpsLastMs);
  // Wait until the music has reached a position of at least one tick, so the
  // first drawn frame does not read tick 0 while the music plays.
  while (soundIsPlaying(core.musicChannel) && ticksFromMs(soundGetTimeMs(core.music)) <= 0 &&
         monotonicMs() - waitStart < kStartWaitLimitMs) {
    endIfStopSignal();
  }
  core.clock.firstFrame = false;
}

void onDisplay() {
  endIfStopSignal();
  if (core.clock.firstFrame) {
    startShow();
    return;
  }
  core.clock.previousTick = core.clock.currentTick;
  const double askedAt = monotonicMs();
  const int32_t ms = soundGetTimeMs(core.music);
  traceFrame(ms, askedAt);
  core.clock.currentTick = ticksFromMs(ms);

  switch (frameOutcome(core.clock.currentTick, sequencer.script.endTick, soundIsPlaying(core.musicChannel))) {
    case FrameOutcome::End:
      endProgram(0);
    case FrameOutcome::SyncLost:
      showMessageBox(kSoundCaption, kMusicSyncText);
      soundClose();
      endProgram(0);
    case FrameOutcome::Draw:
      break;
  }

  runSequence(sequencer.script, core.clock.currentTick, core.clock.previousTick, true, 0, 15);

  if (core.overlayEnabled) {
    drawStatisticsOverlay(ms);
  } else {
    core.clock.fpsLastMs = ms;
  }
  core.clock.totalFrames += 1;
  glutSwapBuffers();
  if (core.clock.totalFrames == 1) traceStartup("first-frame");
}

}  // namespace glorbe
