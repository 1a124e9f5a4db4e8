#include "glorbe_tool/show_rules.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdio>
#include <set>
#include <sstream>

#include "archive/load_buffer.h"
#include "common/ascii.h"
#include "common/names.h"
#include "geometry/model_reader.h"
#include "scripts/scene_tables.h"
#include "sequencer/sequencer_state.h"

namespace glorbe::tools {

namespace {

constexpr int64_t kModelLimit = kLoadSlotSize;  // a model shares the buffer with its script
constexpr int32_t kFaceLimit = kOpenEdgeMark;   // face numbers of edge lists stay below it

std::string trim(const std::string& s) {
  const size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// The script reader's view of a line: upper case, "//" comment cut, trimmed.
std::vector<std::string> cleanedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (const size_t c = line.find("//"); c != std::string::npos) line.resize(c);
    upperCaseAscii(line);
    line = trim(line);
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

void splitKey(const std::string& line, std::string& key, std::vector<std::string>& values) {
  values.clear();
  const size_t eq = line.find('=');
  key = trim(line.substr(0, eq));
  if (eq == std::string::npos) return;
  std::istringstream rest(line.substr(eq + 1));
  std::string value;
  while (std::getline(rest, value, ',')) values.push_back(trim(value));
}

bool isPowerOfTwoSide(long side) { return side >= 2 && side <= 4096 && (side & (side - 1)) == 0; }

long integerOr(const std::string& text, long fallback) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  return end != text.c_str() && *end == '\0' ? v : fallback;
}

bool endsWith3ds(const std::string& name) { return name.size() > 4 && name.compare(name.size() - 4, 4, ".3DS") == 0; }

void checkModelFile(const std::string& where, const std::string& file, const ContentFiles& files,
                    std::vector<std::string>& out) {
  const int64_t bytes = files.size(file);
  if (bytes < 0) {
    out.push_back(where + ": the model " + file + " is found nowhere; the scene stays empty");
  } else if (bytes > kModelLimit) {
    out.push_back(where + ": the model " + file + " has " + std::to_string(bytes) +
                  " bytes; a model read from a script may have at most 500,000 (slot B of the load buffer)");
  }
}

bool isTerrainScene(const std::vector<LodTerrain>& terrains, size_t sceneIndex) {
  return std::any_of(terrains.begin(), terrains.end(),
                     [&](const LodTerrain& t) { return t.sceneIndex >= 0 && static_cast<size_t>(t.sceneIndex) == sceneIndex; });
}

const SequenceParam* param(const SequenceItem& item, const char* word) {
  for (const SequenceParam& p : item.params) {
    if (p.name == word) return &p;
  }
  return nullptr;
}

std::string text(const SequenceItem& item, const char* word) {
  const SequenceParam* p = param(item, word);
  return p == nullptr ? std::string() : p->text;
}

bool isItem(const SequenceItem& item, const char* category, const char* command) {
  return item.category == category && item.command == command;
}

bool clearsStencil(const SequenceItem& item) {
  if (!isItem(item, "GL", "STATE") || text(item, "NAME") != "CLEAR") return false;
  const SequenceParam* value = param(item, "VALUE");
  return value != nullptr && value->mode == kModeConstant && (static_cast<int>(value->constant + 0.5f) & 4) != 0;
}

bool covers(const SequenceTrack& outer, const SequenceTrack& inner) {
  return outer.start <= inner.start && outer.start + outer.length >= inner.start + inner.length;
}

bool overlaps(const SequenceTrack& a, const SequenceTrack& b) {
  return a.start <= b.start + b.length && b.start <= a.start + a.length;
}

// The scenes a RENDER (or another SCENE3D command) with this name reaches.
std::vector<size_t> scenesNamed(const std::vector<Scene>& scenes, const std::vector<LodTerrain>& terrains,
                                const std::string& name) {
  std::vector<size_t> found;
  for (size_t s = 0; s < scenes.size(); ++s) {
    if (nameContains(scenes[s].name, name) && !isTerrainScene(terrains, s)) found.push_back(s);
  }
  return found;
}

std::vector<std::string> renderNames(const SequenceItem& item) {
  std::vector<std::string> names;
  if (!isItem(item, "SCENE3D", "RENDER")) return names;
  for (const SequenceParam& p : item.params) {
    if (p.name == "NAME" && !p.text.empty()) names.push_back(p.text);
  }
  return names;
}

bool keysMove(const KeyTrack& track) {
  for (int32_t k = 1; k < track.count && k < static_cast<int32_t>(track.keys.size()); ++k) {
    const Vec3& a = track.keys[0].value;
    const Vec3& b = track.keys[k].value;
    if (a.x != b.x || a.y != b.y || a.z != b.z) return true;
  }
  return false;
}

bool rotationMoves(const RotationTrack& track) {
  for (int32_t k = 1; k < track.count && k < static_cast<int32_t>(track.keys.size()); ++k) {
    const Quaternion& a = track.keys[0].q;
    const Quaternion& b = track.keys[k].q;
    if (a.w != b.w || a.x != b.x || a.y != b.y || a.z != b.z) return true;
  }
  return false;
}

bool objectMoves(const Scene& scene, const SceneObject& object, int depth = 0) {
  if (keysMove(object.positionTrack) || keysMove(object.scaleTrack) || rotationMoves(object.rotationTrack)) return true;
  if (object.parentIndex == kNoParent || object.parentIndex >= scene.objects.size() || depth > 64) return false;
  return objectMoves(scene, scene.objects[object.parentIndex], depth + 1);
}

std::string sceneObject(const Scene& scene, const SceneObject& object) { return scene.name + " / " + object.name; }

void objectRules(const Scene& scene, std::vector<std::string>& out) {
  const bool hasSoftBody =
      std::any_of(scene.objects.begin(), scene.objects.end(), [](const SceneObject& o) { return o.flexOn; });
  for (const SceneObject& o : scene.objects) {
    if (o.isDummy || o.terrainMesh) continue;
    const std::string where = sceneObject(scene, o);
    if ((o.castsShadow || o.flexOn) && o.faceCount >= kFaceLimit) {
      out.push_back(where + ": " + std::to_string(o.faceCount) +
                    " faces; shadow casters and soft bodies need fewer than 65,533 (0xFFFD) for their edge list");
    }
    static constexpr std::array<float, 10> kSurface{1, 1, 1, 1, 1, 1, 1, 1, 1, 0.8f};
    const bool surfaceSet = o.surface != kSurface;
    if (!std::equal(o.surface.begin(), o.surface.begin() + 6, kSurface.begin())) {
      out.push_back(where + ": SURFACE ambient and diffuse are hidden by colour-material; only specular and shininess act");
    }
    const bool unlit = !o.textureMapOn || o.textureEnvMode == GL_REPLACE;
    if (surfaceSet && unlit) {
      out.push_back(where + ": SURFACE on an unlit object (untextured, GL_REPLACE or toon) changes nothing");
    }
    if (o.frameVertices.size() >= 2 && o.morphCount <= 0) {
      out.push_back(where + ": " + std::to_string(o.frameVertices.size()) +
                    " vertex frames (VERTEXFX) never play without a MORPH count");
    }
    if (o.flexOn) {
      const auto open = std::count_if(o.edges.begin(), o.edges.end(), [](const Edge& e) { return e.other >= kOpenEdgeMark; });
      if (open > 0 || o.edges.empty()) {
        out.push_back(where + ": a soft body must be a closed, welded mesh; it has " + std::to_string(open) +
                      " open edges (weld its seams)");
      }
    } else if (hasSoftBody && objectMoves(scene, o)) {
      out.push_back(where + ": moves, but soft bodies meet their colliders where these stood at load");
    }
  }
}

}  // namespace

std::vector<std::string> scriptRuleWarnings(const std::vector<ScriptSource>& scripts, const std::vector<Scene>& scenes,
                                            const ContentFiles& files) {
  std::vector<std::string> out;
  std::vector<std::pair<std::string, std::string>> lightColourPatterns;  // script, pattern
  for (const ScriptSource& script : scripts) {
    std::string section, model, key;
    std::vector<std::string> v;
    int lineNumber = 0;
    for (const std::string& line : cleanedLines(script.text)) {
      ++lineNumber;
      if (line.size() >= 3 && line.front() == '[' && line.back() == ']') {
        section = line.substr(1, line.size() - 2);
        continue;
      }
      splitKey(line, key, v);
      const std::string where = script.name;
      if (section == "3DS" && key == "SCENENAME" && !v.empty()) {
        model = v[0];
        checkModelFile(where, model, files, out);
      } else if (section == "3DS" && key == "MORPH" && !v.empty() && !model.empty() && files.size(model) >= 0) {
        const std::vector<int32_t> counts = files.meshVertexCounts(model);
        for (size_t k = 1; k < counts.size(); ++k) {
          if (counts[k] == counts[0]) continue;
          out.push_back(where + ": MORPH target " + std::to_string(k) + " of " + model + " has " +
                        std::to_string(counts[k]) + " vertices and object 0 " + std::to_string(counts[0]) +
                        "; MORPH targets share object 0's vertex order and count" +
                        (counts[k] < counts[0] ? " (this one is left out)" : ""));
        }
      } else if (section == "3DS" && key == "PARSYS" && v.size() >= 5) {
        if (v[2] == "?" || v[3] == "?" || v[4] == "?") lightColourPatterns.emplace_back(where, v[0]);
      } else if (section == "LODTERRAIN" && key == "PARAM" && v.size() >= 14) {
        model.clear();
        const long w = integerOr(v[1], 0), h = integerOr(v[2], 0), level = integerOr(v[8], 0);
        if (!isPowerOfTwoSide(w) || !isPowerOfTwoSide(h)) {
          out.push_back(where + ": terrain " + v[0] + " is " + v[1] + " x " + v[2] +
                        "; terrain sides are powers of two from 2 to 4096, so it makes no terrain");
        } else if (w > 256 || h > 256) {
          out.push_back(where + ": terrain " + v[0] + " is " + v[1] + " x " + v[2] +
                        "; sides of 256 or less keep the frame time down");
        }
        if (level < 0 || level > 4) {
          out.push_back(where + ": terrain " + v[0] + " has resolution setting " + v[8] + "; it is held to 0..4");
        }
        for (size_t k = 14; k < v.size() && k < 16; ++k) {
          if (endsWith3ds(v[k])) checkModelFile(where, v[k], files, out);
        }
      }
    }
  }
  for (const auto& [where, pattern] : lightColourPatterns) {
    bool found = false;
    for (const Scene& scene : scenes) {
      for (int32_t i = 0; i < scene.lightCount && i < static_cast<int32_t>(scene.lights.size()); ++i) {
        found = found || nameContains(asciiUpperCopy(scene.lights[i].name), pattern);
      }
    }
    if (!found) {
      out.push_back(where + ": PARSYS " + pattern + " takes \"?\" colours from a light, but no light's name holds " +
                    pattern + " (the colour is white and the system stands still)");
    }
  }
  return out;
}

std::vector<std::string> tableRuleWarnings(const std::vector<Scene>& scenes, const std::vector<LodTerrain>& terrains,
                                           const SequenceScript& timeline) {
  std::vector<std::string> out;
  for (const Scene& scene : scenes) objectRules(scene, out);

  // Scenes the timeline draws, and where.
  std::set<size_t> rendered;
  for (const SequenceTrack& track : timeline.tracks) {
    for (size_t i = 0; i < track.items.size(); ++i) {
      const SequenceItem& item = track.items[i];
      for (const std::string& name : renderNames(item)) {
        const std::vector<size_t> found = scenesNamed(scenes, terrains, name);
        if (found.empty()) out.push_back("timeline: RENDER " + name + " draws no scene");
        bool shadowed = false;
        for (const size_t s : found) {
          rendered.insert(s);
          shadowed = shadowed || scenes[s].shadow;
        }
        if (!shadowed) continue;
        bool cleared = std::any_of(track.items.begin(), track.items.begin() + static_cast<long>(i), clearsStencil);
        for (const SequenceTrack& other : timeline.tracks) {
          if (&other == &track || other.layer >= track.layer || !covers(other, track)) continue;
          cleared = cleared || std::any_of(other.items.begin(), other.items.end(), clearsStencil);
        }
        if (!cleared) {
          out.push_back("timeline: RENDER " + name +
                        " draws a shadowed scene without clearing the stencil first in its frame (GL STATE CLEAR with 4)");
        }
      }
    }
  }
  for (const size_t s : rendered) {
    const Scene& scene = scenes[s];
    if (scene.cameras.empty()) out.push_back(scene.name + ": drawn by the timeline but has no camera");
    for (int32_t i = 0; i < scene.lightCount && i < static_cast<int32_t>(scene.lights.size()); ++i) {
      const SceneLight& light = scene.lights[i];
      if (light.flareTextureA == 0 || light.flareTextureB == 0) {
        out.push_back(scene.name + " / light " + light.name +
                      ": no halo textures (LIGHTS TEXTUREMAP halo, glow); its halo and glow draw as blank squares");
      }
    }
  }

  for (const SequenceTrack& track : timeline.tracks) {
    for (const SequenceItem& item : track.items) {
      if (isItem(item, "SCENE3D", "CAM")) {
        const std::string name = text(item, "NAME"), camera = text(item, "CNAME");
        bool found = false;
        for (const size_t s : scenesNamed(scenes, terrains, name)) {
          for (const SceneCamera& c : scenes[s].cameras) found = found || asciiUpperCopy(c.name) == camera;
        }
        if (!found) {
          out.push_back("timeline: CAM " + camera + " names no camera of the scenes named " + name +
                        " (camera names match exactly)");
        }
      } else if (isItem(item, "SCENE3D", "OBJDISTORT")) {
        const std::string name = text(item, "NAME"), objectName = text(item, "ONAME");
        bool anyObject = false;
        for (const size_t s : scenesNamed(scenes, terrains, name)) {
          for (const SceneObject& o : scenes[s].objects) {
            if (o.isDummy || o.terrainMesh || !nameContains(asciiUpperCopy(o.name), objectName)) continue;
            anyObject = true;
            if (o.frameVertices.empty()) {
              out.push_back("timeline: OBJDISTORT " + objectName + ": " + sceneObject(scenes[s], o) +
                            " has no vertex frame to deform from (VERTEXFX 1)");
            }
          }
          bool drawn = false;
          for (const SequenceTrack& other : timeline.tracks) {
            if (!overlaps(other, track)) continue;
            for (const SequenceItem& r : other.items) {
              for (const std::string& n : renderNames(r)) drawn = drawn || nameContains(scenes[s].name, n);
            }
          }
          if (!drawn) {
            out.push_back("timeline: OBJDISTORT " + objectName + " deforms only objects drawn in the previous frame, and no RENDER draws " +
                          scenes[s].name + " meanwhile");
          }
        }
        if (!anyObject) out.push_back("timeline: OBJDISTORT " + objectName + " names no object of the scenes named " + name);
      }
    }
  }
  return out;
}

std::vector<std::string> showRuleWarnings() {
  static constexpr const char* kScripts[] = {"scripts\\greetz.ini", "scripts\\wembo.ini", "scripts\\battle.ini",
                                             "scripts\\guitar.ini", "scripts\\flex.ini",  "scripts\\alien.ini",
                                             "scripts\\ant.ini"};
  if (loadBufferData() == nullptr) allocateLoadBuffer();
  // A file's bytes as the player loads it (slot A holds up to the whole buffer).
  const auto bytesOf = [](const std::string& name, std::string& bytes) {
    LoadedFile file;
    loadFile(file, name);
    const int32_t length = file.end - file.pos;
    if (length > 0) bytes.assign(reinterpret_cast<const char*>(loadBufferData()) + file.pos, static_cast<size_t>(length));
    releaseFile(file);
    return length;
  };
  std::vector<ScriptSource> scripts;
  for (const char* name : kScripts) {
    ScriptSource s{name, {}};
    bytesOf(name, s.text);
    scripts.push_back(std::move(s));
  }
  ContentFiles files;
  files.size = [&](const std::string& name) -> int64_t {
    std::string bytes;
    const int32_t length = bytesOf(name, bytes);
    return length > 0 ? length : -1;
  };
  files.meshVertexCounts = [&](const std::string& name) {
    std::string bytes;
    bytesOf(name, bytes);
    Scene scene;
    readModelData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), scene);
    std::vector<int32_t> counts;
    for (const SceneObject& o : scene.objects) {
      if (!o.isDummy) counts.push_back(o.vertexCount);
    }
    return counts;
  };
  std::vector<std::string> out = scriptRuleWarnings(scripts, sceneTables.scenes, files);
  const std::vector<std::string> tables = tableRuleWarnings(sceneTables.scenes, sceneTables.terrains, sequencer.script);
  out.insert(out.end(), tables.begin(), tables.end());
  return out;
}

}  // namespace glorbe::tools
