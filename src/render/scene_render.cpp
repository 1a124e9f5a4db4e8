// The frame of one scene: scene-wide lights and fog, camera and lights, the
// terrain, the opaque objects, the stencil shadows, the blended objects, the
// particles and the halos. The caller's colour and blend state come back as
// they were.
#include "render/scene_render.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "render/flex_objects.h"
#include "render/lights_camera.h"
#include "render/lod_terrain.h"
#include "render/object_drawing.h"
#include "render/object_transform.h"
#include "render/particles.h"
#include "render/shadows.h"
#include "render/view_projection.h"
#include "scripts/scene_tables.h"

namespace glorbe {

Matrix transposeMatrix(const Matrix& m) {
  Matrix r;
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column) r.at(row, column) = m.at(column, row);
  return r;
}

Vec3 transformPoint(const Matrix& m, const Vec3& p) {
  return Vec3{m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
              m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

namespace {

constexpr int32_t kHighestLightIndex = kMaxSceneLights - 1;
constexpr int32_t kFlexSubSteps = 25;
constexpr int32_t kFlexMaxElapsed = 6;
constexpr float kFlexTickStep = 0.004f;
constexpr int32_t kFlexMode = 2;

struct CallerState {
  GLboolean blend = GL_FALSE;
  GLfloat colour[4] = {1, 1, 1, 1};
  GLint blendSrc = GL_ONE;
  GLint blendDst = GL_ZERO;
};

void restoreColourAndBlend(const CallerState& caller) {
  glColor4f(caller.colour[0], caller.colour[1], caller.colour[2], caller.colour[3]);
  if (caller.blend) {
    glEnable(GL_BLEND);
  } else {
    glDisable(GL_BLEND);
  }
  glBlendFunc(static_cast<GLenum>(caller.blendSrc), static_cast<GLenum>(caller.blendDst));
}

// A light's diffuse colour at a tick: its colour swung by its pulse, summed
// in extended precision and clamped to 0..1 per channel.
void pulsingDiffuse(const SceneLight& light, int32_t tick, GLfloat out[4]) {
  const long double angle = (static_cast<long double>(light.pulsePhase) + static_cast<long double>(tick)) *
                            static_cast<long double>(kPi) * static_cast<long double>(light.pulseRate);
  const long double swing = static_cast<long double>(light.pulseAmount) * std::sin(angle);
  for (size_t c = 0; c < 3; ++c) {
    long double value = static_cast<long double>(light.color[c]) + swing;
    if (!(value >= 0)) value = 0;  // NaN too
    if (value > 1) value = 1;
    out[c] = static_cast<GLfloat>(value);
  }
  out[3] = 1.0f;
}

// tick - previousTick without overflow, whatever the caller passes.
int32_t elapsedBetween(int32_t tick, int32_t previousTick) {
  const int64_t elapsed = int64_t{tick} - previousTick;
  return static_cast<int32_t>(std::clamp<int64_t>(elapsed, INT32_MIN, INT32_MAX));
}

bool lightingOn(const Scene& scene) { return scene.useAmbient && usableLightCount(scene) >= 1; }

// The scene's lights in object i's own space, through GL's own inverse of
// the object transform. A soft body's vertices are already in world space
// (it is drawn without its transform), so its lights are the world ones.
void computeLightLocalPositions(const Scene& scene, int32_t i, int32_t tick, LightLocalPositions& out) {
  const int32_t count = usableLightCount(scene);
  if (scene.objects[static_cast<size_t>(i)].flexOn) {
    for (int32_t j = 0; j < count; ++j) out[static_cast<size_t>(j)] = scene.lights[static_cast<size_t>(j)].position;
    return;
  }
  glPushMatrix();
  glLoadIdentity();
  applyObjectTransform(scene, i, tick, true, true);
  Matrix worldToObject;
  glGetFloatv(GL_MODELVIEW_MATRIX, worldToObject.data());
  glPopMatrix();
  for (int32_t j = 0; j < count; ++j) {
    out[static_cast<size_t>(j)] = transformPoint(worldToObject, scene.lights[static_cast<size_t>(j)].position);
  }
}

bool needsLightLocalPositions(const SceneObject& o) { return o.bumpMapOn || o.toonOn || o.castsShadow; }

void stepFlex(Scene& scene, int32_t i, int32_t tick, int32_t previousTick) {
  if (!scene.objects[static_cast<size_t>(i)].flexOn || tick <= previousTick) return;
  const int64_t elapsed = std::min<int64_t>(int64_t{tick} - previousTick, kFlexMaxElapsed);
  stepFlexObject(scene, i, kFlexSubSteps, static_cast<float>(elapsed) * kFlexTickStep, kFlexMode);
}

// One object drawn in its place: soft bodies keep their vertices in world
// space and take no transform.
void drawObjectInPlace(Scene& scene, int32_t i, int32_t tick, const LightLocalPositions& lights) {
  SceneObject& object = scene.objects[static_cast<size_t>(i)];
  glPushMatrix();
  if (!object.flexOn) applyObjectTransform(scene, i, tick, true, false);
  drawSceneObject(object, scene, tick, lights, kHighestLightIndex);
  glPopMatrix();
}

void drawWholeScreenQuad() {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluOrtho2D(0, 1, 0, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glBegin(GL_TRIANGLE_STRIP);
  glVertex3f(0, 1, 0);
  glVertex3f(0, 0, 0);
  glVertex3f(1, 1, 0);
  glVertex3f(1, 0, 0);
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

// Stencil shadows, counted where the volumes pass the depth test: front
// faces up, back faces down; what stays non-zero is darkened. With
// addShadow each light darkens its own shadow, else all lights share one.
void drawStencilShadows(Scene& scene, int32_t tick, LightLocalPositions& lights) {
  glDisable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDepthMask(GL_FALSE);
  glEnable(GL_STENCIL_TEST);
  const int32_t passes = scene.addShadow ? usableLightCount(scene) : 1;
  const int32_t objectCount = static_cast<int32_t>(scene.objects.size());
  for (int32_t pass = 0; pass < passes; ++pass) {
    const int32_t lightIndex = scene.addShadow ? pass : -1;
    if (pass > 0) glClear(GL_STENCIL_BUFFER_BIT);  // the first pass has the frame's clear
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glStencilFunc(GL_ALWAYS, 1, ~0u);
    for (int32_t i = 0; i < objectCount; ++i) {
      const SceneObject& object = scene.objects[static_cast<size_t>(i)];
      if (!object.castsShadow || !object.visibleThisFrame || isHidden(object)) continue;
      computeLightLocalPositions(scene, i, tick, lights);
      glPushMatrix();
      if (!object.flexOn) applyObjectTransform(scene, i, tick, true, false);  // as the object was drawn
      glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
      drawShadowVolumes(scene, i, lights, kHighestLightIndex, lightIndex);
      glFrontFace(GL_CW);
      glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
      drawShadowVolumes(scene, i, lights, kHighestLightIndex, lightIndex);
      glFrontFace(GL_CCW);
      glPopMatrix();
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glColor4f(0, 0, 0, scene.shadowStrength);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glStencilFunc(GL_NOTEQUAL, 0, ~0u);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDisable(GL_DEPTH_TEST);
    drawWholeScreenQuad();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
  }
  glEnable(GL_TEXTURE_2D);
  glDepthMask(GL_TRUE);
  glDisable(GL_STENCIL_TEST);
}

}  // namespace

void renderScene(Scene& scene, int32_t tick, int32_t previousTick) {
  CallerState caller;
  caller.blend = glIsEnabled(GL_BLEND);
  glGetFloatv(GL_CURRENT_COLOR, caller.colour);
  glGetIntegerv(GL_BLEND_SRC, &caller.blendSrc);
  glGetIntegerv(GL_BLEND_DST, &caller.blendDst);

  const GLfloat ambient[4] = {scene.ambientColour[0], scene.ambientColour[1], scene.ambientColour[2], 1.0f};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  for (int i = 0; i < kMaxSceneLights; ++i) glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
  const int32_t lightCount = usableLightCount(scene);
  if (lightingOn(scene)) {
    glEnable(GL_LIGHTING);
    const GLfloat black[4] = {0, 0, 0, 1};
    const GLfloat white[4] = {1, 1, 1, 1};
    for (int32_t i = 0; i < lightCount; ++i) {
      const GLenum gl = static_cast<GLenum>(GL_LIGHT0 + i);
      glEnable(gl);
      GLfloat diffuse[4];
      pulsingDiffuse(scene.lights[static_cast<size_t>(i)], tick, diffuse);
      glLightfv(gl, GL_DIFFUSE, diffuse);
      glLightfv(gl, GL_AMBIENT, black);
      glLightfv(gl, GL_SPECULAR, white);
    }
  } else {
    glDisable(GL_LIGHTING);
  }
  if (scene.fogOn) {
    glEnable(GL_FOG);
    const GLfloat fogColour[4] = {scene.fogColor[0], scene.fogColor[1], scene.fogColor[2], 1.0f};
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogf(GL_FOG_DENSITY, scene.fogDensity);
    glFogf(GL_FOG_START, scene.fogStart);
    glFogf(GL_FOG_END, scene.fogEnd);
  } else {
    glDisable(GL_FOG);
  }
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  // A camera index that names no camera leaves the view as it is and skips
  // everything that needs a camera: terrain, particle drawing and halos.
  SceneCamera* camera = currentSceneCamera(scene);
  placeCamera(scene, tick);
  glPushMatrix();
  placeLights(scene, tick, elapsedBetween(tick, previousTick));
  glPopMatrix();

  if (scene.terrainIndex >= 0 && static_cast<size_t>(scene.terrainIndex) < sceneTables.terrains.size() &&
      camera != nullptr) {
    drawLodTerrain(sceneTables.terrains[static_cast<size_t>(scene.terrainIndex)], tick, *camera);
    restoreColourAndBlend(caller);
  }

  LightLocalPositions lights{};
  const int32_t objectCount = static_cast<int32_t>(scene.objects.size());
  bool anyBlended = false;
  for (int32_t i = 0; i < objectCount; ++i) {
    const SceneObject& object = scene.objects[static_cast<size_t>(i)];
    if (object.blended) anyBlended = true;
    if (isHidden(object) || object.blended) continue;
    if (needsLightLocalPositions(object)) computeLightLocalPositions(scene, i, tick, lights);
    stepFlex(scene, i, tick, previousTick);
    restoreColourAndBlend(caller);
    drawObjectInPlace(scene, i, tick, lights);
  }
  glDisable(GL_FOG);

  if (scene.shadow) drawStencilShadows(scene, tick, lights);

  if (anyBlended) {
    if (lightingOn(scene)) glEnable(GL_LIGHTING);
    for (int32_t i = 0; i < objectCount; ++i) {
      const SceneObject& object = scene.objects[static_cast<size_t>(i)];
      if (!object.blended || isHidden(object)) continue;
      if (needsLightLocalPositions(object)) computeLightLocalPositions(scene, i, tick, lights);
      stepFlex(scene, i, tick, previousTick);
      glColor4f(caller.colour[0], caller.colour[1], caller.colour[2], caller.colour[3]);
      glEnable(GL_BLEND);
      glBlendFunc(object.blendSrcFactor, object.blendDstFactor);
      glDepthMask(GL_FALSE);
      glDisable(GL_CULL_FACE);
      // An additive object is light itself: fog would only grey it.
      if (scene.fogOn && object.blendSrcFactor != GL_ONE) {
        glEnable(GL_FOG);
      } else {
        glDisable(GL_FOG);
      }
      drawObjectInPlace(scene, i, tick, lights);
    }
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
  }

  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);

  if (tick > previousTick) {
    for (ParticleSystem& system : scene.particleSystems) {
      for (int32_t j = 0; j < lightCount; ++j) {
        const SceneLight& light = scene.lights[static_cast<size_t>(j)];
        if (light.name == system.name) attachParticleSystemToLight(system, light);
      }
      updateParticleSystem(system, elapsedBetween(tick, previousTick));
    }
  }
  if (camera != nullptr) {
    glPushMatrix();
    drawParticleSystems(scene);
    glPopMatrix();
    glPushMatrix();
    drawLightHalos(scene, tick, elapsedBetween(tick, previousTick));
    glPopMatrix();
  }
  restoreColourAndBlend(caller);
}

}  // namespace glorbe
