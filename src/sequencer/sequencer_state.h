// The timeline's process-wide state in one record: the show's timeline as
// loaded, and the viewport that frame-buffer commands replace during a
// top-level timeline call.
#pragma once

#include "sequencer/frame_buffer_commands.h"
#include "sequencer/sequence_script.h"

namespace glorbe {

struct SequencerState {
  SequenceScript script;         // loaded once by the loading phase
  FrameBufferState frameBuffer;  // cleared at the start of every top-level call
};

extern SequencerState sequencer;

// An empty timeline and no replaced viewport (tests).
void resetSequencerState();

}  // namespace glorbe
