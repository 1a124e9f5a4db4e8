// The soft-body step: forces from gravity, drag and the springs, contact
// with the boxes of nearby objects, and the committed moves tested against
// the colliders' triangles.
#include "render/flex_objects.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "geometry/intersection.h"
#include "geometry/mesh_ops.h"

namespace glorbe {

namespace {

// Broad phase: the body's box grows by this part of its extent on every
// side, every other object's box by kColliderWidening of its own.
constexpr float kBodyWidening = 0.2f;
constexpr float kColliderWidening = 0.1f;
// The part of a spring tested against the box triangles: its middle 80 %
// (its ends are the vertices, which the committed move keeps outside).
constexpr float kSpringTestStart = 0.1f;
constexpr float kSpringTestPart = 0.8f;
// A body whose box grows beyond this many times its size at set-up (plus
// kBlowUpSlack) has blown up: springs that hold it cannot stretch so far.
constexpr float kBlowUpGrowth = 8.0f;
constexpr float kBlowUpSlack = 0.001f;
// A soft collider's faces move in their own body's step, and a face rising
// a little (a resting body's springs settling) leaves a vertex resting on it
// just behind it. A vertex up to this part of a face's longest edge behind
// it still counts as in front, and is put back onto it when it moves on
// inwards.
constexpr float kSoftSkin = 0.02f;
// Box colliders whose side codes share one 64-bit word.
constexpr size_t kPackedBoxes = 10;
// A committed move that meets a triangle stops at this part of the way.
constexpr float kContactFraction = 0.9f;
// The segment test's determinant tolerance suits segments about a unit
// long; a resting vertex moves by millionths, so moves are tested along a
// segment at least this long and the hit taken back to the move.
constexpr float kShortestTestSegment = 1.0f;
// A move is tested against a face from its start lifted off the face along
// the face's normal by this part of (1 + the start's largest coordinate +
// the move's length): a vertex left on a face, or rounded a little below
// it (the hit point carries the rounding of the move's length), is stopped
// there whichever way it moves, and lifted back out.
constexpr float kLift = 4e-6f;

Vec3 add(const Vec3& a, const Vec3& b) { return Vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 sub(const Vec3& a, const Vec3& b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 mul(const Vec3& a, float s) { return Vec3{a.x * s, a.y * s, a.z * s}; }
float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A body at rest slows towards zero for ever: velocities far below anything
// visible are taken as 0 before they reach the subnormal floats, on which
// the processor is many times slower.
constexpr float kSmallestSpeed = 1e-30f;

float withoutTiny(float v) { return std::fabs(v) < kSmallestSpeed ? 0.0f : v; }

Vec3 withoutTinyParts(const Vec3& v) { return Vec3{withoutTiny(v.x), withoutTiny(v.y), withoutTiny(v.z)}; }

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

struct Bounds {
  Vec3 lo, hi;
};

// The box round n points (an empty one when n is 0).
Bounds pointBounds(const Vec3* __restrict points, size_t n) {
  Bounds b{Vec3{kBoxStart, kBoxStart, kBoxStart}, Vec3{-kBoxStart, -kBoxStart, -kBoxStart}};
  for (size_t i = 0; i < n; ++i) {
    const Vec3& p = points[i];
    b.lo = Vec3{std::min(b.lo.x, p.x), std::min(b.lo.y, p.y), std::min(b.lo.z, p.z)};
    b.hi = Vec3{std::max(b.hi.x, p.x), std::max(b.hi.y, p.y), std::max(b.hi.z, p.z)};
  }
  return b;
}

// A box from its corners 0 (the minimum) and 7 (the maximum).
Bounds boxBounds(const BoxCorners& corners) { return Bounds{corners[0], corners[7]}; }

Bounds widened(const Bounds& b, float part) {
  const Vec3 grow = mul(sub(b.hi, b.lo), part);
  return Bounds{sub(b.lo, grow), add(b.hi, grow)};
}

// Grown by `margin` on every side.
Bounds padded(const Bounds& b, float margin) {
  const Vec3 m{margin, margin, margin};
  return Bounds{sub(b.lo, m), add(b.hi, m)};
}

float largestMagnitude(const Vec3& v) { return std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)}); }

float liftFor(const Vec3& start, float moveLength) { return kLift * (1 + largestMagnitude(start) + moveLength); }

bool overlap(const Bounds& a, const Bounds& b) {
  return a.lo.x <= b.hi.x && b.lo.x <= a.hi.x && a.lo.y <= b.hi.y && b.lo.y <= a.hi.y && a.lo.z <= b.hi.z &&
         b.lo.z <= a.hi.z;
}

// Which sides of the box a point lies beyond, one bit per side. A segment
// whose two ends share a bit lies wholly beyond that side.
inline uint8_t outcode(const Vec3& p, const Bounds& b) {
  return static_cast<uint8_t>((p.x < b.lo.x ? 1 : 0) | (p.x > b.hi.x ? 2 : 0) | (p.y < b.lo.y ? 4 : 0) |
                              (p.y > b.hi.y ? 8 : 0) | (p.z < b.lo.z ? 16 : 0) | (p.z > b.hi.z ? 32 : 0));
}

bool mayCollide(const SceneObject& other) { return !isHidden(other) && other.hasBox && !other.terrainMesh; }

size_t usableFaces(const SceneObject& object) {
  return static_cast<size_t>(std::clamp<int32_t>(object.faceCount, 0, static_cast<int32_t>(object.faces.size())));
}

// Triangles are tested grown about their centre by this part, so that a
// move through a shared edge (a vertex dropping onto a box face's diagonal)
// meets one of the two triangles whatever the rounding.
constexpr float kTriangleGrowth = 1e-4f;

Vec3 grownCorner(const Vec3& corner, const Vec3& centre) {
  return add(centre, mul(sub(corner, centre), 1 + kTriangleGrowth));
}

// Does the segment from `start` by `move` enter the triangle through its
// front face? `t` is the part of the segment at which it meets it. The
// segment test's tolerance suits segments about a unit long, so a shorter
// one is tested along its line for kShortestTestSegment and the hit taken
// back to it.
bool segmentEntersTriangle(const Vec3& start, const Vec3& move, const Vec3& a, const Vec3& b, const Vec3& c,
                           float& t) {
  const float length = std::sqrt(dot(move, move));
  if (!(length > 0) || !std::isfinite(length)) return false;
  const float span = std::max(length, kShortestTestSegment);
  const Vec3 centre = mul(add(add(a, b), c), 1.0f / 3);
  float along = 0;
  if (!segmentHitsTriangle(start, mul(move, span / length), grownCorner(a, centre), grownCorner(b, centre),
                           grownCorner(c, centre), true, along)) {
    return false;
  }
  const float distance = along * span;
  if (distance > length) return false;
  t = distance / length;
  return true;
}

Vec3 unitNormal(const Vec3& a, const Vec3& b, const Vec3& c) {
  Vec3 n = cross(sub(b, a), sub(c, a));
  normalise(n);
  return n;
}

// A collider's face as the committed moves meet it, with its unit normal.
struct ContactFace {
  Vec3 a, b, c, normal;
  float skin = 0;  // how far behind it a vertex still counts as outside
};

// The faces of the colliders a committed move may meet, collider by
// collider: a box collider's 12 box triangles, a soft collider's mesh
// triangles (those whose corners it has).
struct ContactFaces {
  std::vector<ContactFace> faces;
  std::vector<size_t> begin;  // per collider, then the end
  std::vector<Bounds> boxes;  // per collider, its box
  std::vector<bool> soft;     // per collider, whether it is a soft body
  std::vector<float> skins;   // per collider, its faces' thickest skin
  std::vector<Bounds> near;   // per collider, its box grown by its skin and the largest lift
};

// Scratch storage kept between calls, so a step allocates nothing.
struct StepScratch {
  std::vector<int32_t> colliders;      // the last force evaluation's
  std::vector<int32_t> moveColliders;  // the committed move's
  ContactFaces contactFaces;           // and their faces
  std::vector<int32_t> boxes;          // the box colliders among them
  std::vector<uint64_t> codes;         // per vertex, packed side codes
  std::vector<ContactFace> boxFaces;   // the box colliders' 12 faces each
  std::vector<Vec3> position;          // a move proposed for committing
  std::vector<Vec3> velocity;
  std::vector<Vec3> frameStart;        // the vertices before this frame's step
};

StepScratch& scratch() {
  thread_local StepScratch s;
  return s;
}

// Derivative evaluation: the forces of state k from its positions and
// velocities.
void evaluateForces(Scene& scene, int32_t index, FlexState& state, StepScratch& work) {
  findFlexColliders(scene, index, work.colliders);
  const SceneObject& body = scene.objects[static_cast<size_t>(index)];
  const size_t n = state.position.size();
  const Vec3 weight = mul(body.flexGravity, body.flexMass);
  const float drag = body.flexDrag;
  for (size_t i = 0; i < n; ++i) state.force[i] = sub(weight, mul(state.velocity[i], drag));

  const float ks = body.flexStiffness;
  const float kd = body.flexDamping;
  const size_t springs = body.flexSprings.size();
  {
    // The arrays do not overlap: with that said, the loop keeps its
    // pointers and the springs' values in registers.
    const std::array<uint32_t, 2>* __restrict pairs = body.flexSprings.data();
    const float* __restrict rest = body.flexRestLengths.data();
    const Vec3* __restrict position = state.position.data();
    const Vec3* __restrict velocity = state.velocity.data();
    Vec3* __restrict force = state.force.data();
    for (size_t k = 0; k < springs; ++k) {
      const uint32_t i = pairs[k][0];
      const uint32_t j = pairs[k][1];
      const Vec3 d = sub(position[i], position[j]);
      const float length = std::sqrt(dot(d, d));
      if (!(length > 0)) continue;
      const float pull = (ks * (length - rest[k]) + kd * dot(d, sub(velocity[i], velocity[j]))) / length;
      const Vec3 f = mul(d, pull);
      force[i] = sub(force[i], f);
      force[j] = add(force[j], f);
    }
  }

  // Springs that pass through a box collider's face: each end loses the part
  // of its velocity along the face's normal, scaled by the contact factor
  // and by where the spring meets the face. Each vertex's side codes for up
  // to kPackedBoxes boxes are packed into one word, so that a spring beside
  // every box is passed over at once.
  const float factor = body.flexContactFactor;
  // Only boxes that the state's own box reaches can have springs through
  // their faces.
  work.boxes.clear();
  const bool anyBox = std::any_of(work.colliders.begin(), work.colliders.end(), [&](int32_t c) {
    return scene.objects[static_cast<size_t>(c)].collidesAsBox;
  });
  if (anyBox) {
    const Bounds reach = pointBounds(state.position.data(), n);
    for (const int32_t c : work.colliders) {
      const SceneObject& other = scene.objects[static_cast<size_t>(c)];
      if (other.collidesAsBox && overlap(reach, boxBounds(other.boxCorners))) work.boxes.push_back(c);
    }
  }
  for (size_t first = 0; first < work.boxes.size(); first += kPackedBoxes) {
    const size_t count = std::min(kPackedBoxes, work.boxes.size() - first);
    uint64_t lowBits = 0;
    work.codes.assign(n, 0);
    work.boxFaces.clear();
    for (size_t k = 0; k < count; ++k) {
      const BoxCorners& corners = scene.objects[static_cast<size_t>(work.boxes[first + k])].boxCorners;
      const Bounds box = boxBounds(corners);
      for (size_t i = 0; i < n; ++i) work.codes[i] |= uint64_t{outcode(state.position[i], box)} << (6 * k);
      lowBits |= uint64_t{1} << (6 * k);
      for (const auto& tri : kBoxTriangles) {
        ContactFace f{corners[static_cast<size_t>(tri[0])], corners[static_cast<size_t>(tri[1])],
                      corners[static_cast<size_t>(tri[2])], Vec3{}};
        f.normal = unitNormal(f.a, f.b, f.c);
        work.boxFaces.push_back(f);
      }
    }
    for (size_t s = 0; s < springs; ++s) {
      const uint32_t i = body.flexSprings[s][0];
      const uint32_t j = body.flexSprings[s][1];
      const uint64_t both = work.codes[i] & work.codes[j];
      const uint64_t either = work.codes[i] | work.codes[j];
      // Any bit of a box's six set in `both`: the spring lies wholly beyond
      // one of its sides.
      const uint64_t beside = both | both >> 1 | both >> 2 | both >> 3 | both >> 4 | both >> 5;
      if ((beside & lowBits) == lowBits) continue;
      for (size_t k = 0; k < count; ++k) {
        // Beside this box, or wholly inside it: no face to pass.
        if ((both >> (6 * k) & 63) != 0 || (either >> (6 * k) & 63) == 0) continue;
        const Vec3 span = sub(state.position[j], state.position[i]);
        const Vec3 start = add(state.position[i], mul(span, kSpringTestStart));
        const Vec3 tested = mul(span, kSpringTestPart);
        const Vec3 end = add(start, tested);
        for (size_t tri = 12 * k; tri < 12 * k + 12; ++tri) {
          const ContactFace& f = work.boxFaces[tri];
          // Only a part from in front of the face's plane to behind it can
          // pass through the face.
          if (dot(f.normal, sub(end, f.a)) >= 0 || dot(f.normal, sub(start, f.a)) < 0) continue;
          float t = 0;
          if (!segmentEntersTriangle(start, tested, f.a, f.b, f.c, t)) continue;
          const Vec3& normal = f.normal;
          state.force[i] = sub(state.force[i], mul(normal, dot(normal, state.velocity[i]) * factor * t));
          state.force[j] = sub(state.force[j], mul(normal, dot(normal, state.velocity[j]) * factor * (1 - t)));
          break;
        }
      }
    }
  }
}

// The other objects a move within `moved` may meet: the broad phase's test
// with the move's own box in place of the body's widened one.
void findMoveColliders(const Scene& scene, int32_t index, const Bounds& moved, std::vector<int32_t>& colliders) {
  colliders.clear();
  for (size_t c = 0; c < scene.objects.size(); ++c) {
    const SceneObject& other = scene.objects[c];
    if (static_cast<int32_t>(c) == index || !mayCollide(other)) continue;
    if (overlap(moved, widened(boxBounds(other.boxCorners), kColliderWidening))) {
      colliders.push_back(static_cast<int32_t>(c));
    }
  }
}

void gatherContactFaces(const Scene& scene, const std::vector<int32_t>& colliders, float largestLift,
                        ContactFaces& out) {
  out.faces.clear();
  out.begin.clear();
  out.boxes.clear();
  out.soft.clear();
  out.skins.clear();
  for (const int32_t c : colliders) {
    const SceneObject& other = scene.objects[static_cast<size_t>(c)];
    out.begin.push_back(out.faces.size());
    out.boxes.push_back(boxBounds(other.boxCorners));
    out.soft.push_back(!other.collidesAsBox);
    out.skins.push_back(0);
    if (other.collidesAsBox) {
      for (const auto& tri : kBoxTriangles) {
        ContactFace f{other.boxCorners[static_cast<size_t>(tri[0])], other.boxCorners[static_cast<size_t>(tri[1])],
                      other.boxCorners[static_cast<size_t>(tri[2])], Vec3{}};
        f.normal = unitNormal(f.a, f.b, f.c);
        out.faces.push_back(f);
      }
      continue;
    }
    const size_t faces = usableFaces(other);
    const size_t vertices = std::min(other.vertices.size(), static_cast<size_t>(std::max(other.vertexCount, 0)));
    for (size_t k = 0; k < faces; ++k) {
      const Face& face = other.faces[k];
      if (face[0] >= vertices || face[1] >= vertices || face[2] >= vertices) continue;
      ContactFace f{other.vertices[face[0]], other.vertices[face[1]], other.vertices[face[2]], Vec3{}};
      f.normal = unitNormal(f.a, f.b, f.c);
      const float longest = std::sqrt(std::max({dot(sub(f.b, f.a), sub(f.b, f.a)), dot(sub(f.c, f.b), sub(f.c, f.b)),
                                                dot(sub(f.a, f.c), sub(f.a, f.c))}));
      f.skin = std::isfinite(longest) ? kSoftSkin * longest : 0.0f;
      out.skins.back() = std::max(out.skins.back(), f.skin);
      out.faces.push_back(f);
    }
  }
  out.begin.push_back(out.faces.size());
  out.near.clear();
  for (size_t c = 0; c < out.boxes.size(); ++c) out.near.push_back(padded(out.boxes[c], largestLift + out.skins[c]));
}

// The first face that the move of a vertex enters, and where the vertex
// stops: kContactFraction of the way from its start (lifted off the face
// along its normal) to the face.
struct Contact {
  bool hit = false;
  Vec3 stop;
  Vec3 normal;
};

Contact firstContact(const ContactFaces& faces, const Vec3& start, const Vec3& end, bool boxesOnly = false) {
  Contact contact;
  float lift = -1;  // found when a collider is near
  for (size_t c = 0; c + 1 < faces.begin.size(); ++c) {
    if (boxesOnly && faces.soft[c]) continue;
    if ((outcode(start, faces.near[c]) & outcode(end, faces.near[c])) != 0) continue;
    if (lift < 0) lift = liftFor(start, std::sqrt(dot(sub(end, start), sub(end, start))));
    // A box: the first face the move enters. A soft body: of the faces the
    // move enters, the one the vertex starts least far behind (in front
    // counts as 0), so that a vertex in a face's skin goes back out through
    // that face and not through a neighbouring side.
    float shallowest = 0;
    for (size_t k = faces.begin[c]; k < faces.begin[c + 1]; ++k) {
      const ContactFace& f = faces.faces[k];
      // Only a move from in front of the face's plane (lifted) to behind it
      // can enter it.
      const float height = dot(f.normal, sub(start, f.a));
      if (dot(f.normal, sub(end, f.a)) >= 0 || height + lift + f.skin < 0) continue;
      const float depth = std::max(-height, 0.0f);
      if (contact.hit && depth >= shallowest) continue;
      // From in front of the face: lifted no further than that.
      const Vec3 from = add(start, mul(f.normal, lift + depth));
      const Vec3 move = sub(end, from);
      float t = 0;
      if (!segmentEntersTriangle(from, move, f.a, f.b, f.c, t)) continue;
      contact.hit = true;
      contact.stop = add(from, mul(mul(move, t), kContactFraction));
      contact.normal = f.normal;
      shallowest = depth;
      if (depth == 0) return contact;
    }
    if (contact.hit) return contact;
  }
  return contact;
}

// Commits the proposed move (work.position, work.velocity) into S0: every
// vertex's move is tested against the colliders; at the first face it
// enters it stops at kContactFraction of the way there and loses its
// velocity along the face's normal, scaled by the contact factor. Another
// soft body stands still while this one steps (the scene pass steps one
// body after another, a frame's sub-steps at a time), so its faces are met
// as fixed faces too, and no velocity is handed to it: handing the face the
// opposite change lets two bodies resting on each other store velocity
// neither can act on within the frame, and their energy grows.
void commitMove(Scene& scene, int32_t index, StepScratch& work) {
  SceneObject& body = scene.objects[static_cast<size_t>(index)];
  FlexState& s0 = body.flexStates[0];
  const size_t n = s0.position.size();

  Bounds moved{Vec3{kBoxStart, kBoxStart, kBoxStart}, Vec3{-kBoxStart, -kBoxStart, -kBoxStart}};
  for (size_t i = 0; i < n; ++i) {
    for (const Vec3& p : {s0.position[i], work.position[i]}) {
      moved.lo = Vec3{std::min(moved.lo.x, p.x), std::min(moved.lo.y, p.y), std::min(moved.lo.z, p.z)};
      moved.hi = Vec3{std::max(moved.hi.x, p.x), std::max(moved.hi.y, p.y), std::max(moved.hi.z, p.z)};
    }
  }
  // Moves are tested from a little off their starts: as much room round the
  // move's box as the largest lift.
  const Vec3 extent = sub(moved.hi, moved.lo);
  const float lift = liftFor(Vec3{std::max(std::fabs(moved.lo.x), std::fabs(moved.hi.x)),
                                  std::max(std::fabs(moved.lo.y), std::fabs(moved.hi.y)),
                                  std::max(std::fabs(moved.lo.z), std::fabs(moved.hi.z))},
                             std::sqrt(dot(extent, extent)));
  findMoveColliders(scene, index, padded(moved, lift), work.moveColliders);
  gatherContactFaces(scene, work.moveColliders, lift, work.contactFaces);

  const float factor = body.flexContactFactor;
  for (size_t i = 0; i < n; ++i) {
    // A twin takes its vertex's move below: its own is not tested.
    if (body.flexTwins[i] != i) continue;
    Vec3 position = work.position[i];
    Vec3 velocity = work.velocity[i];
    if (!work.moveColliders.empty()) {
      const Contact contact = firstContact(work.contactFaces, s0.position[i], position);
      if (contact.hit) {
        position = contact.stop;
        velocity = sub(velocity, mul(contact.normal, dot(contact.normal, velocity) * factor));
        // Stopped by a soft body's face, the vertex must not end inside a box.
        const Contact box = firstContact(work.contactFaces, s0.position[i], position, true);
        if (box.hit) {
          position = box.stop;
          velocity = sub(velocity, mul(box.normal, dot(box.normal, velocity) * factor));
        }
      }
    }
    s0.position[i] = position;
    s0.velocity[i] = withoutTinyParts(velocity);
  }
  // Twins follow the vertex they belong to.
  for (size_t i = 0; i < n; ++i) {
    const uint32_t twin = body.flexTwins[i];
    if (twin == i) continue;
    s0.position[i] = s0.position[twin];
    s0.velocity[i] = s0.velocity[twin];
  }
}

// Integration step from the derivatives of state b with step h: a velocity
// and a position for every vertex, started from S0. Into S0 it commits
// (with the collision test); into another state it only stores.
void integrate(Scene& scene, int32_t index, size_t b, size_t c, float h, StepScratch& work) {
  SceneObject& body = scene.objects[static_cast<size_t>(index)];
  const FlexState& s0 = body.flexStates[0];
  const FlexState& from = body.flexStates[b];
  const size_t n = s0.position.size();
  const float inverseMass = body.flexInverseMass;
  std::vector<Vec3>& position = c == 0 ? work.position : body.flexStates[c].position;
  std::vector<Vec3>& velocity = c == 0 ? work.velocity : body.flexStates[c].velocity;
  position.resize(n);
  velocity.resize(n);
  for (size_t i = 0; i < n; ++i) {
    velocity[i] = add(s0.velocity[i], mul(mul(from.force[i], h), inverseMass));
    position[i] = add(s0.position[i], mul(from.velocity[i], h));
  }
  if (c == 0) commitMove(scene, index, work);
}

// Stage increments of state k with step s into state m: its velocities
// times s for the positions, its forces times s and the inverse mass for
// the velocities.
void increments(SceneObject& body, size_t k, float s, size_t m) {
  const FlexState& from = body.flexStates[k];
  FlexState& into = body.flexStates[m];
  const float inverseMass = body.flexInverseMass;
  for (size_t i = 0; i < from.position.size(); ++i) {
    into.position[i] = mul(from.velocity[i], s);
    into.velocity[i] = mul(mul(from.force[i], s), inverseMass);
  }
}

// S1 = S0 + Sm.
void trialFrom(SceneObject& body, size_t m) {
  const FlexState& s0 = body.flexStates[0];
  const FlexState& inc = body.flexStates[m];
  FlexState& s1 = body.flexStates[1];
  for (size_t i = 0; i < s0.position.size(); ++i) {
    s1.position[i] = add(s0.position[i], inc.position[i]);
    s1.velocity[i] = add(s0.velocity[i], inc.velocity[i]);
  }
}

void stepFourStage(Scene& scene, int32_t index, float h, StepScratch& work) {
  SceneObject& body = scene.objects[static_cast<size_t>(index)];
  evaluateForces(scene, index, body.flexStates[0], work);
  increments(body, 0, h / 2, 2);
  trialFrom(body, 2);
  evaluateForces(scene, index, body.flexStates[1], work);
  increments(body, 1, h / 2, 3);
  trialFrom(body, 3);
  evaluateForces(scene, index, body.flexStates[1], work);
  increments(body, 1, h, 4);
  trialFrom(body, 4);
  evaluateForces(scene, index, body.flexStates[1], work);
  increments(body, 1, h, 5);

  // The stages weighted 1, 2, 2, 1 over 6; the first two hold half steps,
  // so the step moves three quarters of the way a classic one would.
  const FlexState& s0 = body.flexStates[0];
  const FlexState& s2 = body.flexStates[2];
  const FlexState& s3 = body.flexStates[3];
  const FlexState& s4 = body.flexStates[4];
  const FlexState& s5 = body.flexStates[5];
  const size_t n = s0.position.size();
  work.position.resize(n);
  work.velocity.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const Vec3 dp = add(add(s2.position[i], mul(add(s3.position[i], s4.position[i]), 2)), s5.position[i]);
    const Vec3 dv = add(add(s2.velocity[i], mul(add(s3.velocity[i], s4.velocity[i]), 2)), s5.velocity[i]);
    work.position[i] = add(s0.position[i], mul(dp, 1.0f / 6));
    work.velocity[i] = add(s0.velocity[i], mul(dv, 1.0f / 6));
  }
  commitMove(scene, index, work);
}

