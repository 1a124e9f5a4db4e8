// The loading phase, run inside the first display callback. Until the content
// readers exist the timeline is the whole music: start tick 0, end tick the
// stream's length in ticks.
#include "archive/load_buffer.h"
#include "core/core.h"
#include "core/demo_clock.h"
#include "sequencer/sequence_script.h"

namespace glorbe {

void runLoadingPhase() {
  sequenceScript.startTick = 0;
  sequenceScript.endTick = ticksFromMs(demoClock.streamLengthMs);
  freeLoadBuffer();  // all content is in its tables now
}

}  // namespace glorbe
