// Timeline walk. Until timelines are read, a frame is a cleared screen.
#include <GL/gl.h>

#include "sequencer/sequence_script.h"

namespace glorbe {

SequenceScript sequenceScript;

void runSequence(SequenceScript& script, int32_t tick, int32_t, bool, int, int) {
  if (tick > script.endTick) return;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

}  // namespace glorbe
