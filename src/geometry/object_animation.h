// Key-frame animation of objects: rotation tracks evaluated on the sphere,
// quaternions as matrices, and an object's transform through its parents
// composed on the CPU the way GL composes it on the modelview matrix (the
// renderer's render/object_transform.h makes the same calls on GL itself).
#pragma once

#include <cstdint>
#include <string>

#include "geometry/scene_records.h"

namespace glorbe {

// The orientation at `tick`: the first key before or at its tick, the last
// after the last; slerp between two keys, the spherical de Casteljau
// construction through the control quaternions between inner keys of longer
// tracks. A track without keys leaves `out` as it is.
void evaluateRotation(const RotationTrack& track, int32_t tick, Quaternion& out);

// The rotation matrix of q in column-major order, as the transform uses it
// (m[4] holds xY + wZ: the transpose of the usual rotation matrix of q).
Matrix quaternionMatrix(const Quaternion& q);
Quaternion quatConjugate(const Quaternion& q);

// The object's own position, rotation and scale at `tick`; an empty track
// gives (0, 0, 0), the identity rotation and (1, 1, 1).
struct ObjectPose {
  Vec3 position;
  Quaternion rotation;
  Vec3 scale{1, 1, 1};
};
ObjectPose evaluatePose(const SceneObject& object, int32_t tick);

// The scale divided into in the inverse transform: a zero (or vanishing)
// component becomes a tiny value of the same sign so nothing divides by zero.
float invertibleScale(float s);

// The first object of the scene whose name equals `name` exactly, or -1.
int32_t findObjectByName(const Scene& scene, const std::string& name);

// GL's own matrix updates, on a column-major matrix `m` (m = m x other).
void matrixTranslate(Matrix& m, float x, float y, float z);
void matrixScale(Matrix& m, float x, float y, float z);
void matrixMultiply(Matrix& m, const Matrix& other);

// What the object's transform leaves when applied to `m`: forward, the
// parent chain then the object itself (position, rotation, scale, and with
// `withPivot` its meshMatrix and meshOrigin); inverse, the exact reverse.
// A parent's meshMatrix and meshOrigin never apply to its children. The
// parent chain is followed at most as many steps as the scene has objects.
void composeObjectTransform(Matrix& m, const Scene& scene, int32_t objectIndex, int32_t tick, bool withPivot,
                            bool inverse);
void composeOwnTransform(Matrix& m, const SceneObject& object, int32_t tick, bool withPivot, bool inverse);

}  // namespace glorbe
