// One object drawn through its surface passes. The box decides whether the
// object can be seen (or, for a shadow caster out of view, whether its shadow
// can); vertex frames, bump offsets and toon shades are worked out on the
// CPU; then the bump, base texture, environment, toon and silhouette passes
// run as the object's flags ask, through vertex arrays locked for the
// driver when it can. Two texture units with an add or combine environment
// fold the bump pair, and a base texture with its environment map, into
// single passes.
#include "render/object_drawing.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "display/display_state.h"
#include "render/frame_stats.h"
#include "render/shadows.h"
#include "render/view_projection.h"

namespace glorbe {

using namespace vecops;

namespace {

// ---- capabilities ---------------------------------------------------------------

bool canLockArrays() {
  return display.caps.hasLockArrays && display.caps.lockArraysFn != nullptr && display.caps.unlockArraysFn != nullptr;
}

bool hasTwoUnits() {
  return display.caps.hasMultitexture && display.caps.activeTextureFn != nullptr &&
         display.caps.clientActiveTextureFn != nullptr;
}

// Two units that can add: the bump pair and base-plus-environment each take
// one pass.
bool singlePassPossible() { return hasTwoUnits() && (display.caps.hasTexEnvCombine || display.caps.hasTexEnvAdd); }

// Replace or add on the active unit: as the environment mode itself when the
// add environment exists, else through the combine environment.
void setUnitOperation(GLenum operation) {
  if (display.caps.hasTexEnvAdd) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(operation));
  } else {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_EXT);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_EXT, static_cast<GLint>(operation));
  }
}

void activeUnit(GLenum unit) { display.caps.activeTextureFn(unit); }
void clientUnit(GLenum unit) { display.caps.clientActiveTextureFn(unit); }

// ---- arrays ---------------------------------------------------------------------

// The arrays a draw reads hold what the counts promise, and every face names
// vertices inside them. Checked once per drawing of an object.
bool meshFits(const SceneObject& o) {
  if (o.vertexCount < 0 || o.faceCount < 0) return false;
  const size_t vertices = static_cast<size_t>(o.vertexCount);
  const size_t faces = static_cast<size_t>(o.faceCount);
  if (o.vertices.size() < vertices || o.normals.size() < vertices || o.texCoords.size() < vertices ||
      o.faces.size() < faces)
    return false;
  uint32_t highest = 0;
  for (size_t f = 0; f < faces; ++f) {
    highest = std::max({highest, o.faces[f][0], o.faces[f][1], o.faces[f][2]});
  }
  return faces == 0 || highest < static_cast<uint32_t>(o.vertexCount);
}

bool hasBumpArrays(const SceneObject& o) {
  const size_t vertices = static_cast<size_t>(o.vertexCount);
  return o.bumpCoords.size() >= vertices && o.bumpVectorsA.size() >= vertices && o.bumpVectorsB.size() >= vertices;
}

// Whether this file holds the arrays locked: unlocking arrays that are not
// locked (or locking them twice) is an error to GL.
bool arraysLocked = false;

void unlockArrays() {
  if (!arraysLocked) return;
  if (canLockArrays()) display.caps.unlockArraysFn();
  arraysLocked = false;
}

void lockArrays(const SceneObject& o) {
  if (!canLockArrays()) return;
  display.caps.lockArraysFn(0, o.vertexCount);
  arraysLocked = true;
}

// Unlock, vertex and normal pointers, lock.
void setPositionPointers(const SceneObject& o) {
  unlockArrays();
  glVertexPointer(3, GL_FLOAT, 0, o.vertices.data());
  glNormalPointer(GL_FLOAT, 0, o.normals.data());
  lockArrays(o);
}

void drawElements(const SceneObject& o) {
  glDrawElements(GL_TRIANGLES, o.faceCount * 3, GL_UNSIGNED_INT, o.faces.data());
}

// drawArrays on a mesh already checked by meshFits.
void drawCheckedArrays(const SceneObject& o, bool useBumpCoords, bool useBaseCoords, bool draw) {
  if (!useBumpCoords && !useBaseCoords && !draw) return;
  const bool bump = !useBaseCoords && useBumpCoords;
  if (bump && o.bumpCoords.size() < static_cast<size_t>(o.vertexCount)) return;
  unlockArrays();
  glVertexPointer(3, GL_FLOAT, 0, o.vertices.data());
  glNormalPointer(GL_FLOAT, 0, o.normals.data());
  glTexCoordPointer(2, GL_FLOAT, 0, bump ? o.bumpCoords.data() : o.texCoords.data());
  lockArrays(o);
  drawElements(o);
}

// ---- per-vertex steps -----------------------------------------------------------

