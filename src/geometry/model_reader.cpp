// The model reader: walks the chunks of a 3D Studio mesh file in the load
// buffer and fills a scene with its meshes, omni lights, cameras, ambient
// colour, animation segment and keyframer tracks. Everything is read in one
// pass straight from the file's bytes; the only allocations are the arrays
// the scene keeps.
//
// Every chunk is framed by a 16-bit identifier and a 32-bit length that
// counts its header, its data and its sub-chunks; after a chunk the walk
// always continues at its start + length. A length below 6 ends the loop it
// was met in; a length past the enclosing chunk (or the file) is cut to it,
// so a truncated file gives what it holds and nothing is read outside it.
#include "geometry/model_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "archive/load_buffer.h"
#include "geometry/mesh_ops.h"
#include "geometry/object_animation.h"

namespace glorbe {

namespace {

constexpr uint16_t kMainChunk = 0x4D4D;
constexpr uint16_t kEditorChunk = 0x3D3D;
constexpr uint16_t kAmbientChunk = 0x2100;
constexpr uint16_t kNamedObjectChunk = 0x4000;
constexpr uint16_t kMeshChunk = 0x4100;
constexpr uint16_t kVertexListChunk = 0x4110;
constexpr uint16_t kFaceListChunk = 0x4120;
constexpr uint16_t kMappingChunk = 0x4140;
constexpr uint16_t kLocalAxesChunk = 0x4160;
constexpr uint16_t kLightChunk = 0x4600;
constexpr uint16_t kCameraChunk = 0x4700;
constexpr uint16_t kKeyframerChunk = 0xB000;
constexpr uint16_t kObjectNodeChunk = 0xB002;
constexpr uint16_t kCameraNodeChunk = 0xB003;
constexpr uint16_t kTargetNodeChunk = 0xB004;
constexpr uint16_t kLightNodeChunk = 0xB005;
constexpr uint16_t kSegmentChunk = 0xB008;
constexpr uint16_t kNodeHeaderChunk = 0xB010;
constexpr uint16_t kInstanceNameChunk = 0xB011;
constexpr uint16_t kPivotChunk = 0xB013;
constexpr uint16_t kPositionTrackChunk = 0xB020;
constexpr uint16_t kRotationTrackChunk = 0xB021;
constexpr uint16_t kScaleTrackChunk = 0xB022;
constexpr uint16_t kRollTrackChunk = 0xB024;
constexpr uint16_t kFloatColourChunk = 0x0010;
constexpr uint16_t kLinearFloatColourChunk = 0x0013;

constexpr size_t kHeaderSize = 6;
const char* const kDummyName = "$$$DUMMY";

static_assert(sizeof(Vec3) == 12, "vertex lists are copied as packed floats");

struct Chunk {
  uint16_t id = 0;
  size_t data = 0;  // first byte after the header
  size_t end = 0;   // start + length, cut to the enclosing chunk
};

enum class NodeKind { Object, Camera, Target, Light };

class Reader {
 public:
  Reader(const uint8_t* data, size_t size, Scene& scene) : bytes_(data), size_(size), scene_(scene) {}

  void read();

 private:
  uint16_t u16(size_t at) const { return static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8); }
  uint32_t u32(size_t at) const {
    return static_cast<uint32_t>(bytes_[at]) | static_cast<uint32_t>(bytes_[at + 1]) << 8 |
           static_cast<uint32_t>(bytes_[at + 2]) << 16 | static_cast<uint32_t>(bytes_[at + 3]) << 24;
  }
  float f32(size_t at) const { return std::bit_cast<float>(u32(at)); }
  Vec3 vec3(size_t at) const { return Vec3{f32(at), f32(at + 4), f32(at + 8)}; }

  // The chunk at `pos`, which must lie before `limit`: false when no whole
  // header fits or the length is below 6 (it could not move the walk on).
  bool chunkAt(size_t pos, size_t limit, Chunk& chunk) const;
  // A zero-terminated name from [pos, limit), cut at 255 characters; gives
  // the position after the terminating zero (or `limit` when there is none).
  size_t readName(size_t pos, size_t limit, std::string& name) const;
  // The colour sub-chunk at `pos`: three floats from a float colour chunk,
  // otherwise the float colour read last (black before the first).
  std::array<float, 3> readColour(size_t pos, size_t limit);

