// The scene reader: the sections "3DS" (scenes from model files, their
// ambient light, fog, shadows, morphing and particle systems), "LODTERRAIN"
// (terrain scenes), "OBJS" (how objects are drawn) and "LIGHTS" (halos and
// pulsing). Keys of "3DS", "OBJS" and "LIGHTS" act on the scene created
// last, by this script or an earlier one; a scene is finished (its objects
// made ready) when the next scene header comes or the script ends. A key
// that reaches a finished scene and asks for a shadow, a soft body or a bump
// map builds what that needs at once, so no drawn object lacks it.
#include <algorithm>
#include <cmath>

#include "archive/load_buffer.h"
#include "common/names.h"
#include "geometry/model_reader.h"
#include "geometry/particle_setup.h"
#include "scripts/material_table.h"
#include "scripts/number_conversion.h"
#include "scripts/scene_finishing.h"
#include "scripts/scene_script_readers.h"
#include "scripts/scene_tables.h"
#include "scripts/script_reader.h"
#include "scripts/terrain_section.h"
#include "textures/texture_upload.h"

namespace glorbe {

namespace {

// Bounds on PARSYS values that would otherwise exhaust memory, overflow the
// spread's conversion to thousandths or make the fading divide by zero.
constexpr int32_t kMostParticles = 1000000;
constexpr int32_t kLongestLife = 1000000;  // ticks, for lifeBase and lifeRange each
constexpr float kWidestSpread = 1000000.0f;

using Values = std::vector<std::string>;

std::string upperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// Selections and counters that live for one script.
struct SceneScriptReader {
  std::string source;  // the script's name, for conversion errors
  std::string objectPattern;
  std::string lightPattern;
  int32_t pulseCounter = 1;
  int32_t pendingScene = -1;  // created by this script and not yet finished

  float real(const Values& v, size_t i) const { return convertFloat(v[i], source); }
  int32_t integer(const Values& v, size_t i) const { return convertInteger(v[i], source); }
  bool flag(const Values& v, size_t i) const { return convertFlag(v[i], source); }
  Vec3 vec(const Values& v, size_t i) const { return Vec3{real(v, i), real(v, i + 1), real(v, i + 2)}; }

  // Finishes the pending scene, if any. Called at every scene header, at the
  // end of the script and before a new scene is made, so a scene is never
  // left unfinished.
  void finishPending() {
    if (pendingScene >= 0 && static_cast<size_t>(pendingScene) < sceneTables.scenes.size()) {
      finaliseScene(sceneTables.scenes[static_cast<size_t>(pendingScene)]);
    }
    pendingScene = -1;
  }

  template <typename Apply>
  void forSelectedObjects(Scene& scene, Apply apply) const {
    for (SceneObject& object : scene.objects) {
      if (nameContains(upperCase(object.name), objectPattern)) apply(object);
    }
  }

  // The lights in use (at most eight), in order, whose names contain `pattern`.
  template <typename Apply>
  static void forLights(Scene& scene, const std::string& pattern, Apply apply) {
    const size_t used = static_cast<size_t>(std::clamp<int32_t>(scene.lightCount, 0, static_cast<int32_t>(scene.lights.size())));
    for (size_t i = 0; i < used; ++i) {
      if (nameContains(upperCase(scene.lights[i].name), pattern)) apply(scene.lights[i]);
    }
  }

