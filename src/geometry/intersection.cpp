#include "geometry/intersection.h"

#include <cmath>

namespace glorbe {

namespace {

Vec3 sub(const Vec3& a, const Vec3& b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

constexpr float kDeterminantTolerance = 0.0001f;

}  // namespace

bool segmentHitsTriangle(const Vec3& origin, const Vec3& direction, const Vec3& a, const Vec3& b, const Vec3& c,
                         bool cullBackFaces, float& t) {
  const Vec3 edge1 = sub(b, a);
  const Vec3 edge2 = sub(c, a);
  const Vec3 p = cross(direction, edge2);
  const float det = dot(edge1, p);
  if (cullBackFaces ? det < kDeterminantTolerance : std::fabs(det) < kDeterminantTolerance) return false;
  const float inverse = 1.0f / det;
  const Vec3 s = sub(origin, a);
  const float u = dot(s, p) * inverse;
  if (!(u >= 0.0f && u <= 1.0f)) return false;
  const Vec3 q = cross(s, edge1);
  const float v = dot(direction, q) * inverse;
  if (!(v >= 0.0f && u + v <= 1.0f)) return false;
  const float hit = dot(edge2, q) * inverse;
  if (!(hit >= 0.0f && hit <= 1.0f)) return false;
  t = hit;
  return true;
}

}  // namespace glorbe