// Vertex frames played in a loop, each `morphCount` ticks long, blended
// linearly into the next. Casters get face normals that match the new
// positions (not unit length). A duration of 0 or less plays nothing.
void stepVertexFrames(SceneObject& o, int32_t tick) {
  const int64_t frames = static_cast<int64_t>(o.frameVertices.size());
  const int64_t duration = o.morphCount;
  if (frames < 2 || duration <= 0) return;
  const int64_t cycle = frames * duration;  // at most 50 frames: no overflow
  int64_t t = tick % cycle;
  if (t < 0) t += cycle;
  const size_t k = static_cast<size_t>(t / duration);
  const size_t next = k + 1 > static_cast<size_t>(frames - 1) ? 0 : k + 1;
  const float x = static_cast<float>(t % duration) / static_cast<float>(duration);
  const std::vector<Vec3>& from = o.frameVertices[k];
  const std::vector<Vec3>& to = o.frameVertices[next];
  const size_t n = std::min({static_cast<size_t>(o.vertexCount), from.size(), to.size(), o.vertices.size()});
  for (size_t v = 0; v < n; ++v) {
    o.vertices[v] = Vec3{from[v].x * (1 - x) + to[v].x * x, from[v].y * (1 - x) + to[v].y * x,
                         from[v].z * (1 - x) + to[v].z * x};
  }
  if (!o.castsShadow) return;
  const size_t faces = std::min(static_cast<size_t>(o.faceCount), o.faceNormals.size());
  for (size_t f = 0; f < faces; ++f) {
    const Vec3& a = o.vertices[o.faces[f][0]];
    o.faceNormals[f] = cross(o.vertices[o.faces[f][1]] - a, o.vertices[o.faces[f][2]] - a);
  }
}

// Bump offsets: each vertex's texture coordinate moved along its texture
// axes towards the lights in front of it.
void stepBump(SceneObject& o, const LightLocalPositions& lights, int32_t lightCount) {
  const size_t n = static_cast<size_t>(o.vertexCount);
  for (size_t v = 0; v < n; ++v) {
    float s = 0, t = 0;
    for (int32_t j = 0; j < lightCount; ++j) {
      const Vec3 l = normalised(lights[static_cast<size_t>(j)] - o.vertices[v]);
      if (dot(o.normals[v], l) > 0) {
        s += dot(l, o.bumpVectorsA[v]);
        t += dot(l, o.bumpVectorsB[v]);
      }
    }
    o.bumpCoords[v] = TexCoord{o.texCoords[v].u + 0.005f * s, o.texCoords[v].v + 0.005f * t};
  }
}

// Toon shade: the summed diffuse term of the lights, as the coordinate into
// the 1D ramp.
void stepToon(SceneObject& o, const LightLocalPositions& lights, int32_t lightCount) {
  const size_t n = static_cast<size_t>(o.vertexCount);
  for (size_t v = 0; v < n; ++v) {
    float u = 0;
    for (int32_t j = 0; j < lightCount; ++j) {
      u += std::max(0.0f, dot(o.normals[v], normalised(lights[static_cast<size_t>(j)] - o.vertices[v])));
    }
    o.texCoords[v] = TexCoord{u, 0};
  }
}

// ---- view culling ---------------------------------------------------------------

// Projects the box corners into projectedCorners; false when all eight lie
// outside one side of the view (a corner that cannot be projected lies
// outside all six).
bool boxInView(SceneObject& o) {
  ViewTransform view;
  readViewTransform(view);
  const double width = view.viewport[2];
  const double height = view.viewport[3];
  int outside[6] = {};
  for (size_t c = 0; c < o.boxCorners.size(); ++c) {
    WindowPoint w;
    if (!projectPoint(view, o.boxCorners[c], w)) {
      o.projectedCorners[c] = Vec3{};
      for (int& count : outside) ++count;
      continue;
    }
    w = inViewport(view, w);
    o.projectedCorners[c] = Vec3{static_cast<float>(w.x - width * 0.5), static_cast<float>(w.y - height * 0.5),
                                 static_cast<float>(w.z)};
    outside[0] += w.x < 0;
    outside[1] += w.x >= width;
    outside[2] += w.y < 0;
    outside[3] += w.y >= height;
    outside[4] += w.z > 1;
    outside[5] += w.z < 0;
  }
  return std::none_of(std::begin(outside), std::end(outside), [](int count) { return count == 8; });
}

// ---- surface passes -------------------------------------------------------------

struct SavedState {
  GLboolean lighting = GL_FALSE;
  GLboolean texture2d = GL_FALSE;
  GLboolean blend = GL_FALSE;
  GLint blendSrc = GL_ONE;
  GLint blendDst = GL_ZERO;
  GLboolean depthMask = GL_TRUE;
  GLfloat colour[4] = {1, 1, 1, 1};
};

