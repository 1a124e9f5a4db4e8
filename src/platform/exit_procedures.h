// The exit-procedure chain: procedures registered here run when the program
// ends normally (also through endProgram), the last registered first.
#pragma once

namespace glorbe {

using ExitProcedure = void (*)();

void registerExitProcedure(ExitProcedure procedure);

// Ends the program with the given code; the exit procedures run.
[[noreturn]] void endProgram(int code);

// What endProgram does once standard output is flushed, instead of ending
// the process: for harnesses that feed one process many inputs (the fuzz
// targets), whose handler throws to get back to them. A handler that returns
// lets the program end as usual; null restores the default.
using EndProgramHandler = void (*)(int code);
void setEndProgramHandler(EndProgramHandler handler);

}  // namespace glorbe
