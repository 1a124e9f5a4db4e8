// glorbe-tool's commands. Each file of this folder gives the commands of
// one topic (a table of cli::Command: words, arguments, options, help, the
// function that runs it); toolProgram() puts them together. A new command
// is one more entry in its topic's table; a new topic is one more file and
// one more line in commands.cpp.
#pragma once

#include <cstdio>
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

// The whole of a source file; false, having said "glorbe-tool: cannot read
// PATH", when it cannot be read.
bool readSourceFile(const std::string& path, std::string& text);

// A compiled source's warnings and errors on standard error, one a line,
// and, when it failed, that OUT was not written. Returns ok.
template <class Messages>
bool reportSource(bool ok, const Messages& messages, const std::string& outPath) {
  for (const std::string& w : messages.warnings) std::fprintf(stderr, "%s\n", w.c_str());
  for (const std::string& e : messages.errors) std::fprintf(stderr, "%s\n", e.c_str());
  if (!ok) std::fprintf(stderr, "glorbe-tool: %s not written\n", outPath.c_str());
  return ok;
}

}  // namespace glorbe::tools
