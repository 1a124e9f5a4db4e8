// glorbe-tool model: builds .3DS models from their text form, shows a model
// as the engine reads it, compares our reader with lib3ds, and previews the
// object deformers on a model's object.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "core/core.h"
#include "geometry/model_reader.h"
#include "glorbe_tool/commands.h"
#include "glorbe_tool/content_lookup.h"
#include "glorbe_tool/json_writer.h"
#include "models/lib3ds_compare.h"
#include "models/model_json.h"
#include "models/model_source.h"
#include "models/model_writer.h"
#include "render/distortion.h"
#include "render/scene_commands.h"

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
  std::string text;
  if (!readSourceFile(sourcePath, text)) return 1;
  ModelSource source;
  ModelMessages messages;
  if (!reportSource(parseModelSource(text, sourcePath, source, messages), messages, outPath)) return 1;
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

// ---- model distort ---------------------------------------------------------------

// A deformer and how many numbers follow its word.
struct DeformerWords {
  const char* word;
  size_t numbers;
  const char* names;
};

constexpr DeformerWords kDeformers[] = {
    {"bend", 3, "A1 A2 A3"},
    {"twist", 6, "W1 W2 W3 TX TY TZ"},
    {"wobble", 7, "PHASE1 PHASE2 PHASE3 RATE3 RATE2 RATE1 AMOUNT"},
    {"objdistort", 8, "STYLE AX AY AZ SX SY SZ TICK"},
};

bool parseReal(const std::string& text, float& value) {
  char* end = nullptr;
  errno = 0;
  const float v = std::strtof(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool parseWhole(const std::string& text, int32_t& value) { return parseTick(text, value); }

void vecArray(JsonWriter& out, const std::string& name, const std::vector<Vec3>& values, size_t count) {
  out.key(name).beginArray();
  for (size_t i = 0; i < count; ++i) {
    const float xyz[3] = {values[i].x, values[i].y, values[i].z};
    out.floats(xyz, 3);
  }
  out.endArray();
}

int distortModel(const Invocation& call) {
  const std::string& file = call.argument(0);
  const std::string& objectName = call.argument(1);
  const std::string& word = call.argument(2);
  const DeformerWords* deformer = nullptr;
  for (const DeformerWords& d : kDeformers) {
    if (word == d.word) deformer = &d;
  }
  if (deformer == nullptr) {
    return cli::usageError(call, "unknown deformer \"" + word + "\": bend, twist, wobble or objdistort");
  }
  const size_t given = call.arguments.size() - 3;
  if (given != deformer->numbers) {
    return cli::usageError(call, std::string(deformer->word) + " takes " + std::to_string(deformer->numbers) +
                                     " numbers (" + deformer->names + "), not " + std::to_string(given));
  }
  std::vector<float> numbers(deformer->numbers);
  SceneObjDistortValues timeline;
  int32_t tick = 0;
  for (size_t i = 0; i < deformer->numbers; ++i) {
    const std::string& text = call.argument(3 + i);
    const bool whole = deformer->word == std::string("objdistort") && (i == 0 || i == 7);
    int32_t w = 0;
    if (whole ? !parseWhole(text, w) : !parseReal(text, numbers[i])) {
      return cli::usageError(call, std::string(whole ? "a whole number" : "a finite number") + " was expected, not \"" +
                                       text + "\"");
    }
    if (whole) numbers[i] = static_cast<float>(w);
    if (whole && i == 0) timeline.style = w;
    if (whole && i == 7) tick = w;
  }
  int32_t times = 1;
  if (const auto t = call.value("times")) {
    if (!parseWhole(*t, times) || times < 0) {
      return cli::usageError(call, "--times takes a whole number of at least 0, not \"" + *t + "\"");
    }
  }

  int64_t length = 0;
  if (findContentFile(file, "velk.dat", false, length) != 0) return 1;
  if (length > kLoadSlotSize) {
    return cli::failure(call, file + " is " + std::to_string(length) + " bytes; the player loads a model of at most " +
                                  std::to_string(kLoadSlotSize));
  }
  allocateLoadBuffer();
  Scene scene;
  loadModel(file, scene);
  if (archiveStatus() != kStatusOk) return cli::failure(call, file + " could not be read whole");
  SceneObject* object = nullptr;
  std::string names;
  for (SceneObject& o : scene.objects) {
    if (o.isDummy) continue;
    names += (names.empty() ? "" : ", ") + o.name;
    if (object == nullptr && o.name == objectName) object = &o;
  }
  if (object == nullptr) {
    return cli::failure(call, "no mesh named \"" + objectName + "\" in " + file +
                                  (names.empty() ? std::string(" (it has none)") : " (meshes: " + names + ")"));
  }

  // As if it had been drawn in the last frame, with frame 0 from the mesh
  // as loaded.
  SceneObject& o = *object;
  o.ready = true;
  o.visibleThisFrame = true;
  o.castsShadow = call.has("casts-shadow");
  const size_t vertexCount = static_cast<size_t>(std::max(o.vertexCount, 0));
  const size_t faceCount = static_cast<size_t>(std::max(o.faceCount, 0));
  o.frameVertices = {std::vector<Vec3>(o.vertices.begin(), o.vertices.begin() + static_cast<ptrdiff_t>(vertexCount))};
  o.frameNormals = {std::vector<Vec3>(o.normals.begin(), o.normals.begin() + static_cast<ptrdiff_t>(vertexCount))};
  if (word == "objdistort") {
    timeline.ax = numbers[1];
    timeline.ay = numbers[2];
    timeline.az = numbers[3];
    timeline.sx = numbers[4];
    timeline.sy = numbers[5];
    timeline.sz = numbers[6];
  }
  const auto& a = numbers;
  for (int32_t n = 0; n < times; ++n) {
    if (word == "bend") {
      bendObject(o, 0, a[0], a[1], a[2]);
    } else if (word == "twist") {
      twistObject(o, 0, a[0], a[1], a[2], a[3], a[4], a[5]);
    } else if (word == "wobble") {
      wobbleObject(o, 0, a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    } else {
      distortSceneObject(o, timeline, tick);
    }
  }

  JsonWriter out;
  out.beginObject();
  out.member("object", o.name);
  vecArray(out, "vertices", o.vertices, vertexCount);
  vecArray(out, "normals", o.normals, std::min(vertexCount, o.normals.size()));
  vecArray(out, "faceNormals", o.faceNormals, std::min(faceCount, o.faceNormals.size()));
  out.endObject();
  std::fwrite(out.text().data(), 1, out.text().size(), stdout);
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
      {"model distort", "FILE.3ds OBJECT DEFORMER ARGS...", 4, -1,
       {{"casts-shadow", nullptr, "the object casts a shadow: its face normals are recomputed (not unit)"},
        {"times", "N", "apply the deformer N times (default 1; 0 prints the mesh as loaded)"}},
       "One mesh of a .3DS model after a deformer, as JSON: {\"object\", \"vertices\", \"normals\", "
       "\"faceNormals\"}.\n"
       "OBJECT is the mesh's exact name; it counts as drawn and not hidden, its source frame the mesh as loaded.\n"
       "DEFORMER ARGS: bend A1 A2 A3 | twist W1 W2 W3 TX TY TZ |\n"
       "  wobble PHASE1 PHASE2 PHASE3 RATE3 RATE2 RATE1 AMOUNT |\n"
       "  objdistort STYLE AX AY AZ SX SY SZ TICK (the timeline command at that local tick).\n"
       "FILE is looked up on disk first, then in velk.dat.",
       distortModel},
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
