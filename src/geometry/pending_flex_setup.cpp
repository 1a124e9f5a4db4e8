// The soft-body set-up until it is written: nothing is prepared, and the
// soft-body step (render/) does nothing either. This file goes with them.
#include "geometry/flex_setup.h"

namespace glorbe {

void setupFlexObject(SceneObject&, float, float, float, float, float, const Vec3&) {}

}  // namespace glorbe
