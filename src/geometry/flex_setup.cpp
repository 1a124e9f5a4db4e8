// The soft-body set-up: six simulation states at rest on the mesh as loaded,
// the body's parameters, and one spring per edge-list entry.
#include "geometry/flex_setup.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace glorbe {

namespace {

Vec3 sub(const Vec3& a, const Vec3& b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }

size_t usableVertices(const SceneObject& object) {
  return static_cast<size_t>(std::clamp<int32_t>(object.vertexCount, 0, static_cast<int32_t>(object.vertices.size())));
}

size_t usableFaces(const SceneObject& object) {
  return static_cast<size_t>(std::clamp<int32_t>(object.faceCount, 0, static_cast<int32_t>(object.faces.size())));
}

struct Spring {
  uint32_t a = 0, b = 0;
};

bool faceInMesh(const SceneObject& object, size_t face, size_t faceCount, size_t vertexCount) {
  if (face >= faceCount) return false;
  const Face& f = object.faces[face];
  return f[0] < vertexCount && f[1] < vertexCount && f[2] < vertexCount;
}

// The spring of an entry between two faces: the first face's two corners
// whose positions the other face has too (exact equality).
bool sharedCornerSpring(const SceneObject& object, uint32_t q, uint32_t r, Spring& spring) {
  const Face& fq = object.faces[q];
  const Face& fr = object.faces[r];
  int found = 0;
  for (int s = 0; s < 3 && found < 2; ++s) {
    const Vec3& p = object.vertices[fq[s]];
    const bool shared = vec3Equal(p, object.vertices[fr[0]]) || vec3Equal(p, object.vertices[fr[1]]) ||
                        vec3Equal(p, object.vertices[fr[2]]);
    if (!shared || (found == 1 && vec3Equal(p, object.vertices[spring.a]))) continue;
    (found == 0 ? spring.a : spring.b) = fq[s];
    ++found;
  }
  return found == 2;
}

// Per vertex the first vertex at exactly the same place (itself when there
// is none; a position with a NaN component equals nothing).
std::vector<uint32_t> twinsByPosition(const SceneObject& object, size_t vertexCount) {
  std::vector<uint32_t> twins(vertexCount);
  std::vector<uint32_t> order;
  order.reserve(vertexCount);
  for (uint32_t i = 0; i < vertexCount; ++i) {
    twins[i] = i;
    const Vec3& v = object.vertices[i];
    if (!std::isnan(v.x) && !std::isnan(v.y) && !std::isnan(v.z)) order.push_back(i);
  }
  const auto before = [&](uint32_t a, uint32_t b) {
    const Vec3& p = object.vertices[a];
    const Vec3& q = object.vertices[b];
    if (p.x != q.x) return p.x < q.x;
    if (p.y != q.y) return p.y < q.y;
    if (p.z != q.z) return p.z < q.z;
    return a < b;
  };
  std::sort(order.begin(), order.end(), before);
  for (size_t k = 1; k < order.size(); ++k) {
    if (vec3Equal(object.vertices[order[k]], object.vertices[order[k - 1]])) twins[order[k]] = twins[order[k - 1]];
  }
  return twins;
}

// The diagonal of the box round the vertices (0 when none is finite).
float restSize(const SceneObject& object, size_t vertexCount) {
  Vec3 lo{kBoxStart, kBoxStart, kBoxStart}, hi{-kBoxStart, -kBoxStart, -kBoxStart};
  for (size_t i = 0; i < vertexCount; ++i) {
    const Vec3& v = object.vertices[i];
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) continue;
    lo = Vec3{std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
    hi = Vec3{std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
  }
  if (lo.x > hi.x) return 0;
  return vec3Length(sub(hi, lo));
}

}  // namespace

void setupFlexObject(SceneObject& object, float stiffness, float damping, float contact, float mass, float drag,
                     const Vec3& gravity) {
  const size_t vertexCount = usableVertices(object);
  const size_t faceCount = usableFaces(object);

  for (FlexState& state : object.flexStates) {
    state.position.assign(vertexCount, Vec3{});
    state.velocity.assign(vertexCount, Vec3{});
    state.force.assign(vertexCount, Vec3{});
  }
  std::copy_n(object.vertices.begin(), vertexCount, object.flexStates[0].position.begin());

  object.flexStiffness = stiffness;
  object.flexDamping = damping;
  object.flexContactFactor = contact + 1.0f;
  // Not positive (NaN too): a body without mass that only drifts.
  object.flexMass = mass > 0 ? mass : 0;
  object.flexInverseMass = mass > 0 ? 1.0f / mass : 0;
  object.flexDrag = drag;
  object.flexGravity = gravity;
  object.collidesAsBox = false;
  object.flexFrozen = false;

  object.flexTwins = twinsByPosition(object, vertexCount);
  object.flexRestSize = restSize(object, vertexCount);

  // Every edge-list entry is a spring. An open-edge mark is no face: it
  // names the first face's edge from corner k to k + 1, which becomes a
  // spring along that edge, so an open mesh keeps its border in shape.
  object.flexSprings.clear();
  object.flexRestLengths.clear();
  object.flexSprings.reserve(object.edges.size());
  object.flexRestLengths.reserve(object.edges.size());
  std::unordered_set<uint64_t> sprung;
  for (const Edge& edge : object.edges) {
    if (!faceInMesh(object, edge.face, faceCount, vertexCount)) continue;
    Spring spring;
    if (edge.other >= kOpenEdgeMark) {
      const int k = edge.other - kOpenEdgeMark;  // 0, 1 or 2
      const Face& f = object.faces[edge.face];
      spring = Spring{f[static_cast<size_t>(k)], f[static_cast<size_t>((k + 1) % 3)]};
    } else if (!faceInMesh(object, edge.other, faceCount, vertexCount) ||
               !sharedCornerSpring(object, edge.face, edge.other, spring)) {
      continue;
    }
    spring = Spring{object.flexTwins[spring.a], object.flexTwins[spring.b]};
    if (spring.a == spring.b) continue;
    // The edge list may name a pair twice (an open-edge mark on an edge that
    // another face shares): one spring each.
    const uint64_t pair = uint64_t{std::min(spring.a, spring.b)} << 32 | std::max(spring.a, spring.b);
    if (!sprung.insert(pair).second) continue;
    object.flexSprings.push_back({spring.a, spring.b});
    object.flexRestLengths.push_back(vec3Length(sub(object.vertices[spring.a], object.vertices[spring.b])));
  }
}

}  // namespace glorbe
