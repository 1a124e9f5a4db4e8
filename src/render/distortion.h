// Object distortion: the live vertices (and normals) of an object rewritten
// from an undeformed vertex frame by a bend, a taper with three twists, or a
// radial wobble.
//
// Every deformer works in double precision on the frame's positions plus
// the mesh origin and leaves the object alone when it is hidden, was not
// drawn in the last frame (visibleThisFrame), has no such frame, or is a
// terrain's mesh; arguments that are not finite change nothing either. It
// reads at most as many vertices as the frame holds, and a frame without
// normals (a MORPH frame) leaves the live normals as they are. A shadow
// caster gets its face normals recomputed, (b - a) x (c - a), not unit.
#pragma once

#include <cstdint>

#include "geometry/scene_records.h"
#include "render/scene_commands.h"

namespace glorbe {

// Bend by the curvatures a1, a2, a3 (about the x, y and z axes' turns in
// the order a3, a2, a1); a curvature below 0.000001 in magnitude counts as
// 0.000001. The normals written are halfway between the source normals and
// the source normals turned by the bend.
void bendObject(SceneObject& object, int32_t frame, float a1, float a2, float a3);
// Taper by tx, ty, tz, then twist about z, y and x at the rates w3, w2, w1.
void twistObject(SceneObject& object, int32_t frame, float w1, float w2, float w3, float tx, float ty, float tz);
// Every vertex moved out from the origin by 1 + amount x (3 - three cosines
// of its angles about the axes); normals are not changed.
void wobbleObject(SceneObject& object, int32_t frame, float phase1, float phase2, float phase3, float rate3,
                  float rate2, float rate1, float amount);

// One object's part of OBJDISTORT at a local tick: vertex frame 0 made from
// the live positions and normals when the object has no frame yet, then the
// style's deformer (STYLE -1 copies frame 0 back). A terrain's mesh is never
// distorted.
void distortSceneObject(SceneObject& object, const SceneObjDistortValues& v, int32_t localTick);

}  // namespace glorbe
