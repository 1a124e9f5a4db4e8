// Vector, matrix and quaternion operations.
#include "geometry/maths.h"

#include <cmath>

namespace glorbe {

Vec3 makeVec3(float x, float y, float z) { return Vec3{x, y, z}; }

bool vec3Equal(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

float vec3Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

void normalise(Vec3& v) {
  const float length = vec3Length(v);
  if (length == 0.0f) {
    v = Vec3{};
    return;
  }
  const float s = 1.0f / length;
  v.x *= s;
  v.y *= s;
  v.z *= s;
}

Vec3 cross(const Vec3& a, const Vec3& b) {
  return Vec3{a.y * b.z - b.y * a.z, a.z * b.x - b.z * a.x, b.y * a.x - a.y * b.x};
}

Matrix identityMatrix() {
  Matrix r;
  r[0] = r[5] = r[10] = r[15] = 1.0f;
  return r;
}

namespace {

// 1 / squared length of row i of the upper 3x3 part; 0 for a zero row.
float inverseSquaredRow(const Matrix& m, int i) {
  const float squared = m.at(i, 0) * m.at(i, 0) + m.at(i, 1) * m.at(i, 1) + m.at(i, 2) * m.at(i, 2);
  return squared == 0.0f ? 0.0f : 1.0f / squared;
}

}  // namespace

Matrix inverseAffine(const Matrix& m) {
  Matrix r;
  for (int i = 0; i < 3; ++i) {
    const float s = inverseSquaredRow(m, i);
    for (int c = 0; c < 3; ++c) r.at(i, c) = m.at(c, i) * s;
  }
  for (int i = 0; i < 3; ++i) {
    r.at(i, 3) = -(r.at(i, 0) * m[12] + r.at(i, 1) * m[13] + r.at(i, 2) * m[14]);
  }
  r.at(3, 3) = 1.0f;
  return r;
}

Matrix invertRowLengths(const Matrix& m) {
  Matrix r = m;
  for (int i = 0; i < 3; ++i) {
    const float s = inverseSquaredRow(m, i);
    for (int c = 0; c < 3; ++c) r.at(i, c) = m.at(i, c) * s;
  }
  r.at(3, 0) = r.at(3, 1) = r.at(3, 2) = 0.0f;
  r.at(3, 3) = 1.0f;
  return r;
}

Quaternion quatFromAxisAngle(float angle, float x, float y, float z) {
  const float s = std::sin(angle / 2.0f);
  return Quaternion{std::cos(angle / 2.0f), x * s, y * s, z * s};
}

Quaternion quatMultiply(const Quaternion& a, const Quaternion& b) {
  return Quaternion{a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
                    a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
                    a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                    a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

float quatDot(const Quaternion& a, const Quaternion& b) { return a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z; }

Quaternion slerp(const Quaternion& a, const Quaternion& b, float spin, float t) {
  const float c = quatDot(a, b);
  float s0, s1;
  if (1.0f - std::fabs(c) < 0.000001f) {
    s0 = 1.0f - t;
    s1 = t;
  } else {
    const float theta = std::acos(c);
    const float phi = theta + spin * kPi;
    const float sinTheta = std::sin(theta);
    s0 = std::sin(theta - t * phi) / sinTheta;
    s1 = std::sin(t * phi) / sinTheta;
  }
  return Quaternion{s0 * a.w + s1 * b.w, s0 * a.x + s1 * b.x, s0 * a.y + s1 * b.y, s0 * a.z + s1 * b.z};
}

void fillWords(uint32_t* destination, size_t count, uint32_t value) {
  for (size_t i = 0; i < count; ++i) destination[i] = value;
}

}  // namespace glorbe
