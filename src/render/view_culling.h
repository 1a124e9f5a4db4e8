// The one view-culling test of the renderer, for boxes given by their eight
// corners: project every corner with gluProject and call the box outside
// when all eight fail the same one of six tests (left of the viewport,
// right of it, below, above, beyond the far plane, before the near plane).
// A corner that cannot be projected fails all six.
#pragma once

#include "geometry/scene_records.h"
#include "render/view_projection.h"

namespace glorbe {

bool boxOutsideView(const ViewTransform& view, const BoxCorners& corners);

}  // namespace glorbe
