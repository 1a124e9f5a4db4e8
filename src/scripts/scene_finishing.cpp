// Scene finishing: what an object needs once all its script keys are known
// (the ready mark, the edge list of shadows and soft bodies, the soft-body
// set-up, the bump vectors), and the merging of a MORPH scene's key shapes
// into vertex frames of its first object.
#include "scripts/scene_finishing.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "geometry/flex_setup.h"
#include "geometry/mesh_ops.h"

namespace glorbe {

namespace {

size_t usableVertices(const SceneObject& object) {
  return static_cast<size_t>(std::clamp<int32_t>(object.vertexCount, 0, static_cast<int32_t>(object.vertices.size())));
}

size_t usableFaces(const SceneObject& object) {
  return static_cast<size_t>(std::clamp<int32_t>(object.faceCount, 0, static_cast<int32_t>(object.faces.size())));
}

// The corner positions of every face in use, null where a corner names a
// vertex outside the mesh or a position with a NaN component: such a corner
// equals no other corner, not even itself.
std::vector<const Vec3*> cornerPositions(const SceneObject& object, size_t faceCount) {
  const size_t vertexCount = usableVertices(object);
  std::vector<const Vec3*> corners(faceCount * 3, nullptr);
  for (size_t f = 0; f < faceCount; ++f) {
    for (size_t s = 0; s < 3; ++s) {
      const uint32_t index = object.faces[f][s];
      if (index >= vertexCount) continue;
      const Vec3& v = object.vertices[index];
      if (std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z)) continue;
      corners[f * 3 + s] = &v;
    }
  }
  return corners;
}

// Compares every corner of face q with every corner of face r. The first
// two matches record q's corner; a third ends the search through r's corners
// for that corner of q. True when two matches were recorded on two different
// corners of q: the faces share an edge.
bool sharedEdge(const Vec3* const* q, const Vec3* const* r, int recorded[2]) {
  int matches = 0;
  for (int s = 0; s < 3; ++s) {
    if (q[s] == nullptr) continue;
    for (int t = 0; t < 3; ++t) {
      if (r[t] == nullptr || !vec3Equal(*q[s], *r[t])) continue;
      if (matches < 2) recorded[matches] = s;
      if (++matches > 2) break;
    }
  }
  return matches >= 2 && recorded[0] != recorded[1];
}

// A position as a sortable key: the bit patterns of its components, with
// -0.0 read as 0.0 since the two compare equal.
struct PositionKey {
  uint32_t x, y, z;
  auto operator<=>(const PositionKey&) const = default;
};

uint32_t keyBits(float v) { return v == 0.0f ? 0u : std::bit_cast<uint32_t>(v); }

PositionKey positionKey(const Vec3& v) { return {keyBits(v.x), keyBits(v.y), keyBits(v.z)}; }

// The edge start corner k (edges run 0 -> 1, 1 -> 2, 2 -> 0) of the edge
// between corners s and t.
uint16_t edgeStart(int s, int t) {
  const int sum = s + t;  // 1: corners 0 and 1, 3: 1 and 2, 2: 2 and 0
  return static_cast<uint16_t>(sum == 1 ? 0 : sum == 3 ? 1 : 2);
}

}  // namespace

