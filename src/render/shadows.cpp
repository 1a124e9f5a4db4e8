// Stencil shadow volumes. Cheap screen-space tests decide for which lights an
// object's shadow can be seen this frame; per-face light bits mark the faces
// that look at each light; the edges between a lit and an unlit face (and
// the open edges) are extruded away from the light into quads, without caps.
#include "render/shadows.h"

#include <GL/gl.h>

#include <algorithm>

#include "geometry/intersection.h"
#include "render/view_projection.h"

namespace glorbe {

using namespace vecops;

namespace {

constexpr float kExtrusionLength = 100.0f;

// Does the segment from the screen centre to the light's screen position
// pass through the object's projected box?
bool lightBehindBox(const SceneObject& object, const Vec3& lightScreen) {
  const Vec3 origin{};
  for (const auto& triangle : kBoxTriangles) {
    float t = 0;
    if (segmentHitsTriangle(origin, lightScreen, object.projectedCorners[static_cast<size_t>(triangle[0])],
                            object.projectedCorners[static_cast<size_t>(triangle[1])],
                            object.projectedCorners[static_cast<size_t>(triangle[2])], false, t))
      return true;
  }
  return false;
}

// The lights an object's volumes are drawn for: light `lightIndex`, or all
// when it is negative, always within the lights in use and highestIndex.
struct LightRange {
  int32_t first = 0;
  int32_t end = 0;
};

LightRange lightsToDraw(const Scene& scene, int32_t highestIndex, int32_t lightIndex) {
  const int32_t end = std::min(usableLightCount(scene), highestIndex + 1);
  if (lightIndex < 0) return {0, std::max(end, 0)};
  if (lightIndex >= end) return {0, 0};
  return {lightIndex, lightIndex + 1};
}

// Face f's corner k, or null when the face names a vertex outside the mesh.
const Vec3* facePosition(const SceneObject& object, uint32_t f, int k) {
  const uint32_t v = object.faces[f][static_cast<size_t>(k)];
  if (v >= static_cast<uint32_t>(object.vertexCount) || v >= object.vertices.size()) return nullptr;
  return &object.vertices[v];
}

bool positionIsCornerOf(const SceneObject& object, const Vec3& p, uint32_t face) {
  for (int k = 0; k < 3; ++k) {
    const Vec3* c = facePosition(object, face, k);
    if (c != nullptr && vec3Equal(*c, p)) return true;
  }
  return false;
}

void extrudeEdge(const Vec3& p, const Vec3& q, const Vec3& light) {
  const Vec3 pFar = p + normalised(p - light) * kExtrusionLength;
  const Vec3 qFar = q + normalised(q - light) * kExtrusionLength;
  glBegin(GL_TRIANGLE_STRIP);
  glVertex3f(p.x, p.y, p.z);
  glVertex3f(pFar.x, pFar.y, pFar.z);
  glVertex3f(q.x, q.y, q.z);
  glVertex3f(qFar.x, qFar.y, qFar.z);
  glEnd();
}

}  // namespace

void testVisibleObjectShadows(SceneObject& object, const Scene& scene) {
  if (!object.hasBox) {
    object.shadowLights.fill(true);
    return;
  }
  // Six bits: corners on both sides of the screen centre in x and in y, and
  // on both sides of the near plane. A box around the whole view direction
  // hides every shadow it could throw.
  unsigned sides = 0;
  for (const Vec3& c : object.projectedCorners) {
    sides |= c.x < 0 ? 1u : 2u;
    sides |= c.y < 0 ? 4u : 8u;
    sides |= c.z < 0 ? 16u : 32u;
    if (sides == 63u) {
      object.shadowLights.fill(false);
      return;
    }
  }
  const int32_t count = usableLightCount(scene);
  for (int32_t i = 0; i < kMaxSceneLights; ++i) {
    object.shadowLights[static_cast<size_t>(i)] =
        i < count && !lightBehindBox(object, scene.lights[static_cast<size_t>(i)].screenPosition);
  }
}

void testCulledObjectShadows(SceneObject& object, const Scene& scene) {
  const int32_t count = usableLightCount(scene);
  for (int32_t i = 0; i < kMaxSceneLights; ++i) {
    bool shadows = i < count;
    if (shadows) {
      const SceneLight& light = scene.lights[static_cast<size_t>(i)];
      const Vec3& l = light.screenPosition;
      if (light.onScreen) shadows = false;
      // The box lies wholly on the far side of the screen centre from the light.
      if (std::all_of(object.projectedCorners.begin(), object.projectedCorners.end(),
                      [&](const Vec3& c) { return dot(l, c) <= 0; }))
        shadows = false;
      // Every corner lies further out than the light.
      const float lightDistance = vec3Length(l);
      if (std::all_of(object.projectedCorners.begin(), object.projectedCorners.end(),
                      [&](const Vec3& c) { return vec3Length(c) >= lightDistance; }))
        shadows = false;
      if (shadows && lightBehindBox(object, l)) shadows = false;
    }
    object.shadowLights[static_cast<size_t>(i)] = shadows;
  }
}

void updateFaceLightBits(SceneObject& object, const Scene& scene, const LightLocalPositions& lightLocalPositions) {
  const size_t faces = static_cast<size_t>(std::max(object.faceCount, 0));
  if (object.faceNormals.size() < faces || object.faces.size() < faces) return;
  if (object.faceFlags.size() < faces) object.faceFlags.resize(faces);  // once; the flags of a model come sized
  const int32_t count = usableLightCount(scene);
  for (int32_t i = 0; i < count; ++i) {
    if (!object.shadowLights[static_cast<size_t>(i)]) continue;
    const uint16_t bit = static_cast<uint16_t>(1u << (15 - i));
    const Vec3& light = lightLocalPositions[static_cast<size_t>(i)];
    for (size_t f = 0; f < faces; ++f) {
      const Vec3* p = facePosition(object, static_cast<uint32_t>(f), 0);
      const bool facesLight = p == nullptr || dot(object.faceNormals[f], light - *p) >= 0;
      if (facesLight) {
        object.faceFlags[f] = static_cast<uint16_t>(object.faceFlags[f] | bit);
      } else {
        object.faceFlags[f] = static_cast<uint16_t>(object.faceFlags[f] & ~bit);
      }
    }
  }
}

void drawShadowVolumes(Scene& scene, int32_t objectIndex, const LightLocalPositions& lightLocalPositions,
                       int32_t highestIndex, int32_t lightIndex) {
  if (objectIndex < 0 || static_cast<size_t>(objectIndex) >= scene.objects.size()) return;
  const SceneObject& object = scene.objects[static_cast<size_t>(objectIndex)];
  const uint32_t faces = static_cast<uint32_t>(std::max(object.faceCount, 0));
  if (object.faces.size() < faces || object.faceFlags.size() < faces) return;
  const LightRange range = lightsToDraw(scene, highestIndex, lightIndex);
  for (int32_t i = range.first; i < range.end; ++i) {
    if (!object.shadowLights[static_cast<size_t>(i)]) continue;
    const uint16_t bit = static_cast<uint16_t>(1u << (15 - i));
    const Vec3& light = lightLocalPositions[static_cast<size_t>(i)];
    for (const Edge& edge : object.edges) {
      const uint32_t a = edge.face;
      if (a >= faces) continue;
      const bool aLit = (object.faceFlags[a] & bit) != 0;
      const Vec3* p = nullptr;
      const Vec3* q = nullptr;
      if (edge.other >= kOpenEdgeMark) {
        // An open edge from corner k to k + 1, turned to face away from the light.
        const int m = edge.other - kOpenEdgeMark;
        const int o = (m + 1) % 3;
        p = facePosition(object, a, aLit ? m : o);
        q = facePosition(object, a, aLit ? o : m);
      } else {
        const uint32_t b = edge.other;
        if (b >= faces) continue;
        const bool bLit = (object.faceFlags[b] & bit) != 0;
        if (aLit == bLit) continue;
        const uint32_t lit = aLit ? a : b;
        const uint32_t unlit = aLit ? b : a;
        // The shared corners are found by position: vertices that coincide
        // under different numbers are one corner. An edge whose corners are
        // not both found (moved apart since loading) is left out.
        int m = -1;
        for (int k = 0; k < 2 && m < 0; ++k) {
          const Vec3* c = facePosition(object, lit, k);
          if (c != nullptr && positionIsCornerOf(object, *c, unlit)) m = k;
        }
        if (m < 0) continue;
        int o = -1;
        for (int k = m + 1; k < 3 && o < 0; ++k) {
          const Vec3* c = facePosition(object, lit, k);
          if (c != nullptr && positionIsCornerOf(object, *c, unlit)) o = k;
        }
        if (o < 0) continue;
        if (m == 0 && o == 2) std::swap(m, o);  // the edge from corner 2 to 0 in winding order
        p = facePosition(object, lit, m);
        q = facePosition(object, lit, o);
      }
      if (p == nullptr || q == nullptr) continue;
      extrudeEdge(*p, *q, light);
    }
  }
}

}  // namespace glorbe
