#include "models/lib3ds_compare.h"

#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

#include "geometry/model_reader.h"
#include "geometry/object_animation.h"

namespace glorbe::tools {

namespace {

// Equal as the same 32-bit value (NaNs of the same bits count as equal).
bool same(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b) || a == b; }

struct Comparison {
  std::vector<std::string> differences;

  void expect(bool ok, const std::string& what) {
    if (!ok && differences.size() < 200) differences.push_back(what);
  }
  template <typename T>
  static std::string show(T v) {
    std::ostringstream s;
    s.precision(9);
    s << v;
    return s.str();
  }
  void value(float ours, float theirs, const std::string& what) {
    expect(same(ours, theirs), what + ": ours " + show(ours) + ", lib3ds " + show(theirs));
  }
  void vec(const Vec3& ours, const float* theirs, const std::string& what) {
    value(ours.x, theirs[0], what + ".x");
    value(ours.y, theirs[1], what + ".y");
    value(ours.z, theirs[2], what + ".z");
  }
  void quat(const Quaternion& ours, const Quaternion& theirs, const std::string& what) {
    value(ours.w, theirs.w, what + ".w");
    value(ours.x, theirs.x, what + ".x");
    value(ours.y, theirs.y, what + ".y");
    value(ours.z, theirs.z, what + ".z");
  }

  template <typename Key, typename Value>
  void keys(const KeyTrack& ours, const Key* theirs, const std::string& what, Value value3) {
    int32_t i = 0;
    for (const Key* k = theirs; k != nullptr; k = k->next, ++i) {
      const std::string at = what + " key " + std::to_string(i);
      if (i >= ours.count) {
        expect(false, at + ": missing in ours");
        return;
      }
      const Key& key = *k;
      const ::glorbe::Key& o = ours.keys[static_cast<size_t>(i)];
      expect(o.tick == key.tcb.frame, at + ": frame " + std::to_string(o.tick) + " against " + std::to_string(key.tcb.frame));
      value(o.tension, (key.tcb.flags & LIB3DS_USE_TENSION) ? key.tcb.tens : 0.5f, at + " tension");
      vec(o.value, value3(key).data(), at);
    }
    expect(i == ours.count, what + ": ours has " + std::to_string(ours.count) + " keys, lib3ds " + std::to_string(i));
  }
};

std::array<float, 3> lin3(const Lib3dsLin3Key& k) { return {k.value[0], k.value[1], k.value[2]}; }
std::array<float, 3> lin1(const Lib3dsLin1Key& k) { return {k.value, 0, 0}; }

void visitNodes(Lib3dsNode* list, const std::function<void(Lib3dsNode*)>& f) {
  for (Lib3dsNode* n = list; n != nullptr; n = n->next) {
    f(n);
    visitNodes(n->childs, f);
  }
}

// The name an object node gives its object: the instance name of a dummy,
// or of any node that has one, else the node's name.
std::string objectName(const Lib3dsNode* n) {
  return n->data.object.instance[0] != '\0' ? std::string(n->data.object.instance) : std::string(n->name);
}

}  // namespace

