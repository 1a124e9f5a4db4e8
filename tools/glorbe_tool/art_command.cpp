// glorbe-tool art: pictures drawn from code, written as PNG.
#include <cstdio>

#include "art/art_generators.h"
#include "glorbe_tool/commands.h"
#include "scripts/number_conversion.h"

namespace glorbe::tools {

int runArtCommand(const Args& args) {
  const ToolCommand& self = findToolCommand("art");
  if (args.size() == 1 && args[0] == "list") {
    for (const ArtKind& k : artKinds()) std::printf("%s\t%s\t%s\n", k.name, k.channels == 1 ? "grey" : "colour", k.description);
    return 0;
  }
  if (args.size() < 3) return usageError(self, "expected: KIND WxH OUT.png [--text TEXT], or list");
  const size_t x = args[1].find('x');
  auto w = parseInteger(args[1].substr(0, x == std::string::npos ? 0 : x));
  auto h = x == std::string::npos ? std::nullopt : parseInteger(args[1].substr(x + 1));
  if (!w || !h) return usageError(self, "the size is WIDTHxHEIGHT, not \"" + args[1] + "\"");
  std::string text;
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--text" && i + 1 < args.size()) text = args[++i];
    else return usageError(self, "unknown option " + args[i]);
  }
  PngImage image;
  std::string error;
  if (!makeArt(args[0], *w, *h, text, image, error) || !writePng(args[2], image, error)) {
    std::fprintf(stderr, "glorbe-tool: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace glorbe::tools
