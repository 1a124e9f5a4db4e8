// glorbe-tool model: builds .3DS models from their text form, shows a model
// as the engine reads it, and compares our reader with lib3ds.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <optional>
#include <string>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "core/core.h"
#include "geometry/model_reader.h"
#include "glorbe_tool/commands.h"
#include "glorbe_tool/content_lookup.h"
#include "models/lib3ds_compare.h"
#include "models/model_json.h"
#include "models/model_source.h"
#include "models/model_writer.h"

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

int buildModel(const std::string& sourcePath, const std::string& outPath) {
  std::ifstream in(sourcePath, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "glorbe-tool: cannot read %s\n", sourcePath.c_str());
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  ModelSource source;
  ModelMessages messages;
  const bool ok = parseModelSource(text.str(), sourcePath, source, messages);
  for (const std::string& w : messages.warnings) std::fprintf(stderr, "%s\n", w.c_str());
  for (const std::string& e : messages.errors) std::fprintf(stderr, "%s\n", e.c_str());
  if (!ok) {
    std::fprintf(stderr, "glorbe-tool: %s not written\n", outPath.c_str());
    return 1;
  }
  std::string error;
  if (!writeModel3ds(source, outPath, error)) {
    std::fprintf(stderr, "glorbe-tool: %s\n", error.c_str());
    return 1;
  }
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(outPath, ec);
  if (!ec && bytes > static_cast<uintmax_t>(kLoadSlotSize)) {
    std::fprintf(stderr, "%s: warning: %ju bytes; the player loads a model of at most %d bytes\n", outPath.c_str(),
                 static_cast<uintmax_t>(bytes), kLoadSlotSize);
  }
  size_t meshes = 0, dummies = 0, vertices = 0, faces = 0;
  for (const SourceObject& o : source.objects) {
    (o.isDummy ? dummies : meshes) += 1;
    vertices += o.mesh.vertices.size();
    faces += o.mesh.faces.size();
  }
  std::printf("%s: %zu meshes, %zu dummies, %zu cameras, %zu lights, %zu vertices, %zu faces, %ju bytes\n",
              outPath.c_str(), meshes, dummies, source.cameras.size(), source.lights.size(), vertices, faces,
              static_cast<uintmax_t>(ec ? 0 : bytes));
  return 0;
}

int checkModel(const std::string& path) {
  const std::vector<std::string> differences = compareWithLib3ds(path);
  for (const std::string& d : differences) std::printf("%s\n", d.c_str());
  if (!differences.empty()) return 1;
  std::printf("%s: our reader and lib3ds agree\n", path.c_str());
  return 0;
}

}  // namespace

int runModelCommand(const Args& args) {
  const ToolCommand& self = findToolCommand("model");
  if (args.empty()) return usageError(self, "expected an action: build, dump or check");
  if (args[0] == "build") {
    if (args.size() != 3) return usageError(self, "expected: build SOURCE OUT.3ds");
    return buildModel(args[1], args[2]);
  }
  if (args[0] == "check") {
    if (args.size() != 2) return usageError(self, "expected: check FILE.3ds");
    return checkModel(args[1]);
  }
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