  void readEditor(size_t pos);
  void readNamedObject(const Chunk& chunk);
  void readMesh(const Chunk& chunk, const std::string& name);
  void readKeyframer(size_t pos);
  void readNode(const Chunk& chunk, NodeKind kind);
  void resolveParent(int32_t objectIndex, uint32_t parentIndex, const std::string& nodeName);
  void readTrack(const Chunk& chunk, NodeKind kind, const std::string& nodeName);
  void readKeyTrack(const Chunk& chunk, int valueFloats, KeyTrack& track);
  void readRotationTrack(const Chunk& chunk, RotationTrack& track);
  // Reads a key's frame and spline values at `pos`; false when they do not fit.
  bool readKeyHead(size_t& pos, size_t limit, int32_t& frame, float& tension) const;
  int32_t findCamera(const std::string& name) const;
  int32_t findLight(const std::string& name) const;
  void finish();

  const uint8_t* bytes_;
  size_t size_;
  Scene& scene_;
  std::array<float, 3> lastColour_{};
  // The node read last, for the parent resolution: its parent index and name.
  uint32_t previousParent_ = kNoParent;
  std::string previousName_;
  // Every node read so far, for the walk up to a sibling's parent: grouping
  // nodes without an object are part of the hierarchy too.
  struct NodeLink {
    std::string name;
    uint32_t parentIndex;
    std::string parentName;
  };
  std::vector<NodeLink> nodes_;
};

bool Reader::chunkAt(size_t pos, size_t limit, Chunk& chunk) const {
  limit = std::min(limit, size_);
  if (pos >= limit || limit - pos < kHeaderSize) return false;
  const uint32_t length = u32(pos + 2);
  if (length < kHeaderSize) return false;
  chunk.id = u16(pos);
  chunk.data = pos + kHeaderSize;
  chunk.end = length > limit - pos ? limit : pos + length;
  return true;
}

size_t Reader::readName(size_t pos, size_t limit, std::string& name) const {
  limit = std::min(limit, size_);
  name.clear();
  if (pos >= limit) return limit;
  const auto* from = bytes_ + pos;
  const auto* zero = static_cast<const uint8_t*>(std::memchr(from, 0, limit - pos));
  const size_t length = zero != nullptr ? static_cast<size_t>(zero - from) : limit - pos;
  name.assign(reinterpret_cast<const char*>(from), std::min(length, kSceneNameLength));
  return zero != nullptr ? pos + length + 1 : limit;
}

std::array<float, 3> Reader::readColour(size_t pos, size_t limit) {
  Chunk colour;
  if (chunkAt(pos, limit, colour) && (colour.id == kFloatColourChunk || colour.id == kLinearFloatColourChunk) &&
      colour.end - colour.data >= 12) {
    lastColour_ = {f32(colour.data), f32(colour.data + 4), f32(colour.data + 8)};
  }
  return lastColour_;
}

void Reader::read() {
  Chunk main;
  if (!chunkAt(0, size_, main) || main.id != kMainChunk) return;
  // The main chunk's own length is not trusted: its children run to the end of the file.
  size_t pos = main.data;
  Chunk chunk;
  while (chunkAt(pos, size_, chunk)) {
    if (chunk.id == kEditorChunk) readEditor(chunk.data);
    pos = chunk.end;
  }
  finish();
}

// The editor level runs to the end of the file, not of the editor chunk: the
// keyframer that follows it in the main chunk is reached from here.
void Reader::readEditor(size_t pos) {
  Chunk chunk;
  while (chunkAt(pos, size_, chunk)) {
    switch (chunk.id) {
      case kAmbientChunk:
        scene_.ambientColour = readColour(chunk.data, chunk.end);
        break;
      case kNamedObjectChunk:
        readNamedObject(chunk);
        break;
      case kKeyframerChunk:
        readKeyframer(chunk.data);
        break;
      default:
        break;
    }
    pos = chunk.end;
  }
}

void Reader::readNamedObject(const Chunk& object) {
  std::string name;
  size_t pos = readName(object.data, object.end, name);
  Chunk chunk;
  while (chunkAt(pos, object.end, chunk) && chunk.id >= 0x4001 && chunk.id <= 0x4FFF) {
    if (chunk.id == kMeshChunk) {
      readMesh(chunk, name);
    } else if (chunk.id == kLightChunk && chunk.end - chunk.data >= 12) {
      SceneLight& light = scene_.lights.emplace_back();
      light.position = vec3(chunk.data);
      light.name = name;
      light.color = readColour(chunk.data + 12, chunk.end);
    } else if (chunk.id == kCameraChunk && chunk.end - chunk.data >= 32) {
      SceneCamera& camera = scene_.cameras.emplace_back();
      camera.position = vec3(chunk.data);
      camera.target = vec3(chunk.data + 12);
      camera.roll = f32(chunk.data + 24);
      camera.lens = f32(chunk.data + 28);
      camera.zScale = 1.0f;
      camera.name = name;
    }
    pos = chunk.end;
  }
}

void Reader::readMesh(const Chunk& mesh, const std::string& name) {
  SceneObject& o = scene_.objects[static_cast<size_t>(addEmptyObject(scene_, name))];
  size_t pos = mesh.data;
  Chunk chunk;
  while (chunkAt(pos, mesh.end, chunk) && chunk.id >= 0x4101 && chunk.id <= 0x41FF) {
    const size_t at = chunk.data + 2;
    const size_t room = chunk.end >= at ? chunk.end - at : 0;  // bytes after the count
    const size_t count = chunk.end - chunk.data >= 2 ? u16(chunk.data) : 0;
    switch (chunk.id) {
      case kVertexListChunk: {
        // A second list replaces the first together with its companion arrays.
        const size_t n = std::min(count, room / 12);
        o.vertices.resize(n);
        if constexpr (std::endian::native == std::endian::little) {
          if (n > 0) std::memcpy(o.vertices.data(), bytes_ + at, n * 12);
        } else {
          for (size_t i = 0; i < n; ++i) o.vertices[i] = vec3(at + 12 * i);
        }
        o.texCoords.assign(n, TexCoord{});
        o.normals.assign(n, Vec3{});
        o.vertexCount = static_cast<int32_t>(n);
        break;
      }
      case kFaceListChunk: {
        const size_t n = std::min(count, room / 8);
        o.faces.resize(n);
        o.faceFlags.resize(n);
        o.faceNormals.assign(n, Vec3{});
        for (size_t i = 0; i < n; ++i) {
          const size_t f = at + 8 * i;
          o.faces[i] = Face{u16(f), u16(f + 2), u16(f + 4)};
          o.faceFlags[i] = u16(f + 6);
        }
        o.faceCount = static_cast<int32_t>(n);
        break;
      }
      case kMappingChunk: {
        const size_t n = std::min({count, room / 8, static_cast<size_t>(o.vertexCount)});
        for (size_t i = 0; i < n; ++i) o.texCoords[i] = TexCoord{f32(at + 8 * i), -f32(at + 8 * i + 4)};
        break;
      }
      case kLocalAxesChunk:
        if (chunk.end - chunk.data >= 48) {
          // The file's axes become the rows of the rotation part.
          Matrix axes = identityMatrix();
          for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
              axes.at(row, column) = f32(chunk.data + static_cast<size_t>(12 * row + 4 * column));
            }
          }
          o.meshMatrix = invertRowLengths(axes);
          o.meshInverse = inverseAffine(o.meshMatrix);
          const Vec3 origin = vec3(chunk.data + 36);
          o.meshOrigin = Vec3{-origin.x, -origin.y, -origin.z};
        }
        break;
      default:
        break;
    }
    pos = chunk.end;
  }

  // Faces that name a vertex the mesh does not have are dropped, their flags with them.
  const auto limit = static_cast<uint32_t>(o.vertexCount);
  size_t kept = 0;
  for (size_t i = 0; i < static_cast<size_t>(o.faceCount); ++i) {
    const Face& f = o.faces[i];
    if (f[0] >= limit || f[1] >= limit || f[2] >= limit) continue;
    o.faces[kept] = f;
    o.faceFlags[kept] = o.faceFlags[i];
    ++kept;
  }
  if (kept != static_cast<size_t>(o.faceCount)) {
    o.faces.resize(kept);
    o.faceFlags.resize(kept);
    o.faceNormals.resize(kept);
    o.faceCount = static_cast<int32_t>(kept);
  }
  if (o.vertexCount > 0 && o.faceCount > 0) {
    computeMeshNormals(o);
    computeMeshBox(o);
  }
}

