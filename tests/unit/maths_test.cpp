// Vector, matrix and quaternion operations.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/maths.h"

namespace glorbe {
namespace {

Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix r;
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += a.at(row, k) * b.at(k, col);
      r.at(row, col) = sum;
    }
  }
  return r;
}

void expectNear(const Matrix& a, const Matrix& b) {
  for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], 1e-5f) << "entry " << i;
}

void expectNear(const Quaternion& a, const Quaternion& b, float tolerance = 1e-6f) {
  EXPECT_NEAR(a.w, b.w, tolerance);
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(Maths, Vectors) {
  Vec3 zero = makeVec3(0, 0, 0);
  normalise(zero);
  EXPECT_TRUE(vec3Equal(zero, makeVec3(0, 0, 0)));
  EXPECT_FALSE(std::isnan(zero.x));

  Vec3 v = makeVec3(3, 0, -4);
  EXPECT_FLOAT_EQ(vec3Length(v), 5.0f);
  normalise(v);
  EXPECT_FLOAT_EQ(v.x, 0.6f);
  EXPECT_FLOAT_EQ(v.z, -0.8f);

  EXPECT_TRUE(vec3Equal(cross(makeVec3(1, 0, 0), makeVec3(0, 1, 0)), makeVec3(0, 0, 1)));
  EXPECT_TRUE(vec3Equal(cross(makeVec3(0, 1, 0), makeVec3(1, 0, 0)), makeVec3(0, 0, -1)));
  const Vec3 c = cross(makeVec3(1, 2, 3), makeVec3(4, 5, 6));
  EXPECT_TRUE(vec3Equal(c, makeVec3(-3, 6, -3)));
  EXPECT_FALSE(vec3Equal(makeVec3(1, 2, 3), makeVec3(1, 2, 3.0001f)));
}

TEST(Maths, AffineInverses) {
  Matrix translate = identityMatrix();
  translate[12] = 1;
  translate[13] = 2;
  translate[14] = 3;
  const Matrix back = inverseAffine(translate);
  EXPECT_FLOAT_EQ(back[12], -1);
  EXPECT_FLOAT_EQ(back[13], -2);
  EXPECT_FLOAT_EQ(back[14], -3);

  // A rotation about z by 30 degrees, scaled by 2, then moved.
  const float a = 30.0f * kPi / 180.0f;
  Matrix m = identityMatrix();
  m.at(0, 0) = 2 * std::cos(a);
  m.at(0, 1) = -2 * std::sin(a);
  m.at(1, 0) = 2 * std::sin(a);
  m.at(1, 1) = 2 * std::cos(a);
  m.at(2, 2) = 2;
  m[12] = 4;
  m[13] = -1;
  m[14] = 7;
  expectNear(multiply(inverseAffine(m), m), identityMatrix());

  Matrix scale = identityMatrix();
  scale[0] = 2;
  scale[5] = 4;
  scale[10] = 0.5f;
  scale[12] = 9;
  scale[3] = 5;  // bottom row entries do not survive
  const Matrix inverted = invertRowLengths(scale);
  EXPECT_FLOAT_EQ(inverted[0], 0.5f);
  EXPECT_FLOAT_EQ(inverted[5], 0.25f);
  EXPECT_FLOAT_EQ(inverted[10], 2.0f);
  EXPECT_FLOAT_EQ(inverted[12], 9.0f);
  EXPECT_FLOAT_EQ(inverted[3], 0.0f);
  EXPECT_FLOAT_EQ(inverted[15], 1.0f);

  // A zero row gives zeros, not infinities.
  Matrix flat = identityMatrix();
  flat[1] = flat[5] = flat[9] = 0;
  for (const Matrix& r : {inverseAffine(flat), invertRowLengths(flat)}) {
    for (float e : r.m) EXPECT_TRUE(std::isfinite(e));
  }
}

TEST(Maths, Quaternions) {
  const Quaternion half = quatFromAxisAngle(kPi, 0, 0, 1);
  expectNear(half, Quaternion{0, 0, 0, 1});
  // The axis is not normalised.
  EXPECT_FLOAT_EQ(quatFromAxisAngle(kPi, 0, 2, 0).y, 2.0f);

  // i j = k, j i = -k.
  const Quaternion i{0, 1, 0, 0}, j{0, 0, 1, 0};
  expectNear(quatMultiply(i, j), Quaternion{0, 0, 0, 1});
  expectNear(quatMultiply(j, i), Quaternion{0, 0, 0, -1});
  // Two quarter turns about x make a half turn.
  const Quaternion quarter = quatFromAxisAngle(kPi / 2, 1, 0, 0);
  expectNear(quatMultiply(quarter, quarter), quatFromAxisAngle(kPi, 1, 0, 0));
  EXPECT_FLOAT_EQ(quatDot(Quaternion{1, 2, 3, 4}, Quaternion{5, 6, 7, 8}), 70.0f);
}

TEST(Maths, Slerp) {
  const Quaternion a = quatFromAxisAngle(0.3f, 0, 1, 0);
  for (float t : {-1.0f, 0.0f, 0.25f, 1.0f, 2.0f}) expectNear(slerp(a, a, 0, t), a);

  const Quaternion from = quatFromAxisAngle(0, 0, 0, 1);
  const Quaternion to = quatFromAxisAngle(kPi / 2, 0, 0, 1);
  expectNear(slerp(from, to, 0, 0.5f), quatFromAxisAngle(kPi / 4, 0, 0, 1));
  expectNear(slerp(from, to, 0, -1.0f / 3.0f), quatFromAxisAngle(-kPi / 6, 0, 0, 1), 1e-5f);
  expectNear(slerp(from, to, 0, 1.0f), to, 1e-6f);
  // A spin of one adds a half turn of the quaternion (a full turn of space) over the way.
  expectNear(slerp(from, to, 1, 0.5f), quatFromAxisAngle(kPi / 4 + kPi, 0, 0, 1), 1e-5f);
  // No shortest-path flip: towards -to (the same rotation) the turn goes the other way round.
  const Quaternion negTo{-to.w, -to.x, -to.y, -to.z};
  expectNear(slerp(from, negTo, 0, 0.5f), quatFromAxisAngle(-3 * kPi / 4, 0, 0, 1), 1e-5f);
}

TEST(Maths, FillWords) {
  uint32_t words[4] = {1, 2, 3, 4};
  fillWords(words, 0, 9);
  EXPECT_EQ(words[0], 1u);
  fillWords(words + 1, 2, 0xDEADBEEF);
  EXPECT_EQ(words[0], 1u);
  EXPECT_EQ(words[1], 0xDEADBEEFu);
  EXPECT_EQ(words[2], 0xDEADBEEFu);
  EXPECT_EQ(words[3], 4u);
}

}  // namespace
}  // namespace glorbe
