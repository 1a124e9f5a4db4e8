#include "render/object_transform.h"

#include <GL/gl.h>

#include "geometry/object_animation.h"

namespace glorbe {

void applyOwnTransform(const SceneObject& object, int32_t tick, bool withPivot, bool inverse) {
  const ObjectPose pose = evaluatePose(object, tick);
  if (!inverse) {
    glTranslatef(pose.position.x, pose.position.y, pose.position.z);
    glMultMatrixf(quaternionMatrix(pose.rotation).data());
    glScalef(pose.scale.x, pose.scale.y, pose.scale.z);
    if (withPivot) {
      glMultMatrixf(object.meshMatrix.data());
      glTranslatef(object.meshOrigin.x, object.meshOrigin.y, object.meshOrigin.z);
    }
    return;
  }
  if (withPivot) {
    glTranslatef(-object.meshOrigin.x, -object.meshOrigin.y, -object.meshOrigin.z);
    glMultMatrixf(object.meshInverse.data());
  }
  glScalef(1.0f / invertibleScale(pose.scale.x), 1.0f / invertibleScale(pose.scale.y),
           1.0f / invertibleScale(pose.scale.z));
  glMultMatrixf(quaternionMatrix(quatConjugate(pose.rotation)).data());
  glTranslatef(-pose.position.x, -pose.position.y, -pose.position.z);
}

namespace {

// The parent chain is followed at most as many steps as the scene has
// objects, so names that form a cycle cannot recurse without end.
void applyChain(const Scene& scene, int32_t index, int32_t tick, bool withPivot, bool inverse, size_t stepsLeft) {
  if (index < 0 || static_cast<size_t>(index) >= scene.objects.size()) return;
  const SceneObject& object = scene.objects[static_cast<size_t>(index)];
  if (inverse) applyOwnTransform(object, tick, withPivot, true);
  if (!object.parentName.empty() && stepsLeft > 0) {
    const int32_t parent = findObjectByName(scene, object.parentName);
    if (parent >= 0) applyChain(scene, parent, tick, false, inverse, stepsLeft - 1);
  }
  if (!inverse) applyOwnTransform(object, tick, withPivot, false);
}

}  // namespace

void applyObjectTransform(const Scene& scene, int32_t objectIndex, int32_t tick, bool withPivot, bool inverse) {
  applyChain(scene, objectIndex, tick, withPivot, inverse, scene.objects.size());
}

}  // namespace glorbe
