// The volume a closed triangle mesh encloses, for tests of meshes that
// keep their shape.
#pragma once

#include "geometry/maths.h"

namespace glorbe::testing {

// Positive when the faces look outward; any vertex list of Vec3 and face
// list of three corner numbers each.
template <class Vertices, class Faces>
double enclosedVolume(const Vertices& vertices, const Faces& faces) {
  double v = 0;
  for (const auto& f : faces) {
    const Vec3 &a = vertices[f[0]], &b = vertices[f[1]], &c = vertices[f[2]];
    v += (double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) - double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
          double(a.z) * (double(b.x) * c.y - double(b.y) * c.x)) / 6;
  }
  return v;
}

}  // namespace glorbe::testing
