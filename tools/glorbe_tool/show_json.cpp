#include "glorbe_tool/show_json.h"

#include <algorithm>

#include "glorbe_tool/json_writer.h"
#include "scripts/material_table.h"
#include "scripts/scene_tables.h"
#include "scripts/sprite_script.h"
#include "sequencer/sequence_script.h"
#include "sequencer/sequencer_state.h"

namespace glorbe::tools {

namespace {

// GL values by their names; 0 (never set) as null, unknown values as numbers.
void glValue(JsonWriter& out, GLenum v) {
  static const std::pair<GLenum, const char*> names[] = {
      {GL_ZERO, nullptr},
      {GL_ONE, "GL_ONE"},
      {GL_SRC_COLOR, "GL_SRC_COLOR"},
      {GL_ONE_MINUS_SRC_COLOR, "GL_ONE_MINUS_SRC_COLOR"},
      {GL_SRC_ALPHA, "GL_SRC_ALPHA"},
      {GL_ONE_MINUS_SRC_ALPHA, "GL_ONE_MINUS_SRC_ALPHA"},
      {GL_DST_ALPHA, "GL_DST_ALPHA"},
      {GL_ONE_MINUS_DST_ALPHA, "GL_ONE_MINUS_DST_ALPHA"},
      {GL_DST_COLOR, "GL_DST_COLOR"},
      {GL_ONE_MINUS_DST_COLOR, "GL_ONE_MINUS_DST_COLOR"},
      {GL_MODULATE, "GL_MODULATE"},
      {GL_REPLACE, "GL_REPLACE"},
      {GL_DECAL, "GL_DECAL"},
      {GL_BLEND, "GL_BLEND"},
      {GL_ADD, "GL_ADD"},
  };
  for (const auto& [value, name] : names) {
    if (value != v) continue;
    if (name == nullptr) out.null();
    else out.value(name);
    return;
  }
  out.value(static_cast<int64_t>(v));
}

// A texture as its GL name and the first material that holds it (null when
// none does, as for toon ramps); no texture as null.
void texture(JsonWriter& out, GLuint id) {
  if (id == 0) {
    out.null();
    return;
  }
  out.beginObject(true);
  out.member("id", id);
  out.key("material");
  const auto& materials = materialTable.materials;
  const auto it = std::find_if(materials.begin(), materials.end(), [&](const Material& m) { return m.texture == id; });
  if (it == materials.end()) out.null();
  else out.value(it->name);
  out.endObject();
}

void vec(JsonWriter& out, const Vec3& v) {
  const float f[3] = {v.x, v.y, v.z};
  out.floats(f, 3);
}

void box(JsonWriter& out, bool has, const BoxCorners& corners) {
  if (!has) {
    out.null();
    return;
  }
  out.beginArray(true);
  for (const Vec3& c : corners) vec(out, c);
  out.endArray();
}

void keys(JsonWriter& out, const KeyTrack& track) {
  out.beginArray();
  const int32_t count = std::clamp<int32_t>(track.count, 0, static_cast<int32_t>(track.keys.size()));
  for (int32_t i = 0; i < count; ++i) {
    const Key& k = track.keys[static_cast<size_t>(i)];
    out.beginArray(true).value(k.tick).value(k.tension);
    vec(out, k.value);
    out.endArray();
  }
  out.endArray();
}

void rotationKeys(JsonWriter& out, const RotationTrack& track) {
  out.beginArray();
  const int32_t count = std::clamp<int32_t>(track.count, 0, static_cast<int32_t>(track.keys.size()));
  for (int32_t i = 0; i < count; ++i) {
    const RotationKey& k = track.keys[static_cast<size_t>(i)];
    const float q[4] = {k.q.w, k.q.x, k.q.y, k.q.z};
    out.beginArray(true).value(k.tick);
    out.floats(q, 4);
    out.endArray();
  }
  out.endArray();
}

void object(JsonWriter& out, const SceneObject& o) {
  out.beginObject();
  out.member("name", o.name);
  out.member("parentName", o.parentName);
  out.member("isDummy", o.isDummy);
  out.member("ready", o.ready);
  out.member("hidden", isHidden(o));
  out.member("terrainMesh", o.terrainMesh);
  out.member("vertexCount", o.vertexCount);
  out.member("faceCount", o.faceCount);
  out.member("edgeCount", static_cast<int64_t>(o.edges.size()));
  out.member("frameCount", static_cast<int64_t>(o.frameVertices.size()));
  out.member("morphCount", o.morphCount);
  out.member("textureMapOn", o.textureMapOn);
  out.member("envMapOn", o.envMapOn);
  out.member("blended", o.blended);
  out.member("bumpMapOn", o.bumpMapOn);
  out.member("toonOn", o.toonOn);
  out.member("castsShadow", o.castsShadow);
  out.member("flexOn", o.flexOn);
  out.key("blendFactors").beginArray(true);
  glValue(out, o.blendSrcFactor);
  glValue(out, o.blendDstFactor);
  out.endArray();
  out.key("texture");
  texture(out, o.texture);
  out.key("textureEnvMode");
  glValue(out, o.textureEnvMode);
  out.key("envTexture");
  texture(out, o.envTexture);
  out.key("envEnvMode");
  glValue(out, o.envEnvMode);
  out.member("envLinear", o.envLinear);
  out.key("envPlaneS").floats(o.envPlaneS.data(), 4);
  out.key("envPlaneT").floats(o.envPlaneT.data(), 4);
  out.key("bumpTextures").beginArray(true);
  texture(out, o.bumpTextureA);
  texture(out, o.bumpTextureB);
  out.endArray();
  out.key("bumpEnvModes").beginArray(true);
  glValue(out, o.bumpEnvModeA);
  glValue(out, o.bumpEnvModeB);
  out.endArray();
  out.key("toonTexture");
  texture(out, o.toonTexture);
  out.key("toonEnvMode");
  glValue(out, o.toonEnvMode);
  out.key("toonFactors").beginArray(true);
  glValue(out, o.toonSrcFactor);
  glValue(out, o.toonDstFactor);
  out.endArray();
  out.member("silhouette", o.silhouette);
  out.member("silhouetteFlag", o.silhouetteFlag);
  out.key("surface").floats(o.surface.data(), o.surface.size());
  out.key("flex").beginObject();
  out.member("stiffness", o.flexStiffness);
  out.member("damping", o.flexDamping);
  out.member("contact", o.flexContact);
  out.member("mass", o.flexMass);
  out.member("inverseMass", o.flexInverseMass);
  out.member("drag", o.flexDrag);
  out.key("gravity");
  vec(out, o.flexGravity);
  out.endObject();
  out.key("meshOrigin");
  vec(out, o.meshOrigin);
  out.key("box");
  box(out, o.hasBox, o.boxCorners);
  out.key("positionKeys");
  keys(out, o.positionTrack);
  out.key("scaleKeys");
  keys(out, o.scaleTrack);
  out.key("rotationKeys");
  rotationKeys(out, o.rotationTrack);
  out.endObject();
}

void light(JsonWriter& out, const SceneLight& l, bool inUse) {
  out.beginObject();
  out.member("name", l.name);
  out.member("inUse", inUse);
  out.key("position");
  vec(out, l.position);
  out.key("color").floats(l.color.data(), 3);
  out.member("size", l.size);
  out.member("pulseRate", l.pulseRate);
  out.member("pulsePhase", l.pulsePhase);
  out.member("pulseAmount", l.pulseAmount);
  out.key("flareTextures").beginArray(true);
  texture(out, l.flareTextureA);
  texture(out, l.flareTextureB);
  out.endArray();
  out.key("flareEnvModes").beginArray(true);
  glValue(out, l.flareEnvModeA);
  glValue(out, l.flareEnvModeB);
  out.endArray();
  out.key("positionKeys");
  keys(out, l.positionTrack);
  out.endObject();
}

void camera(JsonWriter& out, const SceneCamera& c) {
  out.beginObject();
  out.member("name", c.name);
  out.key("position");
  vec(out, c.position);
  out.key("target");
  vec(out, c.target);
  out.member("roll", c.roll);
  out.member("lens", c.lens);
  out.member("zScale", c.zScale);
  out.key("positionKeys");
  keys(out, c.positionTrack);
  out.key("targetKeys");
  keys(out, c.targetTrack);
  out.key("rollKeys");
  keys(out, c.rollTrack);
  out.endObject();
}

void particleSystem(JsonWriter& out, const ParticleSystem& p) {
  out.beginObject();
  out.member("name", p.name);
  out.member("particleCount", p.particleCount);
  out.member("lifeBase", p.lifeBase);
  out.member("lifeRange", p.lifeRange);
  out.member("quadSize", p.quadSize);
  out.member("emitSpread", p.emitSpread);
  out.member("velocitySpread", p.velocitySpread);
  out.key("position");
  vec(out, p.position);
  out.key("baseVelocity");
  vec(out, p.baseVelocity);
  out.key("gravity");
  vec(out, p.gravity);
  out.key("color").floats(p.color.data(), 3);
  out.member("enabled", p.enabled);
  out.member("sizeFollowsFade", p.sizeFollowsFade);
  out.key("box");
  box(out, p.hasBox, p.boxCorners);
  out.key("texture");
  texture(out, p.texture);
  out.key("textureEnvMode");
  glValue(out, p.textureEnvMode);
  out.endObject();
}

void scene(JsonWriter& out, const Scene& s) {
  out.beginObject();
  out.member("name", s.name);
  out.member("objectCount", static_cast<int64_t>(s.objects.size()));
  out.member("lightCount", s.lightCount);
  out.key("ambient").floats(s.ambientColour.data(), 3);
  out.member("useAmbient", s.useAmbient);
  out.key("fog").beginObject();
  out.member("on", s.fogOn);
  out.key("color").floats(s.fogColor.data(), 3);
  out.member("density", s.fogDensity);
  out.member("start", s.fogStart);
  out.member("end", s.fogEnd);
  out.endObject();
  out.member("shadow", s.shadow);
  out.member("addShadow", s.addShadow);
  out.member("shadowStrength", s.shadowStrength);
  out.member("terrainIndex", s.terrainIndex);
  out.member("currentCamera", s.currentCamera);
  out.member("animationStart", s.animationStart);
  out.member("animationEnd", s.animationEnd);
  out.key("objects").beginArray();
  for (const SceneObject& o : s.objects) object(out, o);
  out.endArray();
  out.key("lights").beginArray();
  for (size_t i = 0; i < s.lights.size(); ++i) light(out, s.lights[i], static_cast<int64_t>(i) < s.lightCount);
  out.endArray();
  out.key("cameras").beginArray();
  for (const SceneCamera& c : s.cameras) camera(out, c);
  out.endArray();
  out.key("particleSystems").beginArray();
  for (const ParticleSystem& p : s.particleSystems) particleSystem(out, p);
  out.endArray();
  out.endObject();
}

int64_t nonZero(const std::vector<uint8_t>& map) {
  return std::count_if(map.begin(), map.end(), [](uint8_t b) { return b != 0; });
}

void terrain(JsonWriter& out, const LodTerrain& t) {
  out.beginObject(true);
  out.member("name", t.name);
  out.member("gridWidth", t.gridWidth);
  out.member("gridHeight", t.gridHeight);
  out.member("lodSetting", t.lodSetting);
  out.key("scale");
  vec(out, t.scale);
  out.member("sceneIndex", t.sceneIndex);
  out.member("objectIndex", t.objectIndex);
  out.key("heightRange").beginArray(true);
  if (t.heightMap.empty()) {
    out.null().null();
  } else {
    const auto [lo, hi] = std::minmax_element(t.heightMap.begin(), t.heightMap.end());
    out.value(int64_t{*lo}).value(int64_t{*hi});
  }
  out.endArray();
  out.member("roughCells", nonZero(t.derivedMap));
  out.member("placedCells", nonZero(t.modelMap));
  out.endObject();
}

}  // namespace

std::string showTablesJson() {
  JsonWriter out;
  out.beginObject();
  out.key("materials").beginArray();
  for (const Material& m : materialTable.materials) {
    out.beginObject(true);
    out.member("name", m.name);
    out.member("texture", m.texture);
    out.member("translucent", m.translucent);
    out.endObject();
  }
  out.endArray();

  out.key("sprites").beginArray();
  for (const Sprite& s : spriteTables.sprites) {
    out.beginObject(true);
    out.member("name", s.name);
    out.key("texture");
    texture(out, s.texture);
    out.key("envMode");
    glValue(out, s.envMode);
    out.key("size").floats(s.size.data(), 2);
    out.key("grid").beginArray(true).value(s.gridColumns).value(s.gridRows).endArray();
    out.endObject();
  }
  out.endArray();

  out.key("moveLists").beginArray();
  for (const MoveList& m : spriteTables.moveLists) {
    out.beginObject(true);
    out.member("name", m.name);
    out.key("texture");
    texture(out, m.texture);
    out.member("width", m.width);
    out.member("height", m.height);
    out.key("brush").beginArray(true).value(m.brushWidth).value(m.brushHeight).endArray();
    out.member("brushType", m.brushType);
    out.endObject();
  }
  out.endArray();

  out.key("scenes").beginArray();
  for (const Scene& s : sceneTables.scenes) scene(out, s);
  out.endArray();

  out.key("terrains").beginArray();
  for (const LodTerrain& t : sceneTables.terrains) terrain(out, t);
  out.endArray();

  out.key("timeline").beginObject();
  out.member("startTick", sequencer.script.startTick);
  out.member("endTick", sequencer.script.endTick);
  out.member("tracks", static_cast<int64_t>(sequencer.script.tracks.size()));
  out.endObject();
  out.endObject();
  return out.text();
}

}  // namespace glorbe::tools