  void sceneKey(const std::string& key, const Values& v, int count);
  void particleSystems(Scene& scene, const Values& v);
  void objectKey(Scene& scene, const std::string& key, const Values& v, int count);
  void lightKey(Scene& scene, const std::string& key, const Values& v, int count);
};

Scene* lastScene() { return sceneTables.scenes.empty() ? nullptr : &sceneTables.scenes.back(); }

// ---- 3DS ------------------------------------------------------------------------

void SceneScriptReader::sceneKey(const std::string& key, const Values& v, int count) {
  if (key == "SCENENAME" && count >= 1) {
    finishPending();
    Scene& scene = sceneTables.scenes.emplace_back();
    initScene(scene, v[0]);
    loadModel(v[0], scene);
    scene.name = v[0].substr(0, kSceneNameLength);
    pendingScene = static_cast<int32_t>(sceneTables.scenes.size() - 1);
    return;
  }
  Scene* scene = lastScene();
  if (scene == nullptr) return;  // no scene yet: nothing to act on

  if (key == "LODTERRAIN" && count >= 1) {
    for (size_t i = 0; i < sceneTables.terrains.size(); ++i) {
      if (sceneTables.terrains[i].name == v[0]) {
        scene->terrainIndex = static_cast<int32_t>(i);
        break;
      }
    }
  } else if (key == "AMBIENT" && (count == 0 || count >= 3)) {
    // No values switch the ambient term off; one or two are no colour.
    scene->useAmbient = count >= 3;
    scene->ambientColour = count >= 3 ? std::array<float, 3>{real(v, 0), real(v, 1), real(v, 2)}
                                      : std::array<float, 3>{0, 0, 0};
  } else if (key == "SHADOW" && count >= 1) {
    scene->shadow = flag(v, 0);
  } else if (key == "ADDSHADOW" && count >= 1) {
    scene->addShadow = flag(v, 0);
  } else if (key == "SHADOWSTRENGTH" && count >= 1) {
    scene->shadowStrength = real(v, 0);
  } else if (key == "FOG" && count >= 6) {
    scene->fogColor = {real(v, 0), real(v, 1), real(v, 2)};
    scene->fogDensity = real(v, 3);
    scene->fogStart = real(v, 4);
    scene->fogEnd = real(v, 5);
    scene->fogOn = true;
  } else if (key == "MORPH" && count >= 1) {
    const int32_t frames = integer(v, 0);
    const Vec3 scale = count >= 4 ? vec(v, 1) : Vec3{1, 1, 1};
    setupMorph(*scene, scale, frames);
  } else if (key == "PARSYS" && count >= 22) {
    particleSystems(*scene, v);
  }
}

float spreadValue(float spread) {
  if (std::isnan(spread)) return 0.0f;
  return std::clamp(spread, -kWidestSpread, kWidestSpread);
}

void SceneScriptReader::particleSystems(Scene& scene, const Values& v) {
  const Material* material = findMaterial(v[1]);
  const Vec3 velocity = vec(v, 8);
  const Vec3 gravity = vec(v, 11);
  const int32_t particleCount = std::clamp(integer(v, 14), 0, kMostParticles);
  const int32_t lifeBase = std::clamp(integer(v, 15), 0, kLongestLife);
  const int32_t lifeRange = std::clamp(integer(v, 16), 0, kLongestLife);
  const float quadSize = real(v, 17);
  const float emitSpread = spreadValue(real(v, 18));
  const float velocitySpread = spreadValue(real(v, 19));
  const bool withBounds = flag(v, 20);
  const bool sizeFollowsFade = flag(v, 21);
  // Particles fade over lifeBase + lifeRange - 1 ticks: a shorter life
  // leaves nothing to fade over, and the system is not made.
  if (lifeBase + lifeRange <= 1) return;

  // "?" takes a light's colour component; without a light it is 1.
  std::array<bool, 3> fromLight{};
  std::array<float, 3> color{};
  for (size_t k = 0; k < 3; ++k) {
    fromLight[k] = v[2 + k] == "?";
    color[k] = fromLight[k] ? 1.0f : real(v, 2 + k);
  }

  const auto make = [&](const std::array<float, 3>& c, const Vec3& position, const std::string& name) {
    ParticleSystem& system = scene.particleSystems.emplace_back();
    createParticleSystem(system, c[0], c[1], c[2], position, velocity, gravity, particleCount, lifeBase, lifeRange,
                         quadSize, emitSpread, velocitySpread, {});
    if (withBounds) computeParticleBounds(system);
    system.sizeFollowsFade = sizeFollowsFade;
    system.texture = material != nullptr ? material->texture : 0;
    system.textureEnvMode = GL_MODULATE;
    system.name = name.substr(0, kSceneNameLength);
  };

  bool anyLight = false;
  forLights(scene, v[0], [&](const SceneLight& light) {
    anyLight = true;
    std::array<float, 3> c = color;
    for (size_t k = 0; k < 3; ++k) {
      if (fromLight[k]) c[k] = light.color[k];
    }
    make(c, light.position, light.name);
  });
  if (!anyLight) make(color, vec(v, 5), v[0]);
}

// ---- OBJS -----------------------------------------------------------------------

// Blend factors by keyword; other words leave the factor as it was.
void sourceFactor(const std::string& word, GLenum& factor) {
  if (word == "SRCA") factor = GL_SRC_ALPHA;
  else if (word == "DSTC") factor = GL_DST_COLOR;
  else if (word == "ONE") factor = GL_ONE;
}

void objectDestinationFactor(const std::string& word, GLenum& factor) {
  if (word == "ONE") factor = GL_ONE;
  else if (word == "SRCC") factor = GL_SRC_COLOR;
  else if (word == "ONEM") factor = GL_ONE_MINUS_SRC_ALPHA;
}

void toonDestinationFactor(const std::string& word, GLenum& factor) {
  if (word == "ONE") factor = GL_ONE;
  else if (word == "SRCC") factor = GL_SRC_COLOR;
}

// Sets `texture` from the material named `name`; unknown names change nothing.
void textureFrom(const std::string& name, GLuint& texture) {
  if (const Material* m = findMaterial(name)) texture = m->texture;
}

void SceneScriptReader::objectKey(Scene& scene, const std::string& key, const Values& v, int count) {
  if (key == "SURFACE" && count >= 10) {
    std::array<float, 10> surface{};
    for (size_t i = 0; i < 10; ++i) surface[i] = real(v, i);
    forSelectedObjects(scene, [&](SceneObject& o) { o.surface = surface; });
  } else if (key == "SHADOW" && count >= 1) {
    const bool casts = flag(v, 0);
    forSelectedObjects(scene, [&](SceneObject& o) {
      o.castsShadow = casts;
      finishLateChange(o);
    });
  } else if (key == "BLENDFUNC" && count >= 2) {
    forSelectedObjects(scene, [&](SceneObject& o) {
      o.blended = true;
      sourceFactor(v[0], o.blendSrcFactor);
      objectDestinationFactor(v[1], o.blendDstFactor);
    });
  } else if (key == "FLEX" && count >= 8) {
    float p[8];
    for (size_t i = 0; i < 8; ++i) p[i] = real(v, i);
    forSelectedObjects(scene, [&](SceneObject& o) {
      if (o.terrainMesh) return;  // rebuilt every frame: it cannot be a soft body
      o.flexOn = true;
      o.flexStiffness = p[0];
      o.flexDamping = p[1];
      o.flexContact = p[2];
      o.flexMass = p[3];
      o.flexDrag = p[4];
      o.flexGravity = Vec3{p[5], p[6], p[7]};
      finishLateChange(o);
    });
  } else if (key == "TOON" && count >= 3) {
    const float r = real(v, 0), g = real(v, 1), b = real(v, 2);
    GLuint ramp = 0;  // one ramp per line, made for the first object that takes it
    forSelectedObjects(scene, [&](SceneObject& o) {
      if (ramp == 0) ramp = createShadeRampTexture(r, g, b);
      o.toonOn = true;
      o.textureMapOn = false;
      o.bumpMapOn = false;
      o.toonTexture = ramp;
      o.toonEnvMode = GL_MODULATE;
      if (count >= 5) {
        sourceFactor(v[3], o.toonSrcFactor);
        toonDestinationFactor(v[4], o.toonDstFactor);
      }
    });
  } else if (key == "TEXTUREMAP" && count == 0) {
    forSelectedObjects(scene, [&](SceneObject& o) { o.textureMapOn = false; });
  } else if (key == "TEXTUREMAP") {
    const Material* material = findMaterial(v[0]);
    GLenum mode = GL_MODULATE;
    if (count >= 2 && v[1] == "REPLACE") mode = GL_REPLACE;
    forSelectedObjects(scene, [&](SceneObject& o) {
      o.textureMapOn = true;
      o.toonOn = false;
      if (material != nullptr) {
        o.texture = material->texture;
        o.blended = material->translucent;  // also undoes an earlier BLENDFUNC
      }
      o.textureEnvMode = mode;
    });
  } else if (key == "BUMPMAP" && count >= 2) {
    forSelectedObjects(scene, [&](SceneObject& o) {
      o.bumpMapOn = true;
      o.toonOn = false;
      textureFrom(v[0], o.bumpTextureA);
      textureFrom(v[1], o.bumpTextureB);
      o.bumpEnvModeA = GL_REPLACE;
      o.bumpEnvModeB = GL_REPLACE;
      finishLateChange(o);
    });
  } else if (key == "ENVMAP" && count >= 1) {
    const bool linear = count >= 8 && v[1] == "LINEAR";
    std::array<float, 4> planeS{}, planeT{};
    if (linear) {
      planeS = {real(v, 2), real(v, 3), real(v, 4), 0};
      planeT = {real(v, 5), real(v, 6), real(v, 7), 0};
    }
    forSelectedObjects(scene, [&](SceneObject& o) {
      o.envMapOn = true;
      textureFrom(v[0], o.envTexture);
      o.envEnvMode = GL_REPLACE;
      if (linear) {
        o.envLinear = 1;
        o.envPlaneS = planeS;
        o.envPlaneT = planeT;
      }
    });
  } else if (key == "SILHOUETTE" && count >= 1) {
    const int32_t width = integer(v, 0);
    const bool withFlag = count >= 2;
    const bool flagValue = withFlag && flag(v, 1);
    forSelectedObjects(scene, [&](SceneObject& o) {
      o.silhouette = width;
      if (withFlag) o.silhouetteFlag = flagValue;
    });
  } else if (key == "VERTEXFX" && count >= 1) {
    const int32_t frames = integer(v, 0);
    if (frames <= 0) return;
    forSelectedObjects(scene, [&](SceneObject& o) {
      if (o.terrainMesh) return;  // its vertices are rebuilt every frame
      const size_t n = static_cast<size_t>(std::clamp<int32_t>(o.vertexCount, 0, static_cast<int32_t>(o.vertices.size())));
      const size_t withNormals = std::min(n, o.normals.size());
      for (int32_t i = 0; i < frames && static_cast<int32_t>(o.frameVertices.size()) < kMaxVertexFrames; ++i) {
        o.frameVertices.emplace_back(o.vertices.begin(), o.vertices.begin() + static_cast<ptrdiff_t>(n));
        std::vector<Vec3>& normals = o.frameNormals.emplace_back(o.normals.begin(),
                                                                   o.normals.begin() + static_cast<ptrdiff_t>(withNormals));
        normals.resize(n, Vec3{0, 0, 1});
      }
    });
  }
}

// ---- LIGHTS ---------------------------------------------------------------------

void SceneScriptReader::lightKey(Scene& scene, const std::string& key, const Values& v, int count) {
  if (key == "TEXTUREMAP" && count >= 2) {
    forLights(scene, lightPattern, [&](SceneLight& light) {
      textureFrom(v[0], light.flareTextureA);
      textureFrom(v[1], light.flareTextureB);
      light.flareEnvModeA = GL_MODULATE;
      light.flareEnvModeB = GL_MODULATE;
    });
  } else if (key == "SIZE" && count >= 1) {
    const float size = real(v, 0);
    forLights(scene, lightPattern, [&](SceneLight& light) { light.size = size; });
  } else if (key == "PULSATE" && count >= 3) {
    const float rate = real(v, 0), step = real(v, 1), amount = real(v, 2);
    // The k-th light matched since CURRENTLIGHT gets k steps of phase, so a
    // row of lights pulses one after the other.
    forLights(scene, lightPattern, [&](SceneLight& light) {
      light.pulseRate = rate;
      light.pulsePhase = step * static_cast<float>(pulseCounter);
      ++pulseCounter;
      light.pulseAmount = amount;
    });
  }
}

}  // namespace

void parseSceneScript(const std::string& fileName) {
  LoadedFile file;
  loadFile(file, fileName);
  SceneScriptReader reader;
  reader.source = fileName;
  std::string section, key;
  Values values;
  for (;;) {
    bool isSection = false;
    const std::string text = nextLine(file, isSection);
    if (text.empty() && !isSection) break;
    if (isSection) {
      section = text;
      if (section == "3DS" || section == "LODTERRAIN") reader.finishPending();
      continue;
    }
    const int count = splitKeyLine(text, key, values);
    if (section == "LODTERRAIN") {
      if (key == "PARAM" && count >= 14) {
        reader.finishPending();
        reader.pendingScene = addLodTerrain(values, count, fileName);
      }
      continue;
    }
    // Selections persist across sections until set again.
    if (section == "OBJS" && key == "CURRENTOBJ" && count >= 1) {
      reader.objectPattern = values[0];
      continue;
    }
    if (section == "LIGHTS" && key == "CURRENTLIGHT" && count >= 1) {
      reader.lightPattern = values[0];
      reader.pulseCounter = 1;
      continue;
    }
    if (section == "3DS") {
      reader.sceneKey(key, values, count);
      continue;
    }
    Scene* scene = lastScene();
    if (scene == nullptr) continue;
    if (section == "OBJS") reader.objectKey(*scene, key, values, count);
    else if (section == "LIGHTS") reader.lightKey(*scene, key, values, count);
  }
  releaseFile(file);
  reader.finishPending();
}

}  // namespace glorbe
