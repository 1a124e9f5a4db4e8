#include "geometry/object_animation.h"

#include <algorithm>
#include <cmath>

namespace glorbe {

namespace {

float segmentFraction(int32_t tick, int32_t from, int32_t to) {
  return static_cast<float>(static_cast<double>(tick) - from) / static_cast<float>(static_cast<double>(to) - from);
}

}  // namespace

void evaluateRotation(const RotationTrack& track, int32_t tick, Quaternion& out) {
  const int32_t n = std::min<int32_t>(track.count, static_cast<int32_t>(track.keys.size()));
  if (n <= 0) return;
  const std::vector<RotationKey>& k = track.keys;
  if (n == 1 || tick <= k[0].tick) {
    out = k[0].q;
    return;
  }
  if (n == 2) {
    if (tick > k[1].tick) {
      out = k[1].q;
    } else {
      out = slerp(k[0].q, k[1].q, 0.0f, segmentFraction(tick, k[0].tick, k[1].tick));
    }
    return;
  }
  int32_t i = -1;
  for (int32_t j = 0; j + 1 < n; ++j) {
    if (k[static_cast<size_t>(j)].tick <= tick && tick < k[static_cast<size_t>(j + 1)].tick) {
      i = j;
      break;
    }
  }
  if (i < 0) {
    out = k[static_cast<size_t>(n - 1)].q;
    return;
  }
  const RotationKey& a = k[static_cast<size_t>(i)];
  const RotationKey& b = k[static_cast<size_t>(i + 1)];
  const float u = segmentFraction(tick, a.tick, b.tick);
  const float spin = std::trunc((b.q.w - a.q.w) / (2.0f * kPi));
  const Quaternion p = slerp(a.q, a.outControl, spin, u);
  const Quaternion q = slerp(a.outControl, b.inControl, spin, u);
  const Quaternion r = slerp(b.inControl, b.q, spin, u);
  const Quaternion s = slerp(p, q, spin, u);
  const Quaternion t = slerp(q, r, spin, u);
  out = slerp(s, t, spin, u);
}

Matrix quaternionMatrix(const Quaternion& q) {
  const float X = 2 * q.x, Y = 2 * q.y, Z = 2 * q.z;
  Matrix m;
  m[0] = 1 - (q.y * Y + q.z * Z);
  m[1] = q.x * Y - q.w * Z;
  m[2] = q.x * Z + q.w * Y;
  m[4] = q.x * Y + q.w * Z;
  m[5] = 1 - (q.x * X + q.z * Z);
  m[6] = q.y * Z - q.w * X;
  m[8] = q.x * Z - q.w * Y;
  m[9] = q.y * Z + q.w * X;
  m[10] = 1 - (q.x * X + q.y * Y);
  m[15] = 1;
  return m;
}

Quaternion quatConjugate(const Quaternion& q) { return Quaternion{q.w, -q.x, -q.y, -q.z}; }

ObjectPose evaluatePose(const SceneObject& object, int32_t tick) {
  ObjectPose pose;
  evaluateSmooth(object.positionTrack, tick, pose.position);
  evaluateRotation(object.rotationTrack, tick, pose.rotation);
  evaluateSmooth(object.scaleTrack, tick, pose.scale);
  return pose;
}

float invertibleScale(float s) {
  constexpr float kTiny = 1e-6f;
  if (std::isnan(s)) return kTiny;
  if (std::fabs(s) < kTiny) return std::signbit(s) ? -kTiny : kTiny;
  return s;
}

int32_t findObjectByName(const Scene& scene, const std::string& name) {
  for (size_t i = 0; i < scene.objects.size(); ++i) {
    if (scene.objects[i].name == name) return static_cast<int32_t>(i);
  }
  return -1;
}

void matrixTranslate(Matrix& m, float x, float y, float z) {
  for (int i = 0; i < 4; ++i) m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
}

void matrixScale(Matrix& m, float x, float y, float z) {
  for (int i = 0; i < 4; ++i) {
    m[i] *= x;
    m[4 + i] *= y;
    m[8 + i] *= z;
  }
}

void matrixMultiply(Matrix& m, const Matrix& other) {
  Matrix r;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      r.at(row, column) = m.at(row, 0) * other.at(0, column) + m.at(row, 1) * other.at(1, column) +
                          m.at(row, 2) * other.at(2, column) + m.at(row, 3) * other.at(3, column);
    }
  }
  m = r;
}

void composeOwnTransform(Matrix& m, const SceneObject& object, int32_t tick, bool withPivot, bool inverse) {
  const ObjectPose pose = evaluatePose(object, tick);
  if (!inverse) {
    matrixTranslate(m, pose.position.x, pose.position.y, pose.position.z);
    matrixMultiply(m, quaternionMatrix(pose.rotation));
    matrixScale(m, pose.scale.x, pose.scale.y, pose.scale.z);
    if (withPivot) {
      matrixMultiply(m, object.meshMatrix);
      matrixTranslate(m, object.meshOrigin.x, object.meshOrigin.y, object.meshOrigin.z);
    }
    return;
  }
  if (withPivot) {
    matrixTranslate(m, -object.meshOrigin.x, -object.meshOrigin.y, -object.meshOrigin.z);
    matrixMultiply(m, object.meshInverse);
  }
  matrixScale(m, 1.0f / invertibleScale(pose.scale.x), 1.0f / invertibleScale(pose.scale.y),
              1.0f / invertibleScale(pose.scale.z));
  matrixMultiply(m, quaternionMatrix(quatConjugate(pose.rotation)));
  matrixTranslate(m, -pose.position.x, -pose.position.y, -pose.position.z);
}

namespace {

void composeChain(Matrix& m, const Scene& scene, int32_t index, int32_t tick, bool withPivot, bool inverse,
                  size_t stepsLeft) {
  if (index < 0 || static_cast<size_t>(index) >= scene.objects.size()) return;
  const SceneObject& object = scene.objects[static_cast<size_t>(index)];
  if (inverse) composeOwnTransform(m, object, tick, withPivot, true);
  if (!object.parentName.empty() && stepsLeft > 0) {
    const int32_t parent = findObjectByName(scene, object.parentName);
    if (parent >= 0) composeChain(m, scene, parent, tick, false, inverse, stepsLeft - 1);
  }
  if (!inverse) composeOwnTransform(m, object, tick, withPivot, false);
}

}  // namespace

void composeObjectTransform(Matrix& m, const Scene& scene, int32_t objectIndex, int32_t tick, bool withPivot,
                            bool inverse) {
  composeChain(m, scene, objectIndex, tick, withPivot, inverse, scene.objects.size());
}

}  // namespace glorbe
