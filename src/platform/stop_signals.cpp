// SIGINT and SIGTERM noted, and acted on from the main thread; see stop_signals.h.
#include "platform/stop_signals.h"

#include <csignal>

#include "platform/exit_procedures.h"

namespace glorbe {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void noteStopSignal(int signal) { stopSignal = signal; }

}  // namespace

void installStopSignals() {
  struct sigaction action {};
  action.sa_handler = noteStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_RESTART;  // the next one takes the default way
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void endIfStopSignal() {
  const int signal = stopSignal;
  if (signal != 0) endProgram(128 + signal);
}

}  // namespace glorbe
