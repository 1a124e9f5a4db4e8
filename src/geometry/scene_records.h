// The records of the 3D half: scenes with their objects, cameras, lights and
// particle systems, and the level-of-detail terrains. The model reader fills
// the geometry, the scene scripts set the surfaces and effects, and the
// renderer keeps its per-frame state in them. Every field starts at the value
// a newly created record has; the tables that hold the records live with the
// other process-wide tables (scripts/scene_tables.h).
//
// Counts that can differ from an array's size are kept as fields: a mesh's
// arrays may be larger than the part in use (the terrain mesh is rebuilt
// every frame inside fixed storage), and a scene keeps more lights than it
// lights (at most eight are used).
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/key_track.h"
#include "geometry/maths.h"

namespace glorbe {

inline constexpr size_t kSceneNameLength = 255;  // names are cut to this
inline constexpr uint32_t kNoParent = 65535;
inline constexpr int32_t kMaxSceneLights = 8;
inline constexpr int32_t kMaxVertexFrames = 50;
// Edge-list entries whose second number is kOpenEdgeMark + k are open edges
// starting at corner k of the first face; face numbers stay below it.
inline constexpr uint16_t kOpenEdgeMark = 0xFFFD;
inline constexpr float kBoxStart = 10000000.0f;  // min/max start of box searches

// ---- rotation tracks ------------------------------------------------------------

struct RotationKey {
  int32_t tick = 0;
  Quaternion q;           // absolute orientation at the key
  Quaternion inControl;   // spline control quaternions (tracks of 3 keys or more)
  Quaternion outControl;
};

struct RotationTrack {
  uint32_t capacity = 0;          // key slots allocated
  int32_t count = 0;              // keys stored
  std::vector<RotationKey> keys;  // `capacity` slots, the first `count` in use
};

// ---- mesh pieces ----------------------------------------------------------------

struct TexCoord {
  float u = 0, v = 0;
};

// Three vertex indices of a triangle, in the file's corner order.
using Face = std::array<uint32_t, 3>;

// One entry of an object's edge list: a face and the face across one of its
// edges, or kOpenEdgeMark + k for its open edge from corner k to k + 1.
struct Edge {
  uint16_t face = 0;
  uint16_t other = 0;
};

// Box corners in this order: (minX, minY, minZ), (minX, minY, maxZ),
// (maxX, minY, minZ), (maxX, minY, maxZ), (minX, maxY, minZ),
// (minX, maxY, maxZ), (maxX, maxY, minZ), (maxX, maxY, maxZ).
using BoxCorners = std::array<Vec3, 8>;

// One soft-body state: per vertex a position, a velocity and a force.
struct FlexState {
  std::vector<Vec3> position;
  std::vector<Vec3> velocity;
  std::vector<Vec3> force;
};

// ---- objects --------------------------------------------------------------------

struct SceneObject {
  // geometry (model reader); `vertexCount` and `faceCount` entries are in use
  std::vector<Vec3> vertices;
  std::vector<TexCoord> texCoords;
  std::vector<TexCoord> bumpCoords;   // BUMPMAP objects, rewritten every frame
  std::vector<Vec3> bumpVectorsA;     // texture-space axes of the bump step
  std::vector<Vec3> bumpVectorsB;
  std::vector<Face> faces;
  // The file's face flags at load; reused at run time as the per-face light
  // bits of the shadow volumes (bit 15 - i: the face looks at light i).
  std::vector<uint16_t> faceFlags;
  std::vector<Vec3> normals;          // unit, per vertex
  std::vector<Vec3> faceNormals;      // per face; not unit once animation recomputes them
  std::vector<Edge> edges;            // scene finishing, for shadows and soft bodies
  // Vertex frames of VERTEXFX, MORPH and OBJDISTORT (at most 50): copies of
  // the vertex positions and normals. MORPH frames have no normals (an empty
  // frameNormals entry).
  std::vector<std::vector<Vec3>> frameVertices;
  std::vector<std::vector<Vec3>> frameNormals;
  int32_t vertexCount = 0;
  int32_t faceCount = 0;

  bool hasBox = false;  // boxCorners hold the mesh's bounding box
  BoxCorners boxCorners{};