bool setUp(const SceneObject& body) {
  const size_t n = body.flexStates[0].position.size();
  if (n == 0 || n > body.vertices.size() || body.flexSprings.size() != body.flexRestLengths.size()) return false;
  for (const FlexState& s : body.flexStates) {
    if (s.position.size() != n || s.velocity.size() != n || s.force.size() != n) return false;
  }
  for (const auto& spring : body.flexSprings) {
    if (spring[0] >= n || spring[1] >= n) return false;
  }
  if (body.flexTwins.size() != n) return false;
  for (const uint32_t twin : body.flexTwins) {
    if (twin >= n) return false;
  }
  return true;
}

bool stateFinite(const FlexState& s) {
  for (size_t i = 0; i < s.position.size(); ++i) {
    if (!finite(s.position[i]) || !finite(s.velocity[i])) return false;
  }
  return true;
}

}  // namespace

void findFlexColliders(const Scene& scene, int32_t objectIndex, std::vector<int32_t>& colliders) {
  colliders.clear();
  if (objectIndex < 0 || static_cast<size_t>(objectIndex) >= scene.objects.size()) return;
  const Bounds near = widened(boxBounds(scene.objects[static_cast<size_t>(objectIndex)].boxCorners), kBodyWidening);
  for (size_t c = 0; c < scene.objects.size(); ++c) {
    const SceneObject& other = scene.objects[c];
    if (static_cast<int32_t>(c) == objectIndex || !mayCollide(other)) continue;
    if (overlap(near, widened(boxBounds(other.boxCorners), kColliderWidening))) {
      colliders.push_back(static_cast<int32_t>(c));
    }
  }
}

