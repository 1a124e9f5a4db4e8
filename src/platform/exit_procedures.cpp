// Exit procedures on the C library's atexit chain, which already runs them
// in reverse order of registration.
#include "platform/exit_procedures.h"

#include <cstdio>
#include <cstdlib>

namespace glorbe {

namespace {

EndProgramHandler endHandler = nullptr;

}  // namespace

void registerExitProcedure(ExitProcedure procedure) { std::atexit(procedure); }

void setEndProgramHandler(EndProgramHandler handler) { endHandler = handler; }

void endProgram(int code) {
  std::fflush(stdout);
  if (endHandler != nullptr) endHandler(code);
  std::exit(code);
}

}  // namespace glorbe
