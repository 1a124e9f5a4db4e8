// The scene pass, object drawing, lights, camera and shadows until they are
// written: they draw nothing. This file goes once the renderer exists.
#include "render/lights_camera.h"
#include "render/object_drawing.h"
#include "render/scene_render.h"
#include "render/shadows.h"

namespace glorbe {

void renderScene(Scene&, int32_t, int32_t) {}
Matrix transposeMatrix(const Matrix& m) {
  Matrix r;
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column) r.at(row, column) = m.at(column, row);
  return r;
}
Vec3 transformPoint(const Matrix& m, const Vec3& p) {
  return Vec3{m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
              m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}
void drawSceneObject(SceneObject&, Scene&, int32_t, const LightLocalPositions&, int32_t) {}
void drawArrays(SceneObject&, bool, bool, bool) {}
void placeCamera(Scene&, int32_t) {}
void placeLights(Scene&, int32_t, int32_t) {}
void drawLightHalos(Scene&, int32_t, int32_t) {}
void drawHaloQuad(const SceneLight&, const Vec3&, const Vec3&) {}
void testVisibleObjectShadows(SceneObject&, const Scene&) {}
void testCulledObjectShadows(SceneObject&, const Scene&) {}
void updateFaceLightBits(SceneObject&, const Scene&, const LightLocalPositions&) {}
void drawShadowVolumes(Scene&, int32_t, const LightLocalPositions&, int32_t, int32_t) {}

}  // namespace glorbe
