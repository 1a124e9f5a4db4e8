#include "render/view_projection.h"

#include <GL/glu.h>

#include <cmath>

namespace glorbe {

void readViewTransform(ViewTransform& view) {
  glGetDoublev(GL_MODELVIEW_MATRIX, view.modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, view.projection);
  glGetIntegerv(GL_VIEWPORT, view.viewport);
}

bool projectPoint(const ViewTransform& view, const Vec3& p, WindowPoint& out) {
  GLdouble x = 0, y = 0, z = 0;
  if (gluProject(p.x, p.y, p.z, view.modelview, view.projection, view.viewport, &x, &y, &z) != GL_TRUE) return false;
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return false;
  out = WindowPoint{x, y, z};
  return true;
}

SceneCamera* currentSceneCamera(Scene& scene) {
  if (scene.currentCamera < 0 || static_cast<size_t>(scene.currentCamera) >= scene.cameras.size()) return nullptr;
  return &scene.cameras[static_cast<size_t>(scene.currentCamera)];
}

void bindTextureWithMode(GLenum target, GLuint texture, GLenum envMode) {
  glBindTexture(target, texture);
  if (envMode != 0) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(envMode));
}

}  // namespace glorbe
