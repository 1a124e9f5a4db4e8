// The transform GL composes from an object's tracks agrees with the one
// composed on the CPU, forward and inverse.
#include <gtest/gtest.h>

#include "geometry/model_reader.h"
#include "geometry/object_animation.h"
#include "gl_context.h"
#include "render/object_transform.h"

namespace glorbe {
namespace {

TEST(ObjectTransformGl, GlAndCpuComposeTheSameMatrix) {
  testing::resetGlState();
  Scene scene;
  initScene(scene, "S");
  addEmptyObject(scene, "ROOT");
  addEmptyObject(scene, "LEAF");
  SceneObject& root = scene.objects[0];
  initTrack(root.positionTrack, 2);
  addKey(root.positionTrack, 0, 0.5f, 1, 2, 3);
  addKey(root.positionTrack, 20, 0.5f, -4, 2, 0);
  initTrack(root.scaleTrack, 1);
  addKey(root.scaleTrack, 0, 0.5f, 1.5f, 1, 0.5f);
  root.rotationTrack.keys.resize(1);
  root.rotationTrack.capacity = 1;
  root.rotationTrack.count = 1;
  root.rotationTrack.keys[0].q = quatFromAxisAngle(0.8f, 0.6f, 0.0f, 0.8f);
  SceneObject& leaf = scene.objects[1];
  leaf.parentName = "ROOT";
  Matrix pivot = identityMatrix();
  pivot[5] = 0.5f;
  pivot[13] = 2.0f;
  leaf.meshMatrix = pivot;
  leaf.meshInverse = inverseAffine(pivot);
  leaf.meshOrigin = Vec3{1, 0, -1};

  for (bool inverse : {false, true}) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    applyObjectTransform(scene, 1, 7, true, inverse);
    Matrix fromGl;
    glGetFloatv(GL_MODELVIEW_MATRIX, fromGl.data());
    Matrix fromCpu = identityMatrix();
    composeObjectTransform(fromCpu, scene, 1, 7, true, inverse);
    for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(fromGl[i], fromCpu[i], 1e-5f) << "entry " << i << " inverse " << inverse;
  }
  glLoadIdentity();
}

}  // namespace
}  // namespace glorbe
