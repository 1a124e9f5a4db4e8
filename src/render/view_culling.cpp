// View culling of eight-corner boxes through gluProject.
#include "render/view_culling.h"

#include <GL/glu.h>

namespace glorbe {

ViewTransform readViewTransform() {
  ViewTransform view;
  glGetDoublev(GL_MODELVIEW_MATRIX, view.modelview.data());
  glGetDoublev(GL_PROJECTION_MATRIX, view.projection.data());
  glGetIntegerv(GL_VIEWPORT, view.viewport.data());
  return view;
}

bool boxOutsideView(const ViewTransform& view, const BoxCorners& corners) {
  int counts[6] = {0, 0, 0, 0, 0, 0};
  const double width = view.viewport[2];
  const double height = view.viewport[3];
  for (const Vec3& c : corners) {
    GLdouble x = 0, y = 0, z = 0;
    if (gluProject(c.x, c.y, c.z, view.modelview.data(), view.projection.data(), view.viewport.data(), &x, &y, &z) ==
        GL_FALSE) {
      for (int& count : counts) ++count;
      continue;
    }
    counts[0] += x < 0.0;
    counts[1] += x >= width;
    counts[2] += y < 0.0;
    counts[3] += y >= height;
    counts[4] += z > 1.0;
    counts[5] += z < 0.0;
  }
  for (int count : counts) {
    if (count == 8) return true;
  }
  return false;
}

}  // namespace glorbe