void stepFlexObject(Scene& scene, int32_t objectIndex, int32_t iterations, float h, int32_t mode) {
  if (objectIndex < 0 || static_cast<size_t>(objectIndex) >= scene.objects.size()) return;
  SceneObject& body = scene.objects[static_cast<size_t>(objectIndex)];
  if (isHidden(body) || body.flexFrozen || !setUp(body) || mode < 0 || mode > 2) return;
  StepScratch& work = scratch();
  const size_t n = body.flexStates[0].position.size();
  if (!body.hasBox) computeMeshBox(body);
  work.frameStart.assign(body.vertices.begin(), body.vertices.begin() + static_cast<ptrdiff_t>(n));

  for (int32_t step = 0; step < iterations; ++step) {
    switch (mode) {
      case 0:
        evaluateForces(scene, objectIndex, body.flexStates[0], work);
        integrate(scene, objectIndex, 0, 0, h, work);
        break;
      case 1:
        evaluateForces(scene, objectIndex, body.flexStates[0], work);
        integrate(scene, objectIndex, 0, 1, h / 2, work);
        evaluateForces(scene, objectIndex, body.flexStates[1], work);
        integrate(scene, objectIndex, 1, 0, h, work);
        break;
      default:
        stepFourStage(scene, objectIndex, h, work);
        break;
    }
    FlexState& s0 = body.flexStates[0];
    bool blownUp = !stateFinite(s0);
    if (!blownUp) {
      std::copy_n(s0.position.begin(), n, body.vertices.begin());
      computeMeshBox(body);
      blownUp = vec3Length(sub(body.boxCorners[7], body.boxCorners[0])) >
                kBlowUpGrowth * body.flexRestSize + kBlowUpSlack;
    }
    if (blownUp) {
      // Back to the shape the frame started from, at rest, and no further
      // steps: nothing that is not finite reaches the drawing, nor a body
      // flung apart.
      std::copy(work.frameStart.begin(), work.frameStart.end(), s0.position.begin());
      std::copy(work.frameStart.begin(), work.frameStart.end(), body.vertices.begin());
      std::fill(s0.velocity.begin(), s0.velocity.end(), Vec3{});
      computeMeshBox(body);
      body.flexFrozen = true;
      break;
    }
  }
  computeMeshNormals(body);
}

}  // namespace glorbe
