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
  if (!makeOutputFolder(outPath, error) || !writeModel3ds(source, outPath, error)) {
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

std::vector<Command> modelCommands() {
  return {
      {"model build", "SOURCE OUT.3ds", 2, 2, {},
       "A model's text form (docs/models.md) written as a .3DS file through lib3ds.",
       [](const Invocation& call) { return buildModel(call.argument(0), call.argument(1)); }},
      {"model check", "FILE.3ds", 1, 1, {},
       "Reads the file with our reader and with lib3ds and lists where they differ (exit code 1 when they do).",
       [](const Invocation& call) { return checkModel(call.argument(0)); }},
      {"model dump", "FILE", 1, 1,
       {{"at", "TICK", "each object's transform at TICK too"},
        kArchiveOption},
       "A .3DS model as the engine reads it, one JSON document (docs/models.md).\n"
       "FILE is looked up on disk first, then in the archive.",
       [](const Invocation& call) {
         std::optional<int32_t> atTick;
         if (const auto at = call.value("at")) {
           int32_t tick = 0;
           if (!parseTick(*at, tick)) return cli::usageError(call, "--at takes a whole tick, not \"" + *at + "\"");
           atTick = tick;
         }
         const ArchiveChoice archive = archiveChoice(call);
         return dumpModel(call.argument(0), archive.path, archive.named, atTick);
       }},
  };
}

}  // namespace glorbe::tools
