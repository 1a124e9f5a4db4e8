// The camera's view transform, the lights moved along their tracks or by
// their attractors and projected to the screen for the shadow tests, and the
// halos: a glow that keeps its size on screen and six coloured rings that
// fade out while something hides the light.
#include "render/lights_camera.h"

#include <GL/glu.h>

#include <cmath>
#include <limits>

#include "render/frame_stats.h"
#include "render/view_projection.h"

namespace glorbe {

using namespace vecops;

namespace {

// placeCamera looks this many ticks ahead for a direction that is neither
// zero nor along the starting up vector before it gives up.
constexpr int32_t kUpSearchTicks = 1000;
constexpr float kDirectionTolerance = 0.001f;

// Every component of a and b equal in magnitude, within the tolerance: the
// two directions are parallel (or a is zero when b is).
bool sameMagnitudes(const Vec3& a, const Vec3& b) {
  return std::fabs(std::fabs(a.x) - std::fabs(b.x)) <= kDirectionTolerance &&
         std::fabs(std::fabs(a.y) - std::fabs(b.y)) <= kDirectionTolerance &&
         std::fabs(std::fabs(a.z) - std::fabs(b.z)) <= kDirectionTolerance;
}

int32_t nextTick(int32_t tick) { return tick < std::numeric_limits<int32_t>::max() ? tick + 1 : tick; }

}  // namespace

// ---- camera ---------------------------------------------------------------------

void placeCamera(Scene& scene, int32_t tick) {
  SceneCamera* camera = currentSceneCamera(scene);
  if (camera == nullptr) return;
  const Vec3 startUp{0, 0, -1};
  Vec3 up = startUp;
  bool usable = false;
  for (int32_t step = 0; step < kUpSearchTicks && !usable; ++step) {
    up = startUp;
    // Tracks without keys leave the file's values in the record.
    evaluateSmooth(camera->positionTrack, tick, camera->position);
    evaluateSmooth(camera->targetTrack, tick, camera->target);
    const Vec3 dir = normalised(camera->target - camera->position);
    tick = nextTick(tick);
    if (std::fabs(dir.x) <= kDirectionTolerance && std::fabs(dir.y) <= kDirectionTolerance &&
        std::fabs(dir.z) <= kDirectionTolerance)
      continue;  // position on the target
    if (sameMagnitudes(dir, up)) continue;  // looking along the up vector
    const Vec3 side = normalised(cross(dir, up));
    up = normalised(cross(dir, side));
    usable = !sameMagnitudes(dir, up);
  }
  if (usable) {
    camera->lastUp = up;
  } else {
    up = camera->lastUp;
  }
  glScalef(1, 1, camera->zScale);
  Vec3 roll{camera->roll, 0, 0};
  evaluateSmooth(camera->rollTrack, tick, roll);
  camera->roll = roll.x;
  glRotatef(camera->roll, 0, 0, 1);
  gluLookAt(camera->position.x, camera->position.y, camera->position.z, camera->target.x, camera->target.y,
            camera->target.z, up.x, up.y, up.z);
}

// ---- lights ---------------------------------------------------------------------

void placeLights(Scene& scene, int32_t tick, int32_t elapsedTicks) {
  const int32_t count = usableLightCount(scene);
  if (count == 0) return;
  ViewTransform view;
  readViewTransform(view);
  const double width = view.viewport[2];
  const double height = view.viewport[3];
  const int32_t steps = std::max(elapsedTicks, 0);
  for (int32_t i = 0; i < count; ++i) {
    SceneLight& light = scene.lights[static_cast<size_t>(i)];
    if (!light.attractors.empty()) {
      for (int32_t s = 0; s < steps; ++s) {
        for (const Attractor& a : light.attractors) {
          const Vec3 d = Vec3{a[0], a[1], a[2]} - light.position;
          const float d2 = dot(d, d);
          if (d2 > 0.001f) light.velocity = light.velocity + d * (a[3] / d2);
        }
        light.position = light.position + light.velocity;
      }
    } else {
      evaluateSmooth(light.positionTrack, tick, light.position);
    }
    const GLfloat position[4] = {light.position.x, light.position.y, light.position.z, 1.0f};
    glLightfv(static_cast<GLenum>(GL_LIGHT0 + i), GL_POSITION, position);

    WindowPoint w;
    if (projectPoint(view, light.position, w)) {
      w = inViewport(view, w);
      light.screenPosition = Vec3{static_cast<float>(w.x - width * 0.5), static_cast<float>(w.y - height * 0.5),
                                  static_cast<float>(w.z)};
      light.onScreen = w.x >= 0 && w.x < width && w.y >= 0 && w.y < height && w.z >= 0 && w.z <= 1;
    } else {
      light.screenPosition = Vec3{};
      light.onScreen = false;
    }
  }
}

// ---- halos ----------------------------------------------------------------------

namespace {

struct HaloRing {
  float turnsPerTick;  // the angle is tick x pi x this, in degrees
  float period;
  float swing;
  int colourChannel;  // 0 red, 1 green, 2 blue: the light's channel this ring shows
};

constexpr HaloRing kHaloRings[6] = {
    {0.5f, 200, 2.5f, 0}, {-0.4f, 150, 2.5f, 2}, {-0.2f, 250, 2.1f, 1},
    {-0.3f, 225, 2.5f, 0}, {0.1f, 175, 2.5f, 2}, {0.25f, 275, 2.1f, 1},
};

// Is the light's centre seen? Outside the viewport or the depth range it
// counts as seen; inside, when the depth buffer there lies behind it.
bool haloSeen(const ViewTransform& view, const Vec3& position) {
  WindowPoint w;
  if (!projectPoint(view, position, w)) return false;
  const GLint* vp = view.viewport;
  const WindowPoint v = inViewport(view, w);
  const bool inside = v.x >= 0 && v.x < vp[2] && v.y >= 0 && v.y < vp[3] && v.z >= 0 && v.z <= 1;
  if (!inside) return true;
  if (vp[2] <= 0 || vp[3] <= 0) return true;
  const double px = std::clamp(std::nearbyint(w.x), static_cast<double>(vp[0]), static_cast<double>(vp[0] + vp[2] - 1));
  const double py = std::clamp(std::nearbyint(w.y), static_cast<double>(vp[1]), static_cast<double>(vp[1] + vp[3] - 1));
  GLfloat depth = 0;
  glReadPixels(static_cast<GLint>(px), static_cast<GLint>(py), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  return depth > w.z;
}

}  // namespace

void drawLightHalos(Scene& scene, int32_t tick, int32_t elapsedTicks) {
  const int32_t count = usableLightCount(scene);
  const SceneCamera* camera = currentSceneCamera(scene);
  if (count == 0 || camera == nullptr) return;
  const Vec3 dir = normalised(camera->target - camera->position);
  const Vec3 right = normalised(cross(dir, Vec3{0, 0, -1}));
  const Vec3 up = normalised(cross(dir, right));

  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDepthMask(GL_FALSE);
  ViewTransform view;
  readViewTransform(view);
  const float steps = static_cast<float>(std::max(elapsedTicks, 0));
  const float t = static_cast<float>(tick);

  for (int32_t i = 0; i < count; ++i) {
    SceneLight& light = scene.lights[static_cast<size_t>(i)];
    const float s = light.size + (std::sin((light.pulsePhase + t) * kPi * light.pulseRate) + 1) * light.pulseAmount * 0.3f;
    Vec3 r = right * s;
    Vec3 u = up * s;

    glPushMatrix();
    glTranslatef(light.position.x, light.position.y, light.position.z);
    bindTextureWithMode(GL_TEXTURE_2D, light.flareTextureB, light.flareEnvModeB);
    glPushMatrix();
    const float d = vec3Length(camera->position - light.position) * 0.3f;
    glScalef(d, d, d);  // the glow keeps its size on screen
    glColor4f(light.color[0] + 0.2f, light.color[1] + 0.2f, light.color[2] + 0.2f, 1.0f);
    drawHaloQuad(light, u, r);
    glPopMatrix();

    if (haloSeen(view, light.position)) {
      light.haloFade = std::min(light.haloFade + steps * 0.04f, 1.0f);
    } else {
      light.haloFade = std::max(light.haloFade - steps * 0.01f, 0.0f);
    }
    r = r * light.haloFade;
    u = u * light.haloFade;
    bindTextureWithMode(GL_TEXTURE_2D, light.flareTextureA, light.flareEnvModeA);
    for (const HaloRing& ring : kHaloRings) {
      glPushMatrix();
      glRotatef(t * kPi * ring.turnsPerTick, dir.x, dir.y, dir.z);
      const float k = std::fabs(std::sin(t * kPi / ring.period)) * ring.swing + 3;
      glScalef(k, k, k);
      float colour[3] = {0.1f, 0.1f, 0.1f};
      colour[ring.colourChannel] += light.color[static_cast<size_t>(ring.colourChannel)];
      glColor4f(colour[0], colour[1], colour[2], light.haloFade);
      drawHaloQuad(light, u, r);
      glPopMatrix();
    }
    glPopMatrix();
  }

  glEnable(GL_CULL_FACE);
  glDepthMask(GL_TRUE);
  glDisable(GL_BLEND);
  glEnable(GL_LIGHTING);
}

void drawHaloQuad(const SceneLight&, const Vec3& up, const Vec3& right) {
  const Vec3 centre = (up + right) * -0.5f;
  glTranslatef(centre.x, centre.y, centre.z);
  const Vec3 corner = up + right;
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex3f(0, 0, 0);
  glTexCoord2f(0, 1);
  glVertex3f(up.x, up.y, up.z);
  glTexCoord2f(1, 1);
  glVertex3f(corner.x, corner.y, corner.z);
  glTexCoord2f(1, 0);
  glVertex3f(right.x, right.y, right.z);
  glEnd();
  frameStats.objpolys += 2;
}

}  // namespace glorbe
