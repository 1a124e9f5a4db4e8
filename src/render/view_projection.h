// Small pieces the scene drawing shares: vector arithmetic, the current
// view read back from GL and points projected through it, the lights and
// camera a scene may use, and texture binding with an environment mode.
#pragma once

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>

#include "geometry/scene_records.h"

namespace glorbe {

// In a namespace of their own so that other headers may have their own.
namespace vecops {
inline Vec3 operator+(const Vec3& a, const Vec3& b) { return Vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(const Vec3& a, float s) { return Vec3{a.x * s, a.y * s, a.z * s}; }
inline float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 normalised(Vec3 v) {
  normalise(v);
  return v;
}
}  // namespace vecops

// The modelview and projection matrices and the viewport, as gluProject
// takes them.
struct ViewTransform {
  GLdouble modelview[16];
  GLdouble projection[16];
  GLint viewport[4];
};

void readViewTransform(ViewTransform& view);

// A point's window coordinates. False when GLU cannot project it or the
// result is not finite (a point on the eye plane, or one made of NaNs).
struct WindowPoint {
  double x = 0, y = 0, z = 0;
};
bool projectPoint(const ViewTransform& view, const Vec3& p, WindowPoint& out);

// Window x and y measured from the viewport's lower left corner (window z
// as it is). gluProject's window coordinates include the viewport's origin;
// the view tests and the screen-centred positions are taken against the
// viewport itself, wherever the timeline has placed it.
inline WindowPoint inViewport(const ViewTransform& view, const WindowPoint& w) {
  return WindowPoint{w.x - view.viewport[0], w.y - view.viewport[1], w.z};
}

// The lights the scene pass uses: lightCount, but never more than the scene
// holds nor more than GL has lights.
inline int32_t usableLightCount(const Scene& scene) {
  const int32_t held = static_cast<int32_t>(std::min<size_t>(scene.lights.size(), kMaxSceneLights));
  return std::clamp(scene.lightCount, 0, held);
}

// The camera that currentCamera names, or null when it names none.
SceneCamera* currentSceneCamera(Scene& scene);

// Binds a 2D texture and sets the texture environment mode; a mode of 0
// (a record whose mode was never given) leaves the environment as it is.
void bindTextureWithMode(GLenum target, GLuint texture, GLenum envMode);

}  // namespace glorbe
