#include "glorbe_tool/commands.h"

#include <cstdio>
#include <cstring>

namespace glorbe::tools {

const std::vector<ToolCommand>& toolCommands() {
  static const std::vector<ToolCommand> commands = {
      {"mp3", "glorbe-tool mp3 tune OUT.mp3 [--seconds S]   a short generated tune, 44.1 kHz stereo, 192 kbit/s",
       runMp3Command},
      {"music",
       "glorbe-tool music render SCORE OUT.mp3 [--wav OUT.wav]   the synthesizer: a score to 44.1 kHz stereo, 192 kbit/s\n"
       "glorbe-tool music info SCORE                             tempo, bars, length and section start times",
       runMusicCommand},
      {"art",
       "glorbe-tool art KIND WxH OUT.png [--text TEXT]   a picture drawn from code (kinds: glorbe-tool art list)",
       runArtCommand},
  };
  return commands;
}

const ToolCommand& findToolCommand(const char* name) {
  for (const ToolCommand& c : toolCommands()) {
    if (std::strcmp(c.name, name) == 0) return c;
  }
  static const ToolCommand none{"", "", nullptr};
  return none;
}

int usageError(const ToolCommand& command, const std::string& message) {
  std::fprintf(stderr, "glorbe-tool: %s\nusage:\n%s\n", message.c_str(), command.usage);
  return 2;
}

}  // namespace glorbe::tools