// The base texture over what the bump passes left: bind, draw, and end the
// blending they set up.
void drawBaseOverBump(const SceneObject& o) {
  bindTextureWithMode(GL_TEXTURE_2D, o.texture, o.textureEnvMode);
  drawCheckedArrays(o, false, true, true);
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
}

void bumpPass(const SceneObject& o) {
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  if (singlePassPossible()) {
    setPositionPointers(o);
    glTexCoordPointer(2, GL_FLOAT, 0, o.texCoords.data());
    glBindTexture(GL_TEXTURE_2D, o.bumpTextureA);
    setUnitOperation(GL_REPLACE);
    clientUnit(GL_TEXTURE1_ARB);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, o.bumpCoords.data());
    activeUnit(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, o.bumpTextureB);
    setUnitOperation(GL_ADD);
    drawElements(o);
    glDisable(GL_TEXTURE_2D);
    activeUnit(GL_TEXTURE0_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    clientUnit(GL_TEXTURE0_ARB);
    if (o.textureMapOn) {
      glEnable(GL_BLEND);
      glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
      glDepthMask(GL_FALSE);
      glEnable(GL_LIGHTING);
      drawBaseOverBump(o);
    }
    return;
  }
  bindTextureWithMode(GL_TEXTURE_2D, o.bumpTextureA, o.bumpEnvModeA);
  drawCheckedArrays(o, false, true, true);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glDepthMask(GL_FALSE);
  bindTextureWithMode(GL_TEXTURE_2D, o.bumpTextureB, o.bumpEnvModeB);
  drawCheckedArrays(o, true, false, true);
  if (o.textureMapOn) {
    glEnable(GL_LIGHTING);
    glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
    drawBaseOverBump(o);
  }
}

void baseTexturePass(const SceneObject& o) {
  bindTextureWithMode(GL_TEXTURE_2D, o.texture, o.textureEnvMode);
  if (!o.envMapOn) {
    drawCheckedArrays(o, false, true, true);
    return;
  }
  setPositionPointers(o);
  glTexCoordPointer(2, GL_FLOAT, 0, o.texCoords.data());
  if (singlePassPossible()) {
    // Unit 1 is made ready for the environment; the environment pass draws
    // both units at once.
    clientUnit(GL_TEXTURE1_ARB);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    activeUnit(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
  } else {
    drawElements(o);
  }
}

void environmentPass(const SceneObject& o, const SavedState& saved) {
  const bool textured = o.textureMapOn;
  const bool overAnotherPass = textured || o.bumpMapOn;
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  if (o.envLinear == 1) {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGenfv(GL_S, GL_OBJECT_PLANE, o.envPlaneS.data());
    glTexGenfv(GL_T, GL_OBJECT_PLANE, o.envPlaneT.data());
  } else {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  }
  if (overAnotherPass) {
    glEnable(GL_BLEND);
    if (textured) {
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    } else {
      glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
    }
    glDepthMask(GL_FALSE);
  }
  bindTextureWithMode(GL_TEXTURE_2D, o.envTexture, o.envEnvMode);
  if (textured && !o.bumpMapOn && singlePassPossible()) {
    // Base texture on unit 0 and the environment added on unit 1, in one draw.
    if (saved.blend) {
      glBlendFunc(static_cast<GLenum>(saved.blendSrc), static_cast<GLenum>(saved.blendDst));
    } else {
      glDisable(GL_BLEND);
    }
    if (saved.depthMask) glDepthMask(GL_TRUE);
    setUnitOperation(GL_ADD);
    glTexCoordPointer(2, GL_FLOAT, 0, o.texCoords.data());
    drawElements(o);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_2D);
    activeUnit(GL_TEXTURE0_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    clientUnit(GL_TEXTURE0_ARB);
  } else {
    drawCheckedArrays(o, false, true, true);
  }
  if (overAnotherPass) {
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
  }
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
}

void toonPass(const SceneObject& o) {
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_1D);
  bindTextureWithMode(GL_TEXTURE_1D, o.toonTexture, o.toonEnvMode);
  if (o.envMapOn) {
    glEnable(GL_BLEND);
    glBlendFunc(o.toonSrcFactor, o.toonDstFactor);
    glColor4f(1, 1, 1, 1);
  }
  drawCheckedArrays(o, false, true, true);
  if (o.envMapOn) glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_1D);
}

