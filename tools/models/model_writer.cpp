#include "models/model_writer.h"

#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace glorbe::tools {

namespace {

void copyName(char (&to)[64], const std::string& from) {
  std::snprintf(to, sizeof to, "%s", from.c_str());
}

void copyTcb(Lib3dsTcb& tcb, const SourceKey& k) {
  tcb.frame = k.frame;
  tcb.flags = k.flags;
  tcb.tens = k.tension;
  tcb.cont = k.continuity;
  tcb.bias = k.bias;
  tcb.ease_to = k.easeTo;
  tcb.ease_from = k.easeFrom;
}

void fillTrack(Lib3dsLin3Track& track, const std::vector<SourceKey>& keys) {
  for (const SourceKey& k : keys) {
    Lib3dsLin3Key* key = lib3ds_lin3_key_new();
    copyTcb(key->tcb, k);
    for (int i = 0; i < 3; ++i) key->value[i] = k.value[static_cast<size_t>(i)];
    lib3ds_lin3_track_insert(&track, key);
  }
}

void fillTrack(Lib3dsLin1Track& track, const std::vector<SourceKey>& keys) {
  for (const SourceKey& k : keys) {
    Lib3dsLin1Key* key = lib3ds_lin1_key_new();
    copyTcb(key->tcb, k);
    key->value = k.value[0];
    lib3ds_lin1_track_insert(&track, key);
  }
}

void fillTrack(Lib3dsQuatTrack& track, const std::vector<SourceKey>& keys) {
  for (const SourceKey& k : keys) {
    Lib3dsQuatKey* key = lib3ds_quat_key_new();
    copyTcb(key->tcb, k);
    key->angle = k.value[0];
    for (int i = 0; i < 3; ++i) key->axis[i] = k.value[static_cast<size_t>(i + 1)];
    lib3ds_quat_track_insert(&track, key);
  }
}

// Node identifiers in the order the nodes are written (each node followed by
// its children): the engine finds a node's parent from that order.
void numberNodes(Lib3dsNode* list, Lib3dsNode* parent, Lib3dsWord& next) {
  for (Lib3dsNode* p = list; p != nullptr; p = p->next) {
    p->node_id = next++;
    p->parent_id = parent != nullptr ? parent->node_id : LIB3DS_NO_PARENT;
    numberNodes(p->childs, p, next);
  }
}

}  // namespace

