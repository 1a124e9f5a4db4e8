// The one view-culling test of the renderer, for boxes given by their eight
// corners: project every corner with gluProject and call the box outside
// when all eight fail the same one of six tests (left of the viewport,
// right of it, below, above, beyond the far plane, before the near plane).
// A corner that cannot be projected fails all six.
#pragma once

#include <GL/gl.h>

#include <array>

#include "geometry/scene_records.h"

namespace glorbe {

// The matrices and viewport a culling pass projects with.
struct ViewTransform {
  std::array<GLdouble, 16> modelview{};
  std::array<GLdouble, 16> projection{};
  std::array<GLint, 4> viewport{};
};

// The current GL modelview and projection matrices and viewport.
ViewTransform readViewTransform();

bool boxOutsideView(const ViewTransform& view, const BoxCorners& corners);

}  // namespace glorbe
