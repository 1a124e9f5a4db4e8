// The edge-list rule written the straight way: every face compared with
// every other face in order. It is what buildEdgeList must reproduce, entry
// for entry, and what the benchmark measures it against; the tests use it as
// the reference on meshes made to trip the indexed search.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/scene_records.h"

namespace glorbe::reference {

inline std::vector<Edge> quadraticEdgeList(const SceneObject& object) {
  std::vector<Edge> edges;
  const size_t faceCount = static_cast<size_t>(std::clamp<int32_t>(object.faceCount, 0, int32_t(object.faces.size())));
  const size_t vertexCount =
      static_cast<size_t>(std::clamp<int32_t>(object.vertexCount, 0, int32_t(object.vertices.size())));
  if (object.terrainMesh || faceCount == 0 || faceCount >= kOpenEdgeMark) return edges;
  // A corner outside the vertices equals nothing.
  const auto corner = [&](size_t f, int s) -> const Vec3* {
    const uint32_t i = object.faces[f][static_cast<size_t>(s)];
    return i < vertexCount ? &object.vertices[i] : nullptr;
  };
  for (size_t q = 0; q < faceCount; ++q) {
    int uses[3] = {0, 0, 0};
    for (size_t r = 0; r < faceCount; ++r) {
      if (r == q) continue;
      int matches = 0, recorded[2] = {0, 0};
      for (int s = 0; s < 3; ++s) {
        for (int t = 0; t < 3; ++t) {
          const Vec3* a = corner(q, s);
          const Vec3* b = corner(r, t);
          if (a == nullptr || b == nullptr || !vec3Equal(*a, *b)) continue;
          if (matches < 2) recorded[matches] = s;
          if (++matches > 2) break;
        }
      }
      if (matches < 2 || recorded[0] == recorded[1]) continue;
      bool listed = false;
      for (const Edge& e : edges) {
        listed = listed || (e.face == q && e.other == r) || (e.face == r && e.other == q);
      }
      if (!listed) edges.push_back({static_cast<uint16_t>(q), static_cast<uint16_t>(r)});
      ++uses[recorded[0]];
      ++uses[recorded[1]];
    }
    for (int s = 0; s < 3; ++s) {
      for (int t = 0; t < 3; ++t) {
        if (s == t || uses[s] >= 2 || uses[t] >= 2) continue;
        ++uses[s];
        ++uses[t];
        const int k = (s + t == 1) ? 0 : (s + t == 3) ? 1 : 2;
        edges.push_back({static_cast<uint16_t>(q), static_cast<uint16_t>(kOpenEdgeMark + k)});
      }
    }
  }
  return edges;
}

}  // namespace glorbe::reference