// Like the editor level, the keyframer runs to the end of the file.
void Reader::readKeyframer(size_t pos) {
  Chunk chunk;
  while (chunkAt(pos, size_, chunk)) {
    switch (chunk.id) {
      case kObjectNodeChunk:
        readNode(chunk, NodeKind::Object);
        break;
      case kCameraNodeChunk:
        readNode(chunk, NodeKind::Camera);
        break;
      case kTargetNodeChunk:
        readNode(chunk, NodeKind::Target);
        break;
      case kLightNodeChunk:
        readNode(chunk, NodeKind::Light);
        break;
      case kSegmentChunk:
        if (chunk.end - chunk.data >= 8) {
          scene_.animationStart = static_cast<int32_t>(u32(chunk.data));
          scene_.animationEnd = static_cast<int32_t>(u32(chunk.data + 4));
        }
        break;
      default:
        break;
    }
    pos = chunk.end;
  }
}

void Reader::readNode(const Chunk& node, NodeKind kind) {
  std::string nodeName;     // the node's current name: its tracks go to the record of this name
  int32_t objectIndex = -1;  // the object found for the node
  bool linked = false;       // the node's header has been read: it is the last of nodes_
  size_t pos = node.data;
  Chunk chunk;
  while (chunkAt(pos, node.end, chunk)) {
    switch (chunk.id) {
      case kNodeHeaderChunk: {
        const size_t after = readName(chunk.data, chunk.end, nodeName);
        if (nodeName == kDummyName) {
          const int32_t dummy = addEmptyObject(scene_, kDummyName);
          scene_.objects[static_cast<size_t>(dummy)].isDummy = true;
        }
        objectIndex = findObjectByName(scene_, nodeName);
        if (chunk.end >= after && chunk.end - after >= 6) {
          resolveParent(objectIndex, u16(after + 4), nodeName);
          linked = true;
        }
        break;
      }
      case kInstanceNameChunk:
        readName(chunk.data, chunk.end, nodeName);
        if (objectIndex >= 0) scene_.objects[static_cast<size_t>(objectIndex)].name = nodeName;
        previousName_ = nodeName;
        if (linked) nodes_.back().name = nodeName;
        break;
      case kPivotChunk:
        if (objectIndex >= 0 && chunk.end - chunk.data >= 12) {
          SceneObject& o = scene_.objects[static_cast<size_t>(objectIndex)];
          const Vec3 pivot = vec3(chunk.data);
          o.meshMatrix[12] -= pivot.x;
          o.meshMatrix[13] -= pivot.y;
          o.meshMatrix[14] -= pivot.z;
          o.meshInverse = inverseAffine(o.meshMatrix);
        }
        break;
      case kPositionTrackChunk:
      case kRotationTrackChunk:
      case kScaleTrackChunk:
      case kRollTrackChunk:
        readTrack(chunk, kind, nodeName);
        break;
      default:
        break;
    }
    pos = chunk.end;
  }
}

