// The exit-procedure chain: procedures registered here run when the program
// ends normally (also through endProgram), the last registered first.
#pragma once

namespace glorbe {

using ExitProcedure = void (*)();

void registerExitProcedure(ExitProcedure procedure);

// Ends the program with the given code; the exit procedures run.
[[noreturn]] void endProgram(int code);

}  // namespace glorbe
