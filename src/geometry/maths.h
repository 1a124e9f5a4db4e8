// Vectors, matrices and quaternions shared by the model loader, the scene
// reader and the renderer. Everything is 32-bit float; results by value.
//
// Matrix: OpenGL's column-major order, element (row r, column c) at 4c + r,
// the translation in entries 12, 13, 14. Quaternion: w (scalar), x, y, z.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/numbers.h"

namespace glorbe {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

struct Matrix {
  std::array<float, 16> m{};
  float& operator[](size_t i) { return m[i]; }
  float operator[](size_t i) const { return m[i]; }
  float& at(int row, int column) { return m[static_cast<size_t>(4 * column + row)]; }
  float at(int row, int column) const { return m[static_cast<size_t>(4 * column + row)]; }
  const float* data() const { return m.data(); }  // for glLoadMatrixf / glMultMatrixf
  float* data() { return m.data(); }
};

struct Quaternion {
  float w = 1, x = 0, y = 0, z = 0;
};

Vec3 makeVec3(float x, float y, float z);
// Exact component equality.
bool vec3Equal(const Vec3& a, const Vec3& b);
float vec3Length(const Vec3& v);
// In place; a zero-length vector becomes (0, 0, 0).
void normalise(Vec3& v);
// a x b.
Vec3 cross(const Vec3& a, const Vec3& b);

Matrix identityMatrix();
// Transposed rotation with each row i scaled by 1 / |row i of m|^2, and the
// translation carried back through it: the inverse of a rotation-and-scale
// with translation. A zero row of m gives a zero row.
Matrix inverseAffine(const Matrix& m);
// Each upper row divided by its squared length (a zero row stays zero);
// translation kept, bottom row (0, 0, 0, 1).
Matrix invertRowLengths(const Matrix& m);

// (cos(angle/2), axis * sin(angle/2)); radians; the axis is used as given.
Quaternion quatFromAxisAngle(float angle, float x, float y, float z);
// The Hamilton product a b.
Quaternion quatMultiply(const Quaternion& a, const Quaternion& b);
float quatDot(const Quaternion& a, const Quaternion& b);
// Spherical interpolation without a shortest-path flip, inputs not
// normalised; `spin` adds whole half turns. t outside 0..1 extrapolates.
Quaternion slerp(const Quaternion& a, const Quaternion& b, float spin, float t);

// Writes `value` into `count` consecutive 32-bit words.
void fillWords(uint32_t* destination, size_t count, uint32_t value);

}  // namespace glorbe