void buildEdgeList(SceneObject& object) {
  object.edges.clear();
  const size_t faceCount = usableFaces(object);
  // The terrain's mesh changes every frame, and face numbers from 0xFFFD on
  // would read as open-edge marks: such objects get no edge list.
  if (object.terrainMesh || faceCount == 0 || faceCount >= kOpenEdgeMark) {
    object.edges.shrink_to_fit();
    return;
  }
  const std::vector<const Vec3*> corners = cornerPositions(object, faceCount);

  // Only faces that share a corner position can share an edge: group the
  // corners by position, so each face meets only its neighbours. The rule
  // itself, and the order of the entries, are those of comparing every face
  // with every other in order.
  std::vector<std::pair<PositionKey, uint32_t>> keyed;
  keyed.reserve(corners.size());
  for (uint32_t c = 0; c < corners.size(); ++c) {
    if (corners[c] != nullptr) keyed.emplace_back(positionKey(*corners[c]), c);
  }
  std::sort(keyed.begin(), keyed.end());
  std::vector<uint32_t> sorted(keyed.size());
  // For every corner, the range of `sorted` holding the corners at its position.
  std::vector<uint32_t> groupBegin(corners.size(), 0), groupEnd(corners.size(), 0);
  for (size_t i = 0; i < keyed.size();) {
    size_t j = i + 1;
    while (j < keyed.size() && keyed[j].first == keyed[i].first) ++j;
    for (size_t k = i; k < j; ++k) {
      sorted[k] = keyed[k].second;
      groupBegin[keyed[k].second] = static_cast<uint32_t>(i);
      groupEnd[keyed[k].second] = static_cast<uint32_t>(j);
    }
    i = j;
  }

  // Where each face's entries start in the list, to find whether an earlier
  // face already holds the pair.
  std::vector<uint32_t> firstEntry(faceCount + 1, 0);
  std::vector<uint32_t> candidates;
  object.edges.reserve(faceCount * 3);
  for (size_t q = 0; q < faceCount; ++q) {
    firstEntry[q] = static_cast<uint32_t>(object.edges.size());
    int uses[3] = {0, 0, 0};
    const Vec3* const* qc = &corners[q * 3];

    candidates.clear();
    for (size_t s = 0; s < 3; ++s) {
      const size_t c = q * 3 + s;
      if (corners[c] == nullptr) continue;
      for (uint32_t i = groupBegin[c]; i < groupEnd[c]; ++i) {
        const uint32_t r = sorted[i] / 3;
        if (r != q) candidates.push_back(r);
      }
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

    for (const uint32_t r : candidates) {
      int recorded[2] = {0, 0};
      if (!sharedEdge(qc, &corners[size_t{r} * 3], recorded)) continue;
      // (q, r) cannot be in the list yet; (r, q) only when r came first.
      bool listed = false;
      if (r < q) {
        for (uint32_t e = firstEntry[r]; e < firstEntry[r + 1]; ++e) {
          listed = listed || object.edges[e].other == q;
        }
      }
      if (!listed) object.edges.push_back({static_cast<uint16_t>(q), static_cast<uint16_t>(r)});
      ++uses[recorded[0]];
      ++uses[recorded[1]];
    }

    // Open edges: corner pairs that fewer than two shared edges use.
    for (int s = 0; s < 3; ++s) {
      for (int t = 0; t < 3; ++t) {
        if (s == t || uses[s] >= 2 || uses[t] >= 2) continue;
        ++uses[s];
        ++uses[t];
        object.edges.push_back(
            {static_cast<uint16_t>(q), static_cast<uint16_t>(kOpenEdgeMark + edgeStart(s, t))});
      }
    }
  }
  object.edges.shrink_to_fit();
}

void setupBumpVectors(SceneObject& object) {
  Vec3 u{1, 1, 1};
  normalise(u);
  const size_t count = std::min({object.normals.size(), object.bumpVectorsA.size(), object.bumpVectorsB.size()});
  for (size_t i = 0; i < count; ++i) {
    Vec3 a = cross(object.normals[i], u);
    normalise(a);
    Vec3 b = cross(object.normals[i], a);
    normalise(b);
    object.bumpVectorsA[i] = a;
    object.bumpVectorsB[i] = b;
  }
}

namespace {

void setupFlex(SceneObject& object) {
  setupFlexObject(object, object.flexStiffness, object.flexDamping, object.flexContact, object.flexMass,
                  object.flexDrag, object.flexGravity);
}

// Room for every vertex the object can hold: a terrain's mesh has none yet
// and is built into its full storage every frame.
size_t bumpRoom(const SceneObject& object) { return std::max(usableVertices(object), object.vertices.size()); }

void setupBump(SceneObject& object) {
  const size_t count = bumpRoom(object);
  object.bumpCoords.assign(count, TexCoord{});
  object.bumpVectorsA.assign(count, Vec3{});
  object.bumpVectorsB.assign(count, Vec3{});
  if (object.normals.size() < count) object.normals.resize(count, Vec3{0, 0, 1});
  setupBumpVectors(object);
}

}  // namespace

void finaliseScene(Scene& scene) {
  for (SceneObject& object : scene.objects) {
    if (object.isDummy) continue;
    object.ready = true;
    if (object.castsShadow || object.flexOn) buildEdgeList(object);
    if (object.flexOn) setupFlex(object);
    if (object.bumpMapOn) setupBump(object);
  }
}

void finishLateChange(SceneObject& object) {
  if (!object.ready) return;
  if ((object.castsShadow || object.flexOn) && object.edges.empty()) buildEdgeList(object);
  if (object.flexOn) setupFlex(object);
  if (object.bumpMapOn && object.bumpVectorsA.size() < bumpRoom(object)) setupBump(object);
}

namespace {

void widenBox(BoxCorners& box, const BoxCorners& other) {
  // Corner 0 is the minimum and corner 7 the maximum on every axis.
  const Vec3 lo{std::min(box[0].x, other[0].x), std::min(box[0].y, other[0].y), std::min(box[0].z, other[0].z)};
  const Vec3 hi{std::max(box[7].x, other[7].x), std::max(box[7].y, other[7].y), std::max(box[7].z, other[7].z)};
  box = {Vec3{lo.x, lo.y, lo.z}, Vec3{lo.x, lo.y, hi.z}, Vec3{hi.x, lo.y, lo.z}, Vec3{hi.x, lo.y, hi.z},
         Vec3{lo.x, hi.y, lo.z}, Vec3{lo.x, hi.y, hi.z}, Vec3{hi.x, hi.y, lo.z}, Vec3{hi.x, hi.y, hi.z}};
}

// Appends a vertex frame without normals, while there is room for one.
void appendMorphFrame(SceneObject& object, std::vector<Vec3> vertices) {
  if (static_cast<int32_t>(object.frameVertices.size()) >= kMaxVertexFrames) return;
  object.frameVertices.push_back(std::move(vertices));
  object.frameNormals.emplace_back();
}

}  // namespace

void setupMorph(Scene& scene, const Vec3& scale, int32_t count) {
  if (scene.objects.size() < 2) return;
  // A terrain's mesh object must stay where the terrain finds it.
  for (const SceneObject& object : scene.objects) {
    if (object.terrainMesh) return;
  }
  SceneObject& first = scene.objects[0];
  // Frames of no ticks cannot be played: a count of 0 or less merges the
  // shapes but leaves the object still.
  if (count > 0) first.morphCount = count;

  for (size_t i = 0; i < scene.objects.size(); ++i) {
    SceneObject& object = scene.objects[i];
    if (object.isDummy) continue;
    const size_t n = usableVertices(object);
    for (size_t v = 0; v < n; ++v) {
      Vec3& p = object.vertices[v];
      p = Vec3{(p.x + object.meshOrigin.x) * scale.x, (p.y + object.meshOrigin.y) * scale.y,
               (p.z + object.meshOrigin.z) * scale.z};
    }
    computeMeshBox(object);
    if (i == 0 || !object.hasBox) continue;
    if (first.hasBox) {
      widenBox(first.boxCorners, object.boxCorners);
    } else {
      first.boxCorners = object.boxCorners;
      first.hasBox = true;
    }
  }
  first.meshOrigin = Vec3{};

  const size_t shapeSize = usableVertices(first);
  appendMorphFrame(first, std::vector<Vec3>(first.vertices.begin(), first.vertices.begin() + shapeSize));
  for (size_t i = 1; i < scene.objects.size(); ++i) {
    SceneObject& target = scene.objects[i];
    if (target.isDummy) continue;
    // A shape with fewer vertices than the first has nothing for some of its
    // vertices to become: it is left out.
    if (usableVertices(target) >= shapeSize) {
      appendMorphFrame(first, std::vector<Vec3>(target.vertices.begin(), target.vertices.begin() + shapeSize));
    }
  }
  scene.objects.resize(1);
}

}  // namespace glorbe
