// glorbe-tool script dump: a scene script as the engine's line reader sees
// it, one JSON object per line.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "core/core.h"
#include "glorbe_tool/commands.h"
#include "glorbe_tool/content_lookup.h"
#include "scripts/script_reader.h"

namespace glorbe::tools {


namespace {

int dumpScript(const Invocation& call) {
  const ArchiveChoice archive = archiveChoice(call);
  const std::string& archivePath = archive.path;
  const bool archiveNamed = archive.named;
  const std::string& name = call.argument(0);
  int64_t length = 0;
  if (findContentFile(name, archivePath, archiveNamed, length) != 0) return 1;

  allocateLoadBuffer();
  LoadedFile file;
  loadFile(file, name);
  if (file.end - file.pos != length) {
    std::fprintf(stderr, "glorbe-tool: %s could not be read whole (status %d)\n", name.c_str(), archiveStatus());
    releaseFile(file);
    return 1;
  }
  std::string key;
  std::vector<std::string> values;
  for (;;) {
    bool isSection = false;
    const std::string text = nextLine(file, isSection);
    if (text.empty() && !isSection) break;
    if (isSection) {
      std::printf("{\"section\":%s}\n", jsonString(text).c_str());
      continue;
    }
    splitKeyLine(text, key, values);
    std::string line = "{\"key\":" + jsonString(key) + ",\"values\":[";
    for (size_t i = 0; i < values.size(); ++i) {
      if (i > 0) line += ',';
      line += jsonString(values[i]);
    }
    std::printf("%s]}\n", line.c_str());
  }
  releaseFile(file);
  return 0;
}

}  // namespace

std::vector<Command> scriptCommands() {
  return {{"script dump", "FILE", 1, 1, {kArchiveOption},
           "A scene script as the engine reads it, one JSON object per line.\n"
           "FILE is looked up on disk first, then in the archive.",
           dumpScript}};
}

}  // namespace glorbe::tools
