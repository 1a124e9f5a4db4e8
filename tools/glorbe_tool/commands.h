// glorbe-tool's command table: one entry per top-level word, each with its
// own usage text. Exit codes: 0 done, 1 failed, 2 bad usage.
#pragma once

#include <string>
#include <vector>

namespace glorbe::tools {

using Args = std::vector<std::string>;

struct ToolCommand {
  const char* name;
  const char* usage;  // one or more lines "glorbe-tool NAME ..."
  int (*run)(const Args& args);  // args after the command word
};

const std::vector<ToolCommand>& toolCommands();

// Prints "glorbe-tool: MESSAGE" and the command's usage to standard error; returns 2.
int usageError(const ToolCommand& command, const std::string& message);
const ToolCommand& findToolCommand(const char* name);

// The commands.
int runMp3Command(const Args& args);
int runArchiveCommand(const Args& args);
int runScriptCommand(const Args& args);
int runSqpCommand(const Args& args);
int runMusicCommand(const Args& args);
int runArtCommand(const Args& args);
int runHwlCommand(const Args& args);
int runTexCommand(const Args& args);
int runShowCommand(const Args& args);
int runModelCommand(const Args& args);
int runTerrainCommand(const Args& args);

}  // namespace glorbe::tools
