// Exit procedures on the C library's atexit chain, which already runs them
// in reverse order of registration.
#include "platform/exit_procedures.h"

#include <cstdio>
#include <cstdlib>

namespace glorbe {

void registerExitProcedure(ExitProcedure procedure) { std::atexit(procedure); }

void endProgram(int code) {
  std::fflush(stdout);
  std::exit(code);
}

}  // namespace glorbe