  // surfaces and effects (scene scripts)
  bool textureMapOn = true;
  bool envMapOn = false;
  bool blended = false;
  bool bumpMapOn = false;
  bool toonOn = false;
  bool castsShadow = false;
  bool flexOn = false;
  int32_t silhouette = 0;        // outline width in pixels, 0 = none
  bool silhouetteFlag = false;   // antialiased outline
  GLenum toonSrcFactor = GL_DST_COLOR;
  GLenum toonDstFactor = GL_SRC_COLOR;
  GLenum blendSrcFactor = GL_SRC_ALPHA;
  GLenum blendDstFactor = GL_ONE;
  int32_t envLinear = 0;  // 1: object-linear planes instead of a sphere map
  std::array<float, 4> envPlaneS{};
  std::array<float, 4> envPlaneT{};

  // local frame and animation (model reader)
  Matrix meshMatrix = identityMatrix();
  Matrix meshInverse = identityMatrix();
  Vec3 meshOrigin;
  KeyTrack positionTrack;
  KeyTrack scaleTrack;
  RotationTrack rotationTrack;

  int32_t morphCount = 0;  // ticks each vertex frame lasts when frames play

  // soft body (FLEX and its set-up)
  float flexStiffness = 0;
  float flexDamping = 0;
  float flexContact = 0;   // FLEX value 3 as the script gives it
  float flexContactFactor = 0;  // flexContact + 1.0, from the set-up: 1 stops, 2 bounces back
  float flexInverseMass = 0;
  float flexMass = 0;
  float flexDrag = 0;
  Vec3 flexGravity;
  bool collidesAsBox = true;  // false for soft bodies: others meet their triangles
  std::array<FlexState, 6> flexStates;             // committed, trial, four stage increments
  std::vector<std::array<uint32_t, 2>> flexSprings;  // vertex pairs, one per spring
  std::vector<float> flexRestLengths;              // one per spring
  // Per vertex, the vertex whose motion it follows: itself, or the first
  // vertex at the same place (a mesh keeps separate vertices along its
  // mapping seams and hard edges; they move as one point).
  std::vector<uint32_t> flexTwins;
  // Set when a step blew up (a value that is not finite, or the body grown
  // far beyond its size: an unstable spring system): the body keeps the
  // shape it had before that frame's step, at rest, and is no longer stepped
  // until it is set up again.
  bool flexFrozen = false;
  float flexRestSize = 0;  // the diagonal of the body's box at set-up

  // textures
  GLuint texture = 0;
  GLuint envTexture = 0;
  GLuint bumpTextureA = 0;
  GLuint bumpTextureB = 0;
  GLuint toonTexture = 0;
  GLenum textureEnvMode = GL_MODULATE;
  GLenum envEnvMode = 0;
  GLenum bumpEnvModeA = 0;
  GLenum bumpEnvModeB = 0;
  GLenum toonEnvMode = 0;
  // ambient (r, g, b), diffuse (r, g, b), specular (r, g, b), shininess factor
  std::array<float, 10> surface{1, 1, 1, 1, 1, 1, 1, 1, 1, 0.8f};

  std::string name;
  bool isDummy = false;
  std::string parentName;         // empty: no parent
  uint32_t parentIndex = kNoParent;

  // Scene finishing marks an object ready; objects that are not ready
  // (dummies, objects of unfinished scenes) are never drawn.
  bool ready = false;
  // The mesh a level-of-detail terrain rebuilds every frame (the terrain
  // set-up marks it): its storage holds the largest mesh the terrain drawing
  // can build (kTerrainVertexCapacity vertices, kTerrainFaceCapacity faces),
  // and vertex frames, soft bodies, distortion and edge lists leave it alone,
  // since its vertices change each frame.
  bool terrainMesh = false;