std::vector<std::string> compareWithLib3ds(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) return {"cannot read " + path};
  Scene scene;
  initScene(scene, path);
  readModelData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), scene);

  std::unique_ptr<Lib3dsFile, void (*)(Lib3dsFile*)> file(lib3ds_file_load(path.c_str()), lib3ds_file_free);
  if (!file) return {"lib3ds cannot read " + path};
  Comparison c;
  for (int i = 0; i < 3; ++i) c.value(scene.ambientColour[static_cast<size_t>(i)], file->ambient[i], "ambient");

  // Object nodes: the names their objects end up with, their pivots.
  std::map<std::string, const Lib3dsNode*> meshNodes;
  visitNodes(file->nodes, [&](Lib3dsNode* n) {
    if (n->type == LIB3DS_OBJECT_NODE && std::string(n->name) != "$$$DUMMY") meshNodes.emplace(n->name, n);
  });

  for (Lib3dsMesh* m = file->meshes; m != nullptr; m = m->next) {
    const auto node = meshNodes.find(m->name);
    const std::string name = node != meshNodes.end() ? objectName(node->second) : std::string(m->name);
    const int32_t index = findObjectByName(scene, name);
    if (index < 0) {
      c.expect(false, "mesh " + name + ": not in ours");
      continue;
    }
    const SceneObject& o = scene.objects[static_cast<size_t>(index)];
    const std::string what = "mesh " + name;
    c.expect(o.vertexCount == static_cast<int32_t>(m->points),
             what + ": " + std::to_string(o.vertexCount) + " vertices, lib3ds " + std::to_string(m->points));
    for (Lib3dsDword i = 0; i < m->points && i < static_cast<Lib3dsDword>(o.vertexCount); ++i) {
      c.vec(o.vertices[i], m->pointL[i].pos, what + " vertex " + std::to_string(i));
    }
    for (Lib3dsDword i = 0; i < m->texels && i < static_cast<Lib3dsDword>(o.vertexCount); ++i) {
      c.value(o.texCoords[i].u, m->texelL[i][0], what + " u " + std::to_string(i));
      c.value(o.texCoords[i].v, -m->texelL[i][1], what + " v " + std::to_string(i));
    }
    size_t f = 0;
    for (Lib3dsDword i = 0; i < m->faces; ++i) {
      const Lib3dsFace& face = m->faceL[i];
      if (face.points[0] >= m->points || face.points[1] >= m->points || face.points[2] >= m->points) continue;
      if (f >= static_cast<size_t>(o.faceCount)) {
        c.expect(false, what + ": face " + std::to_string(i) + " missing in ours");
        break;
      }
      const Face& ours = o.faces[f];
      c.expect(ours[0] == face.points[0] && ours[1] == face.points[1] && ours[2] == face.points[2] &&
                   o.faceFlags[f] == face.flags,
               what + ": face " + std::to_string(i) + " differs");
      ++f;
    }
    c.expect(f == static_cast<size_t>(o.faceCount), what + ": ours has more faces");
    // The local frame: the axes as rows, lengths inverted, then the pivot.
    Matrix axes = identityMatrix();
    for (int row = 0; row < 3; ++row) {
      for (int column = 0; column < 3; ++column) axes.at(row, column) = m->matrix[row][column];
    }
    Matrix frame = invertRowLengths(axes);
    if (node != meshNodes.end()) {
      for (int k = 0; k < 3; ++k) frame[static_cast<size_t>(12 + k)] -= node->second->data.object.pivot[k];
    }
    for (size_t k = 0; k < 16; ++k) c.value(o.meshMatrix[k], frame[k], what + " meshMatrix " + std::to_string(k));
    const float origin[3] = {-m->matrix[3][0], -m->matrix[3][1], -m->matrix[3][2]};
    c.vec(o.meshOrigin, origin, what + " meshOrigin");
  }

  for (Lib3dsCamera* cam = file->cameras; cam != nullptr; cam = cam->next) {
    const SceneCamera* ours = nullptr;
    for (const SceneCamera& s : scene.cameras) {
      if (s.name == cam->name && ours == nullptr) ours = &s;
    }
    if (ours == nullptr) {
      c.expect(false, std::string("camera ") + cam->name + ": not in ours");
      continue;
    }
    const std::string what = std::string("camera ") + cam->name;
    c.vec(ours->position, cam->position, what + " position");
    c.vec(ours->target, cam->target, what + " target");
    c.value(ours->roll, cam->roll, what + " roll");
    // lib3ds keeps a field of view of 2400 / lens.
    c.expect(std::fabs(2400.0f / ours->lens - cam->fov) <= 1e-5f * std::fabs(cam->fov),
             what + ": lens " + Comparison::show(ours->lens) + " against fov " + Comparison::show(cam->fov));
  }
  for (Lib3dsLight* light = file->lights; light != nullptr; light = light->next) {
    if (light->spot_light) continue;
    const SceneLight* ours = nullptr;
    for (const SceneLight& s : scene.lights) {
      if (s.name == light->name && ours == nullptr) ours = &s;
    }
    if (ours == nullptr) {
      c.expect(false, std::string("light ") + light->name + ": not in ours");
      continue;
    }
    const std::string what = std::string("light ") + light->name;
    c.vec(ours->position, light->position, what + " position");
    for (int i = 0; i < 3; ++i) c.value(ours->color[static_cast<size_t>(i)], light->color[i], what + " colour");
  }

  // Without a segment chunk lib3ds keeps its own 0..100; ours stays 0..0.
  const bool noSegment = scene.animationStart == 0 && scene.animationEnd == 0 && file->segment_from == 0 &&
                         file->segment_to == 100;
  c.expect(noSegment || (scene.animationStart == file->segment_from && scene.animationEnd == file->segment_to),
           "segment: ours " + std::to_string(scene.animationStart) + ".." + std::to_string(scene.animationEnd) +
               ", lib3ds " + std::to_string(file->segment_from) + ".." + std::to_string(file->segment_to));

  visitNodes(file->nodes, [&](Lib3dsNode* n) {
    if (n->type == LIB3DS_OBJECT_NODE) {
      const std::string name = objectName(n);
      const int32_t index = findObjectByName(scene, name);
      if (index < 0) return;  // a node without an object: both leave it
      const SceneObject& o = scene.objects[static_cast<size_t>(index)];
      const std::string what = "node " + name;
      const std::string parent = n->parent != nullptr && n->parent->type == LIB3DS_OBJECT_NODE ? objectName(n->parent) : "";
      c.expect(o.parentName == parent, what + ": parent " + o.parentName + ", lib3ds " + parent);
      c.expect(o.isDummy == (std::string(n->name) == "$$$DUMMY"), what + ": dummy or not");
      c.keys(o.positionTrack, n->data.object.pos_track.keyL, what + " position", lin3);
      c.keys(o.scaleTrack, n->data.object.scl_track.keyL, what + " scale", lin3);
      Quaternion accumulated;
      int32_t i = 0;
      for (const Lib3dsQuatKey* k = n->data.object.rot_track.keyL; k != nullptr; k = k->next, ++i) {
        accumulated = quatMultiply(accumulated, quatFromAxisAngle(k->angle, k->axis[0], k->axis[1], k->axis[2]));
        if (i >= o.rotationTrack.count) {
          c.expect(false, what + " rotation key " + std::to_string(i) + ": missing in ours");
          break;
        }
        const RotationKey& ours = o.rotationTrack.keys[static_cast<size_t>(i)];
        c.expect(ours.tick == k->tcb.frame, what + " rotation key " + std::to_string(i) + ": frame");
        c.quat(ours.q, accumulated, what + " rotation key " + std::to_string(i));
      }
      c.expect(i == o.rotationTrack.count, what + ": rotation key counts differ");
    } else if (n->type == LIB3DS_CAMERA_NODE || n->type == LIB3DS_TARGET_NODE) {
      for (const SceneCamera& s : scene.cameras) {
        if (s.name != n->name) continue;
        if (n->type == LIB3DS_CAMERA_NODE) {
          c.keys(s.positionTrack, n->data.camera.pos_track.keyL, "camera " + s.name + " position", lin3);
          c.keys(s.rollTrack, n->data.camera.roll_track.keyL, "camera " + s.name + " roll", lin1);
        } else {
          c.keys(s.targetTrack, n->data.target.pos_track.keyL, "camera " + s.name + " target", lin3);
        }
        break;
      }
    } else if (n->type == LIB3DS_LIGHT_NODE) {
      for (const SceneLight& s : scene.lights) {
        if (s.name != n->name) continue;
        c.keys(s.positionTrack, n->data.light.pos_track.keyL, "light " + s.name + " position", lin3);
        break;
      }
    }
  });
  return c.differences;
}

}  // namespace glorbe::tools
