// glorbe-tool mp3: MP3 streams for tests and stand-in music.
#include <cstdio>

#include "audio/mp3_writer.h"
#include "audio/test_tune.h"
#include "glorbe_tool/commands.h"
#include "scripts/number_conversion.h"

namespace glorbe::tools {

namespace {

int tune(const Invocation& call) {
  double seconds = 8.0;
  if (const auto text = call.value("seconds")) {
    const auto v = parseReal(*text);
    if (!v || *v <= 0 || *v > 3600) {
      return cli::usageError(call, "--seconds takes a number of seconds above 0 and up to 3600, not \"" + *text + "\"");
    }
    seconds = static_cast<double>(*v);
  }
  const std::string& out = call.argument(0);
  std::string error;
  if (!makeOutputFolder(out, error) || !writeMp3(out, renderTestTune(seconds, 44100), 44100, 192, error)) {
    return cli::failure(call, error);
  }
  return 0;
}

}  // namespace

std::vector<Command> mp3Commands() {
  return {{"mp3 tune", "OUT.mp3", 1, 1, {{"seconds", "S", "its length in seconds (default 8)"}},
           "A short generated tune, 44.1 kHz stereo, 192 kbit/s: the tests' stream.", tune}};
}

}  // namespace glorbe::tools
