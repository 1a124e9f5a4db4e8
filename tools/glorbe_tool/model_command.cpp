// glorbe-tool model: shows a model file as the engine reads it.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "core/core.h"
#include "geometry/model_reader.h"
#include "glorbe_tool/commands.h"
#include "glorbe_tool/content_lookup.h"
#include "models/model_json.h"

namespace glorbe::tools {

namespace {

bool parseTick(const std::string& text, int32_t& tick) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
  tick = static_cast<int32_t>(v);
  return true;
}

int dumpModel(const std::string& name, const std::string& archivePath, bool archiveNamed,
              std::optional<int32_t> atTick) {
  int64_t length = 0;
  if (findContentFile(name, archivePath, archiveNamed, length) != 0) return 1;
  // The player reads a model while its scene script holds the first slot.
  if (length > kLoadSlotSize) {
    std::fprintf(stderr,
                 "glorbe-tool: %s is %lld bytes; the player loads a model of at most %d bytes (next to its scene "
                 "script)\n",
                 name.c_str(), static_cast<long long>(length), kLoadSlotSize);
    return 1;
  }
  allocateLoadBuffer();
  Scene scene;
  loadModel(name, scene);
  if (archiveStatus() != kStatusOk) {
    std::fprintf(stderr, "glorbe-tool: %s could not be read whole (status %d)\n", name.c_str(), archiveStatus());
    return 1;
  }
  const std::string json = modelJson(scene, atTick);
  std::fwrite(json.data(), 1, json.size(), stdout);
  return 0;
}

}  // namespace

int runModelCommand(const Args& args) {
  const ToolCommand& self = findToolCommand("model");
  if (args.empty()) return usageError(self, "expected an action: dump");
  if (args[0] == "dump") {
    if (args.size() < 2) return usageError(self, "expected: dump FILE [--at TICK] [--archive ARCHIVE]");
    std::string archivePath = kArchiveFile;
    bool archiveNamed = false;
    std::optional<int32_t> atTick;
    for (size_t i = 2; i < args.size(); ++i) {
      if (args[i] == "--archive" && i + 1 < args.size()) {
        archivePath = args[++i];
        archiveNamed = true;
      } else if (args[i] == "--at" && i + 1 < args.size()) {
        int32_t tick = 0;
        if (!parseTick(args[++i], tick)) return usageError(self, "--at needs a whole tick, not " + args[i]);
        atTick = tick;
      } else {
        return usageError(self, "unknown option " + args[i]);
      }
    }
    return dumpModel(args[1], archivePath, archiveNamed, atTick);
  }
  return usageError(self, "unknown action \"" + args[0] + "\"");
}

}  // namespace glorbe::tools
