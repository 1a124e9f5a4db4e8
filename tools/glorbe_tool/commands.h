// glorbe-tool's commands. Each file of this folder gives the commands of
// one topic (a table of cli::Command: words, arguments, options, help, the
// function that runs it); toolProgram() puts them together. A new command
// is one more entry in its topic's table; a new topic is one more file and
// one more line in commands.cpp.
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"

namespace glorbe::tools {

using cli::Command;
using cli::Invocation;

const cli::Program& toolProgram();

std::vector<Command> mp3Commands();
std::vector<Command> musicCommands();
std::vector<Command> artCommands();
std::vector<Command> archiveCommands();
std::vector<Command> sqpCommands();
std::vector<Command> scriptCommands();
std::vector<Command> hwlCommands();
std::vector<Command> texCommands();
std::vector<Command> showCommands();
std::vector<Command> modelCommands();
std::vector<Command> terrainCommands();

using cli::makeOutputFolder;

}  // namespace glorbe::tools
