// Meshes built by hand for the renderer's tests and benchmarks: quads,
// boxes and spheres with their normals, boxes and edge lists, made ready to
// draw the way scene finishing leaves an object.
#pragma once

#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

#include "geometry/mesh_ops.h"
#include "geometry/model_reader.h"
#include "geometry/scene_records.h"

namespace glorbe::testing {

// The edge list of scene finishing: one entry per pair of faces that share
// an edge (corners matched by position), and an open-edge mark for every
// face edge that no other face shares.
inline void buildTestEdgeList(SceneObject& o) {
  using Key = std::tuple<float, float, float, float, float, float>;
  auto key = [&](uint32_t a, uint32_t b) {
    const Vec3& p = o.vertices[a];
    const Vec3& q = o.vertices[b];
    std::tuple<float, float, float> pa{p.x, p.y, p.z}, qa{q.x, q.y, q.z};
    if (qa < pa) std::swap(pa, qa);
    return Key{std::get<0>(pa), std::get<1>(pa), std::get<2>(pa), std::get<0>(qa), std::get<1>(qa), std::get<2>(qa)};
  };
  std::map<Key, std::vector<std::pair<uint16_t, int>>> byEdge;
  for (size_t f = 0; f < static_cast<size_t>(o.faceCount); ++f) {
    for (int k = 0; k < 3; ++k) {
      byEdge[key(o.faces[f][static_cast<size_t>(k)], o.faces[f][static_cast<size_t>((k + 1) % 3)])].push_back(
          {static_cast<uint16_t>(f), k});
    }
  }
  o.edges.clear();
  for (const auto& [edgeKey, users] : byEdge) {
    if (users.size() >= 2) {
      o.edges.push_back(Edge{users[0].first, users[1].first});
    } else {
      o.edges.push_back(Edge{users[0].first, static_cast<uint16_t>(kOpenEdgeMark + users[0].second)});
    }
  }
}

// Counts, normals, box, face flags and edges for the vertices and faces
// already in the object; the object is ready to draw.
inline void finishTestMesh(SceneObject& o) {
  o.vertexCount = static_cast<int32_t>(o.vertices.size());
  o.faceCount = static_cast<int32_t>(o.faces.size());
  if (o.texCoords.size() < o.vertices.size()) o.texCoords.resize(o.vertices.size());
  o.normals.assign(o.vertices.size(), Vec3{});
  o.faceNormals.assign(o.faces.size(), Vec3{});
  computeMeshNormals(o);
  computeMeshBox(o);
  o.faceFlags.assign(o.faces.size(), 0);
  buildTestEdgeList(o);
  o.ready = true;
}

// A rectangle in the plane y = centre.y facing -y (towards a camera on the
// -y side), texture coordinates 0..1 across it.
inline int32_t addTestQuadXZ(Scene& scene, const std::string& name, Vec3 centre, float halfX, float halfZ) {
  const int32_t index = addEmptyObject(scene, name);
  SceneObject& o = scene.objects[static_cast<size_t>(index)];
  const float x0 = centre.x - halfX, x1 = centre.x + halfX, z0 = centre.z - halfZ, z1 = centre.z + halfZ;
  o.vertices = {{x0, centre.y, z0}, {x1, centre.y, z0}, {x1, centre.y, z1}, {x0, centre.y, z1}};
  o.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  o.faces = {Face{0, 1, 2}, Face{0, 2, 3}};
  finishTestMesh(o);
  return index;
}

// A rectangle in the plane z = centre.z facing +z (a floor seen from above).
inline int32_t addTestQuadXY(Scene& scene, const std::string& name, Vec3 centre, float halfX, float halfY) {
  const int32_t index = addEmptyObject(scene, name);
  SceneObject& o = scene.objects[static_cast<size_t>(index)];
  const float x0 = centre.x - halfX, x1 = centre.x + halfX, y0 = centre.y - halfY, y1 = centre.y + halfY;
  o.vertices = {{x0, y0, centre.z}, {x1, y0, centre.z}, {x1, y1, centre.z}, {x0, y1, centre.z}};
  o.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  o.faces = {Face{0, 1, 2}, Face{0, 2, 3}};
  finishTestMesh(o);
  return index;
}

// An axis-aligned box with outward faces. With splitCorners every triangle
// has vertices of its own (coinciding in position with its neighbours').
inline int32_t addTestBox(Scene& scene, const std::string& name, Vec3 minCorner, Vec3 maxCorner,
                          bool splitCorners = false) {
  static constexpr std::array<std::array<int, 3>, 12> kTriangles{{{4, 2, 0},
                                                                  {4, 6, 2},
                                                                  {6, 3, 2},
                                                                  {6, 7, 3},
                                                                  {7, 1, 3},
                                                                  {7, 5, 1},
                                                                  {5, 0, 1},
                                                                  {5, 4, 0},
                                                                  {0, 3, 1},
                                                                  {0, 2, 3},
                                                                  {5, 6, 4},
                                                                  {5, 7, 6}}};
  const int32_t index = addEmptyObject(scene, name);
  SceneObject& o = scene.objects[static_cast<size_t>(index)];
  std::array<Vec3, 8> corners;
  for (int c = 0; c < 8; ++c) {
    corners[static_cast<size_t>(c)] =
        Vec3{(c & 2) ? maxCorner.x : minCorner.x, (c & 4) ? maxCorner.y : minCorner.y, (c & 1) ? maxCorner.z : minCorner.z};
  }
  if (splitCorners) {
    for (const auto& t : kTriangles) {
      const uint32_t base = static_cast<uint32_t>(o.vertices.size());
      for (int k = 0; k < 3; ++k) o.vertices.push_back(corners[static_cast<size_t>(t[static_cast<size_t>(k)])]);
      o.faces.push_back(Face{base, base + 1, base + 2});
    }
  } else {
    o.vertices.assign(corners.begin(), corners.end());
    for (const auto& t : kTriangles) {
      o.faces.push_back(Face{static_cast<uint32_t>(t[0]), static_cast<uint32_t>(t[1]), static_cast<uint32_t>(t[2])});
    }
  }
  o.texCoords.assign(o.vertices.size(), TexCoord{0.5f, 0.5f});
  finishTestMesh(o);
  return index;
}

// A sphere of rings x segments quads (two triangles each), outward faces,
// texture coordinates by longitude and latitude.
inline int32_t addTestSphere(Scene& scene, const std::string& name, Vec3 centre, float radius, int rings,
                             int segments) {
  const int32_t index = addEmptyObject(scene, name);
  SceneObject& o = scene.objects[static_cast<size_t>(index)];
  const float pi = 3.14159265f;
  for (int r = 0; r <= rings; ++r) {
    const float theta = pi * static_cast<float>(r) / static_cast<float>(rings);  // from the top
    for (int s = 0; s <= segments; ++s) {
      const float phi = 2 * pi * static_cast<float>(s) / static_cast<float>(segments);
      o.vertices.push_back(Vec3{centre.x + radius * std::sin(theta) * std::cos(phi),
                                centre.y + radius * std::sin(theta) * std::sin(phi), centre.z + radius * std::cos(theta)});
      o.texCoords.push_back(
          TexCoord{static_cast<float>(s) / static_cast<float>(segments), static_cast<float>(r) / static_cast<float>(rings)});
    }
  }
  const uint32_t row = static_cast<uint32_t>(segments + 1);
  for (uint32_t r = 0; r < static_cast<uint32_t>(rings); ++r) {
    for (uint32_t s = 0; s < static_cast<uint32_t>(segments); ++s) {
      const uint32_t a = r * row + s, b = a + 1, c = a + row, d = c + 1;
      if (r != 0) o.faces.push_back(Face{a, c, b});
      if (r + 1 != static_cast<uint32_t>(rings)) o.faces.push_back(Face{b, c, d});
    }
  }
  finishTestMesh(o);
  return index;
}

inline void addTestLight(Scene& scene, const std::string& name, Vec3 position, std::array<float, 3> colour) {
  SceneLight& light = scene.lights.emplace_back();
  light.name = name;
  light.position = position;
  light.color = colour;
  scene.lightCount = static_cast<int32_t>(scene.lights.size());
}

inline void addTestCamera(Scene& scene, const std::string& name, Vec3 position, Vec3 target) {
  SceneCamera& camera = scene.cameras.emplace_back();
  camera.name = name;
  camera.position = position;
  camera.target = target;
}

}  // namespace glorbe::testing
