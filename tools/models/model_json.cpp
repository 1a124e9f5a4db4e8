#include "models/model_json.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "geometry/object_animation.h"
#include "scripts/scene_finishing.h"
#include "glorbe_tool/content_lookup.h"

namespace glorbe::tools {

std::string jsonNumber(float v) {
  if (!std::isfinite(v)) return "null";
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return ec == std::errc() ? std::string(buffer, end) : "null";
}

namespace {

std::string list(const float* values, size_t n) {
  std::string out = "[";
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) out += ", ";
    out += jsonNumber(values[i]);
  }
  return out + "]";
}

std::string vec(const Vec3& v) {
  const float xyz[3] = {v.x, v.y, v.z};
  return list(xyz, 3);
}

std::string quat(const Quaternion& q) {
  const float wxyz[4] = {q.w, q.x, q.y, q.z};
  return list(wxyz, 4);
}

std::string matrix(const Matrix& m) { return list(m.data(), 16); }

// The first `count` entries of `items`, each through `one`, on one line.
template <typename T, typename F>
std::string array(const std::vector<T>& items, int64_t count, F one) {
  const size_t n = static_cast<size_t>(std::clamp<int64_t>(count, 0, static_cast<int64_t>(items.size())));
  std::string out = "[";
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) out += ", ";
    out += one(items[i]);
  }
  return out + "]";
}

std::string keys(const KeyTrack& track) {
  return array(track.keys, track.count, [](const Key& k) {
    return std::string("{\"tick\": ") + std::to_string(k.tick) + ", \"tension\": " + jsonNumber(k.tension) +
           ", \"value\": " + vec(k.value) + "}";
  });
}

std::string rotationKeys(const RotationTrack& track) {
  return array(track.keys, track.count, [](const RotationKey& k) {
    return std::string("{\"tick\": ") + std::to_string(k.tick) + ", \"q\": " + quat(k.q) + ", \"inControl\": " +
           quat(k.inControl) + ", \"outControl\": " + quat(k.outControl) + "}";
  });
}

// The edge list scene finishing builds for an object that casts shadows,
// in its order; open edges are 65533 + k. None for dummies.
std::string edges(const SceneObject& o) {
  if (o.isDummy) return "[]";
  SceneObject copy;
  copy.vertices = o.vertices;
  copy.faces = o.faces;
  copy.vertexCount = o.vertexCount;
  copy.faceCount = o.faceCount;
  buildEdgeList(copy);
  return array(copy.edges, static_cast<int64_t>(copy.edges.size()), [](const Edge& e) {
    return std::string("[") + std::to_string(e.face) + ", " + std::to_string(e.other) + "]";
  });
}

std::string field(const char* name, const std::string& value, bool last = false) {
  return std::string("      \"") + name + "\": " + value + (last ? "\n" : ",\n");
}

std::string objectJson(const Scene& scene, size_t index, std::optional<int32_t> atTick) {
  const SceneObject& o = scene.objects[index];
  std::string s = "    {\n";
  s += field("name", jsonString(o.name));
  s += field("parentName", jsonString(o.parentName));
  s += field("parentIndex", std::to_string(o.parentIndex));
  s += field("isDummy", o.isDummy ? "true" : "false");
  s += field("vertexCount", std::to_string(o.vertexCount));
  s += field("faceCount", std::to_string(o.faceCount));
  s += field("vertices", array(o.vertices, o.vertexCount, vec));
  s += field("faces", array(o.faces, o.faceCount, [](const Face& f) {
               return std::string("[") + std::to_string(f[0]) + ", " + std::to_string(f[1]) + ", " + std::to_string(f[2]) + "]";
             }));
  s += field("faceFlags", array(o.faceFlags, o.faceCount, [](uint16_t f) { return std::to_string(f); }));
  s += field("texCoords", array(o.texCoords, o.vertexCount, [](const TexCoord& t) {
               const float uv[2] = {t.u, t.v};
               return list(uv, 2);
             }));
  s += field("normals", array(o.normals, o.vertexCount, vec));
  s += field("faceNormals", array(o.faceNormals, o.faceCount, vec));
  s += field("edges", edges(o));
  s += field("boxCorners", array(std::vector<Vec3>(o.boxCorners.begin(), o.boxCorners.end()), 8, vec));
  s += field("meshMatrix", matrix(o.meshMatrix));
  s += field("meshInverse", matrix(o.meshInverse));
  s += field("meshOrigin", vec(o.meshOrigin));
  s += field("positionKeys", keys(o.positionTrack));
  s += field("scaleKeys", keys(o.scaleTrack));
  if (atTick) {
    s += field("rotationKeys", rotationKeys(o.rotationTrack));
    Matrix forward = identityMatrix();
    composeObjectTransform(forward, scene, static_cast<int32_t>(index), *atTick, true, false);
    Matrix inverse = identityMatrix();
    composeObjectTransform(inverse, scene, static_cast<int32_t>(index), *atTick, true, true);
    s += field("matrix", matrix(forward));
    s += field("inverseMatrix", matrix(inverse), true);
  } else {
    s += field("rotationKeys", rotationKeys(o.rotationTrack), true);
  }
  return s + "    }";
}

std::string lightJson(const SceneLight& l) {
  std::string s = "    {\n";
  s += field("name", jsonString(l.name));
  s += field("position", vec(l.position));
  s += field("color", list(l.color.data(), 3));
  s += field("positionKeys", keys(l.positionTrack), true);
  return s + "    }";
}

std::string cameraJson(const SceneCamera& c) {
  std::string s = "    {\n";
  s += field("name", jsonString(c.name));
  s += field("position", vec(c.position));
  s += field("target", vec(c.target));
  s += field("roll", jsonNumber(c.roll));
  s += field("lens", jsonNumber(c.lens));
  s += field("zScale", jsonNumber(c.zScale));
  s += field("positionKeys", keys(c.positionTrack));
  s += field("targetKeys", keys(c.targetTrack));
  s += field("rollKeys", keys(c.rollTrack), true);
  return s + "    }";
}

template <typename T, typename F>
std::string records(const std::vector<T>& items, F one) {
  if (items.empty()) return "[]";
  std::string s = "[\n";
  for (size_t i = 0; i < items.size(); ++i) s += one(i) + (i + 1 < items.size() ? ",\n" : "\n");
  return s + "  ]";
}

}  // namespace

std::string modelJson(const Scene& scene, std::optional<int32_t> atTick) {
  std::string s = "{\n";
  s += "  \"ambient\": " + list(scene.ambientColour.data(), 3) + ",\n";
  s += "  \"animationStart\": " + std::to_string(scene.animationStart) + ",\n";
  s += "  \"animationEnd\": " + std::to_string(scene.animationEnd) + ",\n";
  s += "  \"lightCount\": " + std::to_string(scene.lightCount) + ",\n";
  s += "  \"objects\": " + records(scene.objects, [&](size_t i) { return objectJson(scene, i, atTick); }) + ",\n";
  s += "  \"lights\": " + records(scene.lights, [&](size_t i) { return lightJson(scene.lights[i]); }) + ",\n";
  s += "  \"cameras\": " + records(scene.cameras, [&](size_t i) { return cameraJson(scene.cameras[i]); }) + "\n";
  return s + "}\n";
}

}  // namespace glorbe::tools
