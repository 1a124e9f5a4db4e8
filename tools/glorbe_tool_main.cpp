// glorbe-tool: authoring and inspection of the show's content.
#include "cli/command_line.h"
#include "glorbe_tool/commands.h"

int main(int argc, char** argv) { return glorbe::tools::cli::runProgram(glorbe::tools::toolProgram(), argc, argv); }
