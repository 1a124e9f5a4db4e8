// glorbe-tool script dump: a scene script as the engine's line reader sees
// it, one JSON object per line.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "glorbe_tool/commands.h"
#include "glorbe_tool/content_lookup.h"
#include "scripts/script_reader.h"

namespace glorbe::tools {


int runScriptCommand(const Args& args) {
  const ToolCommand& self = findToolCommand("script");
  if (args.size() < 2 || args[0] != "dump") return usageError(self, "expected: dump FILE");
  ArchiveChoice archive;
  std::string error;
  if (!readArchiveOption(args, 2, archive, error)) return usageError(self, error);
  const std::string& name = args[1];
  int64_t length = 0;
  if (findContentFile(name, archive.path, archive.named, length) != 0) return 1;

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

}  // namespace glorbe::tools