  // renderer state, rewritten every frame by the object drawing
  bool visibleThisFrame = false;         // passed culling, or its shadow may show
  std::array<bool, kMaxSceneLights> shadowLights{};
  BoxCorners projectedCorners{};         // screen-centred window coordinates of the box
};

// Objects that are not ready are hidden: never drawn, never simulated.
inline bool isHidden(const SceneObject& object) { return !object.ready; }

// ---- cameras and lights ---------------------------------------------------------

struct SceneCamera {
  Vec3 position;
  Vec3 target;
  float roll = 0;    // degrees
  float lens = 0;
  float zScale = 1.0f;
  std::string name;
  KeyTrack positionTrack;
  KeyTrack targetTrack;
  KeyTrack rollTrack;  // (roll, 0, 0)
  // The up vector of the last frame whose view direction gave a usable one;
  // the view falls back on it when a frame's search for one runs out.
  Vec3 lastUp{0, 1, 0};
};

// An attractor: a point (x, y, z) that pulls with a strength.
using Attractor = std::array<float, 4>;

struct SceneLight {
  Vec3 position;
  std::array<float, 3> color{};
  KeyTrack positionTrack;
  GLuint flareTextureA = 0;  // halo rings
  GLuint flareTextureB = 0;  // glow
  GLenum flareEnvModeA = 0;
  GLenum flareEnvModeB = 0;
  float size = 1.0f;
  float haloFade = 1.0f;     // 0..1, follows the halo's visibility
  float pulseRate = 0;
  float pulseAmount = 0;
  float pulsePhase = 0;
  bool onScreen = true;      // rewritten every frame by the light placement
  Vec3 screenPosition;       // window x, y relative to the viewport centre, window z
  Vec3 velocity;
  std::vector<Attractor> attractors;  // none from files or scripts
  std::string name;
};

// ---- particle systems -----------------------------------------------------------

struct Particle {
  Vec3 position;
  Vec3 velocity;
  int32_t life = 0;  // ticks left
  std::array<float, 3> color{};
};

struct ParticleSystem {
  int32_t lifeBase = 0;       // ticks
  int32_t particleCount = 0;
  int32_t attractorCount = 0;
  int32_t lifeRange = 0;      // ticks
  float quadSize = 0;
  float emitSpread = 0;
  float velocitySpread = 0;
  std::vector<Particle> particles;
  Vec3 position;              // the emitter
  Vec3 baseVelocity;
  Vec3 gravity;
  std::vector<Attractor> attractors;
  // A negative channel makes every emission draw that channel at random.
  std::array<float, 3> color{};
  bool hasBox = false;
  bool enabled = true;
  bool sizeFollowsFade = false;
  BoxCorners boxCorners{};
  GLuint texture = 0;
  GLenum textureEnvMode = GL_MODULATE;
  std::string name;           // the light it follows, or its own name
};

// ---- terrains -------------------------------------------------------------------

inline constexpr int32_t kMaxPlacedObjects = 200;
inline constexpr int32_t kTerrainVertexCapacity = 30000;
// Each leaf of the terrain's quadtree adds nine vertices and up to eight faces.
inline constexpr int32_t kTerrainFaceCapacity = kTerrainVertexCapacity / 9 * 8;

struct PlacedObject {
  int32_t objectIndex = 0;
  float rotation = 0;  // degrees about z
  Vec3 position;
};

struct LodTerrain {
  int32_t gridWidth = 0;
  int32_t gridHeight = 0;
  int32_t lodSetting = 0;             // 0..4
  std::vector<uint8_t> heightMap;     // gridWidth x gridHeight, row-major
  std::vector<uint8_t> derivedMap;    // roughness at quadtree node centres
  std::vector<uint8_t> modelMap;      // 0 nothing, n: object n - 1 stands here
  int32_t sceneIndex = 0;
  int32_t objectIndex = 0;
  Vec3 scale;                         // world size in x and y, height of byte 255
  std::array<PlacedObject, kMaxPlacedObjects> placedObjects{};  // rebuilt every frame
  int32_t placedCount = 0;
  std::string name;
};

// ---- scenes ---------------------------------------------------------------------

struct Scene {
  std::vector<SceneObject> objects;
  std::vector<SceneCamera> cameras;
  std::vector<SceneLight> lights;
  std::vector<ParticleSystem> particleSystems;
  int32_t lightCount = 0;  // lights in use: at most kMaxSceneLights of `lights`
  std::array<float, 3> ambientColour{};
  std::array<float, 3> fogColor{};
  float fogDensity = 0.5f;
  float fogStart = 10.0f;  // far plane x 0.2
  float fogEnd = 50.0f;    // far plane
  int32_t currentCamera = 0;
  int32_t animationStart = 0;
  int32_t animationEnd = 0;
  bool shadow = false;
  bool addShadow = false;
  bool useAmbient = true;  // also switches GL lighting
  bool fogOn = false;
  float shadowStrength = 0.5f;
  int32_t terrainIndex = -1;
  std::string name;
};

}  // namespace glorbe