// Nodes come in hierarchy order, each followed by its children, and their
// parent indices count nodes in that order; the parent's name follows from
// the node read before this one. Every node becomes the node before the
// next, whether or not an object has its name (a grouping node without a
// mesh is still its children's parent); only an object keeps what is found.
void Reader::resolveParent(int32_t objectIndex, uint32_t parentIndex, const std::string& nodeName) {
  std::string parentName;
  if (parentIndex == kNoParent) {
    // a root
  } else if (previousParent_ == kNoParent || previousParent_ < parentIndex) {
    parentName = previousName_;  // the child of the node before
  } else {
    // A sibling of the node before or of one of its ancestors: walk up until
    // a node with the same parent index, whose parent this node shares. The
    // walk is bounded, so names that form a cycle cannot hold it.
    std::string name = previousName_;
    for (size_t step = 0; step <= nodes_.size() && !name.empty(); ++step) {
      const auto up = std::find_if(nodes_.begin(), nodes_.end(), [&](const NodeLink& n) { return n.name == name; });
      if (up == nodes_.end()) break;
      if (up->parentIndex == parentIndex) {
        parentName = up->parentName;
        break;
      }
      name = up->parentName;
    }
  }
  if (objectIndex >= 0) {
    SceneObject& o = scene_.objects[static_cast<size_t>(objectIndex)];
    o.parentIndex = parentIndex;
    o.parentName = parentName;
  }
  nodes_.push_back(NodeLink{nodeName, parentIndex, parentName});
  previousParent_ = parentIndex;
  previousName_ = nodeName;
}

