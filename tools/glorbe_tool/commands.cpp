#include "glorbe_tool/commands.h"

namespace glorbe::tools {

const cli::Program& toolProgram() {
  static const cli::Program program = [] {
    cli::Program p{"glorbe-tool", "glorbe-tool: authoring and inspection of glORBE content", {}};
    for (auto part : {mp3Commands, musicCommands, artCommands, archiveCommands, sqpCommands, scriptCommands,
                      hwlCommands, texCommands, showCommands, modelCommands, terrainCommands}) {
      for (Command& c : part()) p.commands.push_back(std::move(c));
    }
    return p;
  }();
  return program;
}

}  // namespace glorbe::tools
