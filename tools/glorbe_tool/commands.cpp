#include "glorbe_tool/commands.h"

#include <fstream>
#include <sstream>

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

bool readSourceFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "glorbe-tool: cannot read %s\n", path.c_str());
    return false;
  }
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return true;
}

}  // namespace glorbe::tools
