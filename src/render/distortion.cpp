// The three deformers and OBJDISTORT's work on one object. Positions are
// computed in double precision: a nearly straight bend has a radius of a
// million, and in 32-bit floats the point would come back on a grid of
// 1/16.
#include "render/distortion.h"

#include <algorithm>
#include <cmath>

namespace glorbe {

namespace {

constexpr double kSmallestCurvature = 0.000001;

struct Point {
  double x, y, z;
};

bool allFinite(std::initializer_list<float> values) {
  return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

size_t usableVertices(const SceneObject& object) {
  return static_cast<size_t>(std::clamp<int32_t>(object.vertexCount, 0, static_cast<int32_t>(object.vertices.size())));
}

bool deformable(const SceneObject& object, int32_t frame) {
  return !isHidden(object) && object.visibleThisFrame && !object.terrainMesh && frame >= 0 &&
         static_cast<size_t>(frame) < object.frameVertices.size();
}

// The vertices a deformer rewrites: those in use that the frame holds.
size_t deformedCount(const SceneObject& object, int32_t frame) {
  return std::min(usableVertices(object), object.frameVertices[static_cast<size_t>(frame)].size());
}

// The normals it may rewrite: none for a frame without normals.
size_t normalCount(const SceneObject& object, int32_t frame, size_t vertices) {
  const auto f = static_cast<size_t>(frame);
  if (f >= object.frameNormals.size()) return 0;
  return std::min({vertices, object.frameNormals[f].size(), object.normals.size()});
}

Point sourcePoint(const SceneObject& object, int32_t frame, size_t i) {
  const Vec3& p = object.frameVertices[static_cast<size_t>(frame)][i];
  return Point{static_cast<double>(p.x) + object.meshOrigin.x, static_cast<double>(p.y) + object.meshOrigin.y,
               static_cast<double>(p.z) + object.meshOrigin.z};
}

Point sourceNormal(const SceneObject& object, int32_t frame, size_t i) {
  const Vec3& n = object.frameNormals[static_cast<size_t>(frame)][i];
  return Point{n.x, n.y, n.z};
}

void writePosition(SceneObject& object, size_t i, const Point& p) {
  object.vertices[i] = Vec3{static_cast<float>(p.x - object.meshOrigin.x), static_cast<float>(p.y - object.meshOrigin.y),
                            static_cast<float>(p.z - object.meshOrigin.z)};
}

void writeNormal(SceneObject& object, size_t i, const Point& n) {
  object.normals[i] = Vec3{static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)};
}

// The shadow volumes need face normals that follow the vertices.
void recomputeCasterFaceNormals(SceneObject& object) {
  if (!object.castsShadow) return;
  const size_t vertices = usableVertices(object);
  const size_t faces = std::min({static_cast<size_t>(std::max(object.faceCount, 0)), object.faces.size(),
                                 object.faceNormals.size()});
  for (size_t f = 0; f < faces; ++f) {
    const Face& face = object.faces[f];
    if (face[0] >= vertices || face[1] >= vertices || face[2] >= vertices) continue;
    const Vec3& a = object.vertices[face[0]];
    const Vec3& b = object.vertices[face[1]];
    const Vec3& c = object.vertices[face[2]];
    object.faceNormals[f] = cross(Vec3{b.x - a.x, b.y - a.y, b.z - a.z}, Vec3{c.x - a.x, c.y - a.y, c.z - a.z});
  }
}

double atLeastSmallest(float curvature) {
  const double a = curvature;
  return std::fabs(a) < kSmallestCurvature ? kSmallestCurvature : a;
}

}  // namespace

void bendObject(SceneObject& object, int32_t frame, float a1, float a2, float a3) {
  if (!deformable(object, frame) || !allFinite({a1, a2, a3})) return;
  const double c1 = atLeastSmallest(a1), c2 = atLeastSmallest(a2), c3 = atLeastSmallest(a3);
  const double r1 = 1 / c1, r2 = 1 / c2, r3 = 1 / c3;
  const size_t count = deformedCount(object, frame);
  const size_t normals = normalCount(object, frame, count);
  for (size_t i = 0; i < count; ++i) {
    const Point p = sourcePoint(object, frame, i);
    // Around x, then y, then z: each turn bends one axis onto a circle of
    // its radius.
    const double t1 = c3 * p.y;
    const double s1 = std::sin(t1), k1 = std::cos(t1);
    const double x1 = p.x, y1 = -s1 * (p.z - r3), z1 = k1 * (p.z - r3) + r3;
    const double t2 = c2 * z1;
    const double s2 = std::sin(t2), k2 = std::cos(t2);
    const double x2 = k2 * (x1 - r2) + r2, y2 = y1, z2 = -s2 * (x1 - r2);
    const double t3 = c1 * x2;
    const double s3 = std::sin(t3), k3 = std::cos(t3);
    const double x3 = -s3 * (y2 - r1), y3 = k3 * (y2 - r1) + r1, z3 = z2;
    writePosition(object, i, Point{x3, y3, z3});
    if (i >= normals) continue;
    // The normal turns by the vertex's three angles (the turns of the bend
    // without its radii), and the one written lies halfway between.
    const Point n = sourceNormal(object, frame, i);
    const double ny1 = k1 * n.y - s1 * n.z, nz1 = s1 * n.y + k1 * n.z;
    const double nx2 = k2 * n.x + s2 * nz1, nz2 = -s2 * n.x + k2 * nz1;
    const double nx3 = k3 * nx2 - s3 * ny1, ny3 = s3 * nx2 + k3 * ny1;
    writeNormal(object, i, Point{0.5 * (n.x + nx3), 0.5 * (n.y + ny3), 0.5 * (n.z + nz2)});
  }
  recomputeCasterFaceNormals(object);
}

void twistObject(SceneObject& object, int32_t frame, float w1, float w2, float w3, float tx, float ty, float tz) {
  if (!deformable(object, frame) || !allFinite({w1, w2, w3, tx, ty, tz})) return;
  const size_t count = deformedCount(object, frame);
  const size_t normals = normalCount(object, frame, count);
  for (size_t i = 0; i < count; ++i) {
    const Point p = sourcePoint(object, frame, i);
    const double fx = (1 + tz * p.z) * (1 + ty * p.y);
    const double fy = (1 + tx * p.x) * (1 + tz * p.z);
    const double fz = (1 + tx * p.x) * (1 + ty * p.y);
    const double x1 = p.x * fx, y1 = p.y * fy, z1 = p.z * fz;
    const double t3 = w3 * z1;  // about z
    const double s3 = std::sin(t3), k3 = std::cos(t3);
    const double x2 = x1 * k3 - y1 * s3, y2 = x1 * s3 + y1 * k3, z2 = z1;
    const double t2 = w2 * y2;  // about y
    const double s2 = std::sin(t2), k2 = std::cos(t2);
    const double x3 = x2 * k2 + z2 * s2, y3 = y2, z3 = -x2 * s2 + z2 * k2;
    const double t1 = w1 * x3;  // about x
    const double s1 = std::sin(t1), k1 = std::cos(t1);
    const double x4 = x3, y4 = y3 * k1 - z3 * s1, z4 = y3 * s1 + z3 * k1;
    writePosition(object, i, Point{x4, y4, z4});
    if (i >= normals) continue;
    const Point n = sourceNormal(object, frame, i);
    const double nx1 = n.x * fx, ny1 = n.y * fy, nz1 = n.z * fz;
    const double nx2 = nx1 * k3 - ny1 * s3, ny2 = nx1 * s3 + ny1 * k3, nz2 = nz1;
    const double nx3 = nx2 * k2 + nz2 * s2, nz3 = -nx2 * s2 + nz2 * k2;
    writeNormal(object, i, Point{nx3, ny2 * k1 - nz3 * s1, ny2 * s1 + nz3 * k1});
  }
  recomputeCasterFaceNormals(object);
}

void wobbleObject(SceneObject& object, int32_t frame, float phase1, float phase2, float phase3, float rate3,
                  float rate2, float rate1, float amount) {
  if (!deformable(object, frame) || !allFinite({phase1, phase2, phase3, rate3, rate2, rate1, amount})) return;
  const size_t count = deformedCount(object, frame);
  for (size_t i = 0; i < count; ++i) {
    const Point p = sourcePoint(object, frame, i);
    const double s = 3 - std::cos(std::atan2(p.x, p.y) * rate1 + phase1) -
                     std::cos(std::atan2(p.x, p.z) * rate2 + phase2) - std::cos(std::atan2(p.y, p.z) * rate3 + phase3);
    const double k = 1 + amount * s;
    writePosition(object, i, Point{p.x * k, p.y * k, p.z * k});
  }
  recomputeCasterFaceNormals(object);
}

void distortSceneObject(SceneObject& object, const SceneObjDistortValues& v, int32_t localTick) {
  if (object.terrainMesh) return;
  if (object.frameVertices.empty()) {
    // The undistorted source, made once from what the object shows now.
    const size_t count = usableVertices(object);
    object.frameVertices.emplace_back(object.vertices.begin(), object.vertices.begin() + static_cast<ptrdiff_t>(count));
    const size_t normals = std::min(count, object.normals.size());
    object.frameNormals.resize(1);
    object.frameNormals[0].assign(object.normals.begin(), object.normals.begin() + static_cast<ptrdiff_t>(normals));
  }
  const DeformerCall call = objDistortArguments(v, localTick);
  const auto& a = call.args;
  switch (call.deformer) {
    case Deformer::Undo: {
      const size_t count = std::min(usableVertices(object), object.frameVertices[0].size());
      std::copy_n(object.frameVertices[0].begin(), count, object.vertices.begin());
      const size_t normals = normalCount(object, 0, count);
      std::copy_n(object.frameNormals[0].begin(), normals, object.normals.begin());
      recomputeCasterFaceNormals(object);
      break;
    }
    case Deformer::Wobble:
      wobbleObject(object, 0, a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
      break;
    case Deformer::Twist:
      twistObject(object, 0, a[0], a[1], a[2], a[3], a[4], a[5]);
      break;
    case Deformer::Bend:
      bendObject(object, 0, a[0], a[1], a[2]);
      break;
    case Deformer::None:
      break;
  }
}

}  // namespace glorbe
