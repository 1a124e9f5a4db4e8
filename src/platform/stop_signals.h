// Ctrl+C and kill while the show runs: SIGINT and SIGTERM are noted by a
// handler and the program ends from its own loop, through the exit
// procedures, so that the screen saver, the display mode and the sound
// device are given back. A second signal ends the program at once.
#pragma once

namespace glorbe {

void installStopSignals();

// When SIGINT or SIGTERM has come, ends the program with exit code 128 plus
// the signal's number (as a shell reports a program ended by it), after the
// exit procedures. Otherwise returns.
void endIfStopSignal();

}  // namespace glorbe