bool writeModel3ds(const ModelSource& source, const std::string& path, std::string& error) {
  Lib3dsFile* file = lib3ds_file_new();
  if (file == nullptr) {
    error = "out of memory";
    return false;
  }
  for (int i = 0; i < 3; ++i) file->ambient[i] = source.ambient[static_cast<size_t>(i)];
  file->segment_from = source.segmentStart;
  file->segment_to = source.segmentEnd;
  file->frames = source.segmentEnd;
  file->current_frame = source.segmentStart;

  Lib3dsMesh** meshTail = &file->meshes;
  Lib3dsCamera** cameraTail = &file->cameras;
  Lib3dsLight** lightTail = &file->lights;
  std::map<std::string, Lib3dsWord> ids;  // names of meshes and dummies to their nodes
  Lib3dsWord nextId = 0;
  const auto node = [&](Lib3dsNode* n, const std::string& parent) {
    n->node_id = nextId++;
    n->parent_id = parent.empty() ? LIB3DS_NO_PARENT : ids.at(parent);
    lib3ds_file_insert_node(file, n);
  };

  for (const SourceObject& o : source.objects) {
    Lib3dsNode* n = lib3ds_node_new_object();
    if (o.isDummy) {
      copyName(n->name, "$$$DUMMY");
      copyName(n->data.object.instance, o.name);
    } else {
      const BuiltMesh& m = o.mesh;
      Lib3dsMesh* mesh = lib3ds_mesh_new(o.name.c_str());
      const auto vertices = static_cast<Lib3dsDword>(m.vertices.size());
      lib3ds_mesh_new_point_list(mesh, vertices);
      lib3ds_mesh_new_texel_list(mesh, vertices);
      for (Lib3dsDword i = 0; i < vertices; ++i) {
        mesh->pointL[i].pos[0] = m.vertices[i].x;
        mesh->pointL[i].pos[1] = m.vertices[i].y;
        mesh->pointL[i].pos[2] = m.vertices[i].z;
        mesh->texelL[i][0] = m.mapping[i][0];
        mesh->texelL[i][1] = m.mapping[i][1];
      }
      lib3ds_mesh_new_face_list(mesh, static_cast<Lib3dsDword>(m.faces.size()));
      for (size_t f = 0; f < m.faces.size(); ++f) {
        Lib3dsFace& face = mesh->faceL[f];
        for (int k = 0; k < 3; ++k) face.points[k] = static_cast<Lib3dsWord>(m.faces[f][static_cast<size_t>(k)]);
        face.flags = m.faceFlags[f];
        face.material[0] = '\0';
      }
      // The local axes: the file keeps X, Y, Z and the origin as the rows of
      // lib3ds's matrix.
      for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
          mesh->matrix[row][column] = o.axes[static_cast<size_t>(3 * row + column)];
        }
        mesh->matrix[row][3] = row == 3 ? 1.0f : 0.0f;
      }
      *meshTail = mesh;  // kept in the source's order (lib3ds would sort by name)
      meshTail = &mesh->next;
      copyName(n->name, o.name);
    }
    n->data.object.pivot[0] = o.pivot.x;
    n->data.object.pivot[1] = o.pivot.y;
    n->data.object.pivot[2] = o.pivot.z;
    if (o.position.empty() && (o.pivot.x != 0 || o.pivot.y != 0 || o.pivot.z != 0)) {
      // Without position keys the pivot stays where the mesh has it.
      SourceKey stay;
      stay.frame = source.segmentStart;
      stay.value = {o.pivot.x, o.pivot.y, o.pivot.z, 0};
      fillTrack(n->data.object.pos_track, {stay});
    } else {
      fillTrack(n->data.object.pos_track, o.position);
    }
    fillTrack(n->data.object.rot_track, o.rotation);
    fillTrack(n->data.object.scl_track, o.scale);
    node(n, o.parent);
    ids[o.name] = n->node_id;
  }

  for (const SourceCamera& c : source.cameras) {
    Lib3dsCamera* camera = lib3ds_camera_new(c.name.c_str());
    const Vec3* from[2] = {&c.position, &c.target};
    float* to[2] = {camera->position, camera->target};
    for (int k = 0; k < 2; ++k) {
      to[k][0] = from[k]->x;
      to[k][1] = from[k]->y;
      to[k][2] = from[k]->z;
    }
    camera->roll = c.roll;
    camera->fov = 2400.0f / c.lens;  // lib3ds writes the lens as 2400 / fov
    *cameraTail = camera;
    cameraTail = &camera->next;
    Lib3dsNode* eye = lib3ds_node_new_camera();
    copyName(eye->name, c.name);
    fillTrack(eye->data.camera.pos_track, c.position_);
    fillTrack(eye->data.camera.roll_track, c.roll_);
    node(eye, "");
    Lib3dsNode* target = lib3ds_node_new_target();
    copyName(target->name, c.name);
    fillTrack(target->data.target.pos_track, c.target_);
    node(target, "");
  }

  for (const SourceLight& l : source.lights) {
    Lib3dsLight* light = lib3ds_light_new(l.name.c_str());
    light->position[0] = l.position.x;
    light->position[1] = l.position.y;
    light->position[2] = l.position.z;
    for (int i = 0; i < 3; ++i) light->color[i] = l.color[static_cast<size_t>(i)];
    light->multiplier = 1.0f;
    *lightTail = light;
    lightTail = &light->next;
    Lib3dsNode* n = lib3ds_node_new_light();
    copyName(n->name, l.name);
    for (int i = 0; i < 3; ++i) n->data.light.col[i] = l.color[static_cast<size_t>(i)];
    fillTrack(n->data.light.pos_track, l.position_);
    node(n, "");
  }

  Lib3dsWord order = 0;
  numberNodes(file->nodes, nullptr, order);
  const bool saved = lib3ds_file_save(file, path.c_str()) != 0;
  lib3ds_file_free(file);
  if (!saved) error = "cannot write " + path;
  return saved;
}

}  // namespace glorbe::tools
