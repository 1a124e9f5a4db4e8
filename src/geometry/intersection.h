// Segment against triangle, and the twelve triangles of a bounding box:
// the shadow tests and the soft bodies' collisions use both.
#pragma once

#include <array>

#include "geometry/scene_records.h"

namespace glorbe {

// The 12 triangles of a box as indices into its corners (BoxCorners order),
// wound so that their normals point out of the box.
inline constexpr std::array<std::array<int, 3>, 12> kBoxTriangles{{{4, 2, 0},
                                                                   {4, 6, 2},
                                                                   {6, 3, 2},
                                                                   {6, 7, 3},
                                                                   {7, 1, 3},
                                                                   {7, 5, 1},
                                                                   {5, 0, 1},
                                                                   {5, 4, 0},
                                                                   {0, 3, 1},
                                                                   {0, 2, 3},
                                                                   {5, 6, 4},
                                                                   {5, 7, 6}}};

// Does the segment from `origin` to origin + direction meet the triangle
// (a, b, c)? The ray-triangle intersection of Moeller and Trumbore: a
// determinant below 0.0001 in magnitude is a miss, the barycentric bounds are
// u >= 0, v >= 0, u + v <= 1, and the hit lies at 0 <= t <= 1 along
// `direction`. With cullBackFaces a triangle whose normal (b - a) x (c - a)
// points along the direction (determinant below 0.0001) is never hit. On a
// hit, `t` receives the parameter.
bool segmentHitsTriangle(const Vec3& origin, const Vec3& direction, const Vec3& a, const Vec3& b, const Vec3& c,
                         bool cullBackFaces, float& t);

}  // namespace glorbe