// The back faces' edges as lines: they show only where the back faces meet
// the object's outline, the front surface hides the rest.
void silhouettePass(const SceneObject& o) {
  glColor4f(0, 0, 0, 1);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glCullFace(GL_FRONT);
  glLineWidth(static_cast<GLfloat>(o.silhouette));
  glPolygonMode(GL_BACK, GL_LINE);
  if (o.silhouetteFlag) {
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  glBegin(GL_TRIANGLES);
  for (size_t f = 0; f < static_cast<size_t>(o.faceCount); ++f) {
    for (uint32_t v : o.faces[f]) {
      glNormal3f(o.normals[v].x, o.normals[v].y, o.normals[v].z);
      glTexCoord2f(o.texCoords[v].u, o.texCoords[v].v);
      glVertex3f(o.vertices[v].x, o.vertices[v].y, o.vertices[v].z);
    }
  }
  glEnd();
  if (o.silhouetteFlag) {
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_BLEND);
  }
  glPolygonMode(GL_BACK, GL_FILL);
  glLineWidth(1);
  glCullFace(GL_BACK);
}

void setEnabled(GLenum capability, GLboolean on) {
  if (on) {
    glEnable(capability);
  } else {
    glDisable(capability);
  }
}

}  // namespace

void drawArrays(SceneObject& object, bool useBumpCoords, bool useBaseCoords, bool draw) {
  if (!meshFits(object)) return;
  drawCheckedArrays(object, useBumpCoords, useBaseCoords, draw);
}

void drawSceneObject(SceneObject& object, Scene& scene, int32_t tick, const LightLocalPositions& lightLocalPositions,
                     int32_t highestIndex) {
  if (isHidden(object)) return;
  object.visibleThisFrame = true;
  if (!meshFits(object)) {
    object.visibleThisFrame = false;
    return;
  }
  const int32_t lightCount = std::clamp(usableLightCount(scene), 0, highestIndex + 1);
  if (object.hasBox) object.visibleThisFrame = boxInView(object);

  if (object.castsShadow && !object.visibleThisFrame) {
    // Out of view, but its shadow may fall into it: keep the shadow data.
    testCulledObjectShadows(object, scene);
    if (std::none_of(object.shadowLights.begin(), object.shadowLights.end(), [](bool on) { return on; })) return;
    stepVertexFrames(object, tick);
    updateFaceLightBits(object, scene, lightLocalPositions);
    object.visibleThisFrame = true;
    return;
  }
  if (!object.visibleThisFrame) return;

  stepVertexFrames(object, tick);
  if (object.bumpMapOn && hasBumpArrays(object)) stepBump(object, lightLocalPositions, lightCount);
  if (object.toonOn) stepToon(object, lightLocalPositions, lightCount);
  if (object.castsShadow) {
    testVisibleObjectShadows(object, scene);
    updateFaceLightBits(object, scene, lightLocalPositions);
  }

  SavedState saved;
  glGetFloatv(GL_CURRENT_COLOR, saved.colour);
  glColor4f(1, 1, 1, saved.colour[3]);
  const auto& s = object.surface;
  const GLfloat ambient[4] = {s[0], s[1], s[2], 1};
  const GLfloat diffuse[4] = {s[3], s[4], s[5], 1};
  const GLfloat specular[4] = {s[6], s[7], s[8], 1};
  glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
  glMaterialf(GL_FRONT, GL_SHININESS, s[9] * 128);

  saved.lighting = glIsEnabled(GL_LIGHTING);
  saved.texture2d = glIsEnabled(GL_TEXTURE_2D);
  saved.blend = glIsEnabled(GL_BLEND);
  glGetIntegerv(GL_BLEND_SRC, &saved.blendSrc);
  glGetIntegerv(GL_BLEND_DST, &saved.blendDst);
  glGetBooleanv(GL_DEPTH_WRITEMASK, &saved.depthMask);
  // Only a texture that is modulated shows the lighting; everything else is
  // drawn unlit.
  if (!(object.textureMapOn && object.textureEnvMode != GL_REPLACE)) glDisable(GL_LIGHTING);

  if (object.bumpMapOn && hasBumpArrays(object)) {
    bumpPass(object);
  } else if (object.textureMapOn && !object.bumpMapOn) {
    baseTexturePass(object);
  }
  if (object.envMapOn) environmentPass(object, saved);
  if (object.toonOn && !object.bumpMapOn && !object.textureMapOn) toonPass(object);
  if (object.silhouette != 0) silhouettePass(object);

  unlockArrays();  // the arrays belong to this object only
  setEnabled(GL_LIGHTING, saved.lighting);
  setEnabled(GL_TEXTURE_2D, saved.texture2d);
  setEnabled(GL_BLEND, saved.blend);
  glDepthMask(saved.depthMask);
  glColor4fv(saved.colour);
  glBlendFunc(static_cast<GLenum>(saved.blendSrc), static_cast<GLenum>(saved.blendDst));
  frameStats.objs += 1;
  frameStats.objpolys += object.faceCount;
}

}  // namespace glorbe
