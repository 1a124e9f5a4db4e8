// Particle systems at run time: emitters that follow lights, the one-tick
// Euler steps with attractors, gravity and re-emission, and the drawing as
// additive camera-facing quads. Depends on the particle set-up (shared
// random draws), the view-culling test and the frame counters.
#include "render/particles.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>

#include "geometry/particle_setup.h"
#include "common/random_source.h"
#include "render/frame_stats.h"
#include "render/view_culling.h"

namespace glorbe {

namespace {

// The particles and attractors a system really has, whatever its counts say.
size_t particlesInUse(const ParticleSystem& system) {
  return std::min(static_cast<size_t>(std::max(system.particleCount, 0)), system.particles.size());
}

size_t attractorsInUse(const ParticleSystem& system) {
  return std::min(static_cast<size_t>(std::max(system.attractorCount, 0)), system.attractors.size());
}

Vec3 scaled(const Vec3& v, float s) { return Vec3{v.x * s, v.y * s, v.z * s}; }
Vec3 plus(const Vec3& a, const Vec3& b) { return Vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }

void emit(const ParticleSystem& system, Particle& p) {
  p.position.x = system.position.x + uniformOffset(system.emitSpread);
  p.position.y = system.position.y + uniformOffset(system.emitSpread);
  p.position.z = system.position.z + uniformOffset(system.emitSpread);
  p.velocity.x = system.baseVelocity.x + uniformOffset(system.velocitySpread);
  p.velocity.y = system.baseVelocity.y + uniformOffset(system.velocitySpread);
  p.velocity.z = system.baseVelocity.z + uniformOffset(system.velocitySpread);
  const int64_t life = static_cast<int64_t>(system.lifeBase) + randomBelow(system.lifeRange);
  p.life = static_cast<int32_t>(std::clamp<int64_t>(life, INT32_MIN + 1, INT32_MAX));
  for (size_t k = 0; k < 3; ++k) {
    if (system.color[k] < 0.0f) p.color[k] = randomChannel();
  }
}

}  // namespace

void attachParticleSystemToLight(ParticleSystem& system, const SceneLight& light) {
  const Vec3 delta{light.position.x - system.position.x, light.position.y - system.position.y,
                   light.position.z - system.position.z};
  system.position = light.position;
  if (!system.hasBox) return;
  for (Vec3& corner : system.boxCorners) corner = plus(corner, delta);
}

void updateParticleSystem(ParticleSystem& system, int32_t ticks) {
  const size_t count = particlesInUse(system);
  const size_t attractorCount = attractorsInUse(system);
  Particle* particles = system.particles.data();
  const Attractor* attractors = system.attractors.data();
  const Vec3 gravity = system.gravity;
  for (int32_t tick = 0; tick < ticks; ++tick) {
    for (size_t i = 0; i < count; ++i) {
      Particle& p = particles[i];
      for (size_t a = 0; a < attractorCount; ++a) {
        const Attractor& at = attractors[a];
        const Vec3 d{at[0] - p.position.x, at[1] - p.position.y, at[2] - p.position.z};
        const float d2 = d.x * d.x + d.y * d.y + d.z * d.z;
        if (d2 > 0.001f) p.velocity = plus(p.velocity, scaled(d, at[3] / d2));
      }
      p.velocity = plus(p.velocity, gravity);
      p.position = plus(p.position, p.velocity);
      if (p.life > INT32_MIN) --p.life;
      if (p.life < 1) emit(system, p);
    }
  }
}

void drawParticleSystems(Scene& scene) {
  const SceneCamera* current = currentSceneCamera(scene);
  if (scene.particleSystems.empty() || current == nullptr) return;
  const SceneCamera& camera = *current;
  Vec3 dir{camera.target.x - camera.position.x, camera.target.y - camera.position.y,
           camera.target.z - camera.position.z};
  normalise(dir);
  Vec3 right = cross(dir, Vec3{0, 0, -1});
  normalise(right);
  Vec3 up = cross(dir, right);
  normalise(up);

  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDepthMask(GL_FALSE);

  ViewTransform view;
  bool viewRead = false;
  for (const ParticleSystem& system : scene.particleSystems) {
    if (!system.enabled) continue;
    // k = 1 / (lifeBase + lifeRange - 1): a span of one tick or less has
    // nothing to fade through (and would divide by zero).
    const int64_t span = particleLifeSpan(system);
    if (span <= 1) continue;
    if (system.hasBox) {
      if (!viewRead) {
        readViewTransform(view);
        viewRead = true;
      }
      if (boxOutsideView(view, system.boxCorners)) continue;
    }
    const size_t count = particlesInUse(system);
    frameStats.parsys += 1;
    frameStats.objpolys += static_cast<int32_t>(2 * count);
    bindTextureWithMode(GL_TEXTURE_2D, system.texture, system.textureEnvMode);
    const float k = 1.0f / static_cast<float>(span - 1);
    const auto lastAge = static_cast<float>(span - 1);

    glBegin(GL_QUADS);
    for (size_t i = 0; i < count; ++i) {
      const Particle& p = system.particles[i];
      const float life = static_cast<float>(p.life);
      const float alpha = std::min(1.0f, life * k);
      glColor4f(p.color[0] + 0.2f, p.color[1] + 0.2f, p.color[2] + 0.2f, alpha);
      const float f = system.sizeFollowsFade ? alpha : std::min(1.0f, (lastAge - life) * k);
      const float s = system.quadSize * f;
      const Vec3 r = scaled(right, s);
      const Vec3 u = scaled(up, s);
      const Vec3 p0{p.position.x - 0.5f * (r.x + u.x), p.position.y - 0.5f * (r.y + u.y),
                    p.position.z - 0.5f * (r.z + u.z)};
      const Vec3 p1 = plus(p0, u);
      const Vec3 p2 = plus(p1, r);
      const Vec3 p3 = plus(p0, r);
      glTexCoord2f(1, 1);
      glVertex3f(p0.x, p0.y, p0.z);
      glTexCoord2f(1, 0);
      glVertex3f(p1.x, p1.y, p1.z);
      glTexCoord2f(0, 0);
      glVertex3f(p2.x, p2.y, p2.z);
      glTexCoord2f(0, 1);
      glVertex3f(p3.x, p3.y, p3.z);
    }
    glEnd();
  }

  glEnable(GL_CULL_FACE);
  glDepthMask(GL_TRUE);
  glDisable(GL_BLEND);
  glEnable(GL_LIGHTING);
}

}  // namespace glorbe
