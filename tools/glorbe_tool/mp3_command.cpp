// glorbe-tool mp3: MP3 streams for tests and stand-in music.
#include <cstdio>

#include "audio/mp3_writer.h"
#include "audio/test_tune.h"
#include "glorbe_tool/commands.h"
#include "scripts/number_conversion.h"

namespace glorbe::tools {

int runMp3Command(const Args& args) {
  const ToolCommand& self = findToolCommand("mp3");
  if (args.size() < 2 || args[0] != "tune") return usageError(self, "expected: tune OUT.mp3");
  double seconds = 8.0;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--seconds" && i + 1 < args.size()) {
      auto v = parseReal(args[++i]);
      if (!v || *v <= 0 || *v > 3600) return usageError(self, "--seconds takes a number of seconds up to 3600");
      seconds = static_cast<double>(*v);
    } else {
      return usageError(self, "unknown option " + args[i]);
    }
  }
  std::string error;
  if (!writeMp3(args[1], renderTestTune(seconds, 44100), 44100, 192, error)) {
    std::fprintf(stderr, "glorbe-tool: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace glorbe::tools
