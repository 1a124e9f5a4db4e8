#include "geometry/mesh_ops.h"

#include <algorithm>

namespace glorbe {

namespace {

Vec3 sub(const Vec3& a, const Vec3& b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }

int32_t usableVertices(const SceneObject& object) {
  return std::clamp<int32_t>(object.vertexCount, 0, static_cast<int32_t>(object.vertices.size()));
}

int32_t usableFaces(const SceneObject& object) {
  return std::clamp<int32_t>(object.faceCount, 0, static_cast<int32_t>(object.faces.size()));
}

}  // namespace

void computeMeshNormals(SceneObject& object) {
  const int32_t vertexCount = usableVertices(object);
  const int32_t faceCount = usableFaces(object);
  if (vertexCount == 0 || faceCount == 0) return;
  if (object.normals.size() < static_cast<size_t>(vertexCount)) object.normals.resize(static_cast<size_t>(vertexCount));
  if (object.faceNormals.size() < static_cast<size_t>(faceCount)) object.faceNormals.resize(static_cast<size_t>(faceCount));
  std::fill(object.normals.begin(), object.normals.begin() + vertexCount, Vec3{});
  const auto limit = static_cast<uint32_t>(vertexCount);
  for (int32_t f = 0; f < faceCount; ++f) {
    const Face& face = object.faces[static_cast<size_t>(f)];
    if (face[0] >= limit || face[1] >= limit || face[2] >= limit) continue;
    const Vec3& a = object.vertices[face[0]];
    const Vec3& b = object.vertices[face[1]];
    const Vec3& c = object.vertices[face[2]];
    Vec3 n = cross(sub(b, a), sub(c, a));
    normalise(n);
    object.faceNormals[static_cast<size_t>(f)] = n;
    for (uint32_t corner : face) {
      Vec3& sum = object.normals[corner];
      sum.x += n.x;
      sum.y += n.y;
      sum.z += n.z;
    }
  }
  for (int32_t i = 0; i < vertexCount; ++i) {
    Vec3& n = object.normals[static_cast<size_t>(i)];
    normalise(n);
    if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) n = Vec3{0, 0, 1};
  }
}

void computeMeshBox(SceneObject& object) {
  const int32_t vertexCount = usableVertices(object);
  if (vertexCount == 0) return;
  Vec3 lo{kBoxStart, kBoxStart, kBoxStart};
  Vec3 hi{-kBoxStart, -kBoxStart, -kBoxStart};
  for (int32_t i = 0; i < vertexCount; ++i) {
    const Vec3& v = object.vertices[static_cast<size_t>(i)];
    lo = Vec3{std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
    hi = Vec3{std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
  }
  object.boxCorners = {Vec3{lo.x, lo.y, lo.z}, Vec3{lo.x, lo.y, hi.z}, Vec3{hi.x, lo.y, lo.z}, Vec3{hi.x, lo.y, hi.z},
                       Vec3{lo.x, hi.y, lo.z}, Vec3{lo.x, hi.y, hi.z}, Vec3{hi.x, hi.y, lo.z}, Vec3{hi.x, hi.y, hi.z}};
  object.hasBox = true;
}

}  // namespace glorbe
