// glorbe-tool art: pictures drawn from code, written as PNG.
#include <cstdio>

#include "art/art_generators.h"
#include "glorbe_tool/commands.h"
#include "scripts/number_conversion.h"

namespace glorbe::tools {

namespace {

int list(const Invocation&) {
  for (const ArtKind& k : artKinds()) std::printf("%s\t%s\t%s\n", k.name, k.channels == 1 ? "grey" : "colour", k.description);
  return 0;
}

int draw(const Invocation& call) {
  const std::string& kind = call.argument(0);
  const std::string& size = call.argument(1);
  const size_t x = size.find('x');
  const auto w = parseInteger(size.substr(0, x == std::string::npos ? 0 : x));
  const auto h = x == std::string::npos ? std::nullopt : parseInteger(size.substr(x + 1));
  if (!w || !h) return cli::usageError(call, "the size is WIDTHxHEIGHT, not \"" + size + "\"");
  const auto text = call.value("text");
  if (kind == "text" && (!text || text->empty())) return cli::usageError(call, "art text needs the words: --text TEXT");
  if (kind != "text" && text) std::fprintf(stderr, "glorbe-tool: warning: only the kind \"text\" draws --text\n");
  PngImage image;
  std::string error;
  const std::string& out = call.argument(2);
  if (!makeArt(kind, *w, *h, text.value_or(""), image, error) || !makeOutputFolder(out, error) ||
      !writePng(out, image, error)) {
    return cli::failure(call, error);
  }
  return 0;
}

}  // namespace

std::vector<Command> artCommands() {
  return {
      {"art", "KIND WxH OUT.png", 3, 3, {{"text", "TEXT", "the words of the kind \"text\" (capital letters, digits)"}},
       "A picture drawn from code for the show's images (the kinds: glorbe-tool art list).", draw},
      {"art list", "", 0, 0, {}, "The kinds of picture: name, grey or colour, what it shows.", list},
  };
}

}  // namespace glorbe::tools
