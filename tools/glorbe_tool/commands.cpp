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
      {"archive",
       "glorbe-tool archive list ARCHIVE        entries as the engine registers them: name, method, compressed and\n"
       "                                        uncompressed size, seek points (tab-separated); then \"status N\"\n"
       "glorbe-tool archive cat ARCHIVE NAME    NAME's bytes through the engine's file layer (disk first)\n"
       "glorbe-tool archive pack ARCHIVE DIR [--store] [--seek-every BYTES]\n"
       "                                        every file below DIR in a ZIP archive, deflated unless --store,\n"
       "                                        with seek points about every BYTES of decoded data",
       runArchiveCommand},
      {"sqp",
       "glorbe-tool sqp build SOURCE OUT.sqp              a timeline's text form (docs/timeline.md) compiled into\n"
       "                                                  the player's timeline file\n"
       "glorbe-tool sqp dump FILE [--archive ARCHIVE]     a timeline file as the player loads it, one JSON document\n"
       "                                                  (FILE on disk first, then in ARCHIVE, velk.dat)",
       runSqpCommand},
      {"script",
       "glorbe-tool script dump FILE [--archive ARCHIVE]   a scene script as the engine reads it, one JSON object\n"
       "                                                   per line (FILE on disk first, then in ARCHIVE, velk.dat)",
       runScriptCommand},
      {"hwl",
       "glorbe-tool hwl encode IN.png OUT.hwl [--levels L] [--quality Q]   a grey or colour picture to a wavelet image\n"
       "glorbe-tool hwl decode IN.hwl OUT.png                             the decoder's pixels as a picture\n"
       "glorbe-tool hwl info FILE                                         header, streams and steps of a wavelet image",
       runHwlCommand},
      {"tex",
       "glorbe-tool tex asm SOURCE OUT.TEX             a texture program from its text form (docs/texture-programs.md)\n"
       "glorbe-tool tex disasm FILE.TEX                a texture program as text\n"
       "glorbe-tool tex run FILE.TEX SIZE OUT.png      layer 4 after running the program at SIZE x SIZE, seed 0\n"
       "glorbe-tool tex ops                            the operations: opcode, name, parameters, what it does",
       runTexCommand},
      {"show",
       "glorbe-tool show dump [--size WxH]   in a show folder: every table after the player's loading phase\n"
       "                                    (materials, sprites, move lists, scenes, terrains) as one JSON\n"
       "                                    document; needs an X display, WxH is its window (800x600)",
       runShowCommand},
      {"model",
       "glorbe-tool model build SOURCE OUT.3ds\n"
       "        a model's text form (docs/models.md) written as a .3DS file through lib3ds\n"
       "glorbe-tool model check FILE.3ds\n"
       "        reads the file with our reader and with lib3ds and lists where they differ\n"
       "glorbe-tool model dump FILE [--at TICK] [--archive ARCHIVE]\n"
       "        a .3DS model as the engine reads it, one JSON document (docs/models.md); with --at, each\n"
       "        object's transform at TICK (FILE on disk first, then in ARCHIVE, velk.dat)",
       runModelCommand},
      {"terrain",
       "glorbe-tool terrain errors SOURCE [WxH]   the terrain analysis of a height field as JSON: heights, error map\n"
       "                                          and quadtree nodes; SOURCE a grey or RGB PNG, or a .TEX program\n"
       "                                          run at WxH (sides powers of two from 2 to 4096)",
       runTerrainCommand},
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