int32_t Reader::findCamera(const std::string& name) const {
  for (size_t i = 0; i < scene_.cameras.size(); ++i) {
    if (scene_.cameras[i].name == name) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t Reader::findLight(const std::string& name) const {
  for (size_t i = 0; i < scene_.lights.size(); ++i) {
    if (scene_.lights[i].name == name) return static_cast<int32_t>(i);
  }
  return -1;
}

void Reader::readTrack(const Chunk& chunk, NodeKind kind, const std::string& nodeName) {
  if (kind == NodeKind::Object) {
    const int32_t i = findObjectByName(scene_, nodeName);
    if (i < 0) return;
    SceneObject& o = scene_.objects[static_cast<size_t>(i)];
    if (chunk.id == kPositionTrackChunk) readKeyTrack(chunk, 3, o.positionTrack);
    if (chunk.id == kScaleTrackChunk) readKeyTrack(chunk, 3, o.scaleTrack);
    if (chunk.id == kRotationTrackChunk) readRotationTrack(chunk, o.rotationTrack);
  } else if (kind == NodeKind::Camera || kind == NodeKind::Target) {
    const int32_t i = findCamera(nodeName);
    if (i < 0) return;
    SceneCamera& camera = scene_.cameras[static_cast<size_t>(i)];
    if (chunk.id == kPositionTrackChunk) readKeyTrack(chunk, 3, kind == NodeKind::Camera ? camera.positionTrack : camera.targetTrack);
    if (chunk.id == kRollTrackChunk && kind == NodeKind::Camera) readKeyTrack(chunk, 1, camera.rollTrack);
  } else {
    const int32_t i = findLight(nodeName);
    if (i < 0) return;
    if (chunk.id == kPositionTrackChunk) readKeyTrack(chunk, 3, scene_.lights[static_cast<size_t>(i)].positionTrack);
  }
}

bool Reader::readKeyHead(size_t& pos, size_t limit, int32_t& frame, float& tension) const {
  if (limit < pos || limit - pos < 6) return false;
  frame = static_cast<int32_t>(u32(pos));
  const uint16_t flags = u16(pos + 4);
  pos += 6;
  tension = 0.5f;
  // One float per set bit: tension, continuity, bias, ease to, ease from.
  for (uint16_t bit = 0x01; bit <= 0x10; bit = static_cast<uint16_t>(bit << 1)) {
    if ((flags & bit) == 0) continue;
    if (limit - pos < 4) return false;
    if (bit == 0x01) tension = f32(pos);
    pos += 4;
  }
  return true;
}

// Track header: a flag word, 8 bytes not used, a 32-bit key count. The count
// is cut to the keys the chunk's bytes can hold.
constexpr size_t kTrackHeaderSize = 14;

void Reader::readKeyTrack(const Chunk& chunk, int valueFloats, KeyTrack& track) {
  const size_t valueBytes = 4 * static_cast<size_t>(valueFloats);
  size_t pos = chunk.data + kTrackHeaderSize;
  const size_t room = chunk.end >= pos ? chunk.end - pos : 0;
  const uint32_t count = room > 0 ? u32(chunk.data + 10) : 0;
  const auto capacity = static_cast<uint32_t>(std::min<size_t>(count, room / (6 + valueBytes)));
  initTrack(track, capacity);
  for (uint32_t k = 0; k < capacity; ++k) {
    int32_t frame;
    float tension;
    if (!readKeyHead(pos, chunk.end, frame, tension) || chunk.end - pos < valueBytes) break;
    if (valueFloats == 1) {
      addKey(track, frame, tension, f32(pos), 0, 0);
    } else {
      addKey(track, frame, tension, f32(pos), f32(pos + 4), f32(pos + 8));
    }
    pos += valueBytes;
  }
  computeTangents(track);
}

// The file's rotations are relative to the key before; the track keeps
// absolute orientations, accumulated key by key.
void Reader::readRotationTrack(const Chunk& chunk, RotationTrack& track) {
  size_t pos = chunk.data + kTrackHeaderSize;
  const size_t room = chunk.end >= pos ? chunk.end - pos : 0;
  const uint32_t count = room > 0 ? u32(chunk.data + 10) : 0;
  const auto capacity = static_cast<uint32_t>(std::min<size_t>(count, room / (6 + 16)));
  track.keys.assign(capacity, RotationKey{});
  track.capacity = capacity;
  track.count = 0;
  Quaternion accumulated;
  for (uint32_t k = 0; k < capacity; ++k) {
    int32_t frame;
    float tension;
    if (!readKeyHead(pos, chunk.end, frame, tension) || chunk.end - pos < 16) break;
    const Quaternion q = quatFromAxisAngle(f32(pos), f32(pos + 4), f32(pos + 8), f32(pos + 12));
    pos += 16;
    accumulated = quatMultiply(accumulated, q);
    RotationKey& key = track.keys[k];
    key.tick = frame;
    key.q = accumulated;
    // Tracks of one or two keys are evaluated without control quaternions.
    key.inControl = key.outControl = accumulated;
    ++track.count;
  }
  const int32_t n = track.count;
  if (n <= 2) return;
  std::vector<RotationKey>& keys = track.keys;
  for (int32_t i = 1; i + 1 < n; ++i) {
    const Quaternion a = slerp(keys[i].q, keys[i - 1].q, 0, -1.0f / 3.0f);
    const Quaternion b = slerp(keys[i].q, keys[i + 1].q, 0, 1.0f / 3.0f);
    const Quaternion m = slerp(a, b, 0, 0.5f);
    keys[i].outControl = m;
    keys[i].inControl = slerp(keys[i].q, m, 0, -1.0f);
  }
  keys[0].outControl = slerp(keys[0].q, keys[1].q, 0, 1.0f / 3.0f);
  keys[n - 1].inControl = slerp(keys[n - 1].q, keys[n - 2].q, 0, 1.0f / 3.0f);
}

// Links that the transform would follow without end are cut. The transform
// finds a parent as the first object of its name; on those links every
// cycle loses the link of its first object in scene order.
void cutParentCycles(Scene& scene) {
  const size_t n = scene.objects.size();
  std::unordered_map<std::string_view, int32_t> firstOfName;
  firstOfName.reserve(n);
  for (size_t i = 0; i < n; ++i) firstOfName.try_emplace(scene.objects[i].name, static_cast<int32_t>(i));
  std::vector<int32_t> parent(n, -1);
  for (size_t i = 0; i < n; ++i) {
    const std::string& name = scene.objects[i].parentName;
    if (name.empty()) continue;
    const auto found = firstOfName.find(name);
    if (found != firstOfName.end()) parent[i] = found->second;
  }
  // 0: not seen; 1: on the walk that is going on; 2: done, leads to no cycle.
  std::vector<uint8_t> state(n, 0);
  std::vector<int32_t> walk;
  for (size_t start = 0; start < n; ++start) {
    walk.clear();
    int32_t at = static_cast<int32_t>(start);
    while (at >= 0 && state[static_cast<size_t>(at)] == 0) {
      state[static_cast<size_t>(at)] = 1;
      walk.push_back(at);
      at = parent[static_cast<size_t>(at)];
    }
    if (at >= 0 && state[static_cast<size_t>(at)] == 1) {
      // A new cycle through `at`: cut the link of its first member.
      int32_t first = at;
      for (int32_t i = parent[static_cast<size_t>(at)]; i != at; i = parent[static_cast<size_t>(i)]) first = std::min(first, i);
      SceneObject& o = scene.objects[static_cast<size_t>(first)];
      o.parentName.clear();
      o.parentIndex = kNoParent;
      parent[static_cast<size_t>(first)] = -1;
    }
    for (int32_t i : walk) state[static_cast<size_t>(i)] = 2;
  }
}

void Reader::finish() {
  scene_.lightCount = static_cast<int32_t>(std::min<size_t>(scene_.lights.size(), kMaxSceneLights));
  cutParentCycles(scene_);
}

}  // namespace

void readModelData(const uint8_t* data, size_t size, Scene& scene) {
  if (data == nullptr) return;
  Reader(data, size, scene).read();
}

void loadModel(const std::string& fileName, Scene& scene) {
  initScene(scene, fileName);
  LoadedFile file;
  loadFile(file, fileName);
  const uint8_t* buffer = loadBufferData();
  if (buffer != nullptr && file.pos >= 0 && file.pos < file.end && file.end <= kLoadBufferSize) {
    readModelData(buffer + file.pos, static_cast<size_t>(file.end - file.pos), scene);
  }
  releaseFile(file);
}

}  // namespace glorbe
