// View culling of eight-corner boxes (particle systems, terrain nodes).
#include "render/view_culling.h"

namespace glorbe {

bool boxOutsideView(const ViewTransform& view, const BoxCorners& corners) {
  int counts[6] = {0, 0, 0, 0, 0, 0};
  const double width = view.viewport[2];
  const double height = view.viewport[3];
  for (const Vec3& c : corners) {
    WindowPoint w;
    if (!projectPoint(view, c, w)) {
      for (int& count : counts) ++count;
      continue;
    }
    w = inViewport(view, w);
    counts[0] += w.x < 0.0;
    counts[1] += w.x >= width;
    counts[2] += w.y < 0.0;
    counts[3] += w.y >= height;
    counts[4] += w.z > 1.0;
    counts[5] += w.z < 0.0;
  }
  for (int count : counts) {
    if (count == 8) return true;
  }
  return false;
}

}  // namespace glorbe
