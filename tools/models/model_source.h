// The text form of the show's models, written by hand: meshes built from
// primitives, dummies, pivots, key-framed tracks, cameras, omni lights and
// the ambient colour. parseModelSource turns the text into a ModelSource with
// every mesh built; writeModel3ds (model_writer.h) makes the .3DS file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/maths.h"

namespace glorbe::tools {

// One key as the file stores it: the frame, the spline values whose flag
// bits are set (0x01 tension, 0x02 continuity, 0x04 bias, 0x08 ease to,
// 0x10 ease from) and up to four values.
struct SourceKey {
  int32_t frame = 0;
  uint16_t flags = 0;
  float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
  std::array<float, 4> value{};  // position or scale (x, y, z); rotation (radians, axis x, y, z); roll (degrees)
};

struct BuiltMesh {
  std::vector<Vec3> vertices;
  std::vector<std::array<float, 2>> mapping;  // (u, v) per vertex, v up as the file keeps it
  std::vector<std::array<uint32_t, 3>> faces;
  std::vector<uint16_t> faceFlags;
};

// A mesh or a dummy with its place in the hierarchy and its tracks.
struct SourceObject {
  std::string name;
  bool isDummy = false;
  std::string parent;  // empty: a root
  Vec3 pivot;
  bool hasAxes = false;
  std::array<float, 12> axes{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};  // X, Y, Z axes and the origin
  BuiltMesh mesh;
  std::vector<SourceKey> position, rotation, scale;
  int line = 0;
};

struct SourceCamera {
  std::string name;
  Vec3 position;
  Vec3 target;
  float roll = 0;   // degrees
  float lens = 35;  // millimetres
  std::vector<SourceKey> position_, target_, roll_;
  int line = 0;
};

struct SourceLight {
  std::string name;
  Vec3 position;
  std::array<float, 3> color{1, 1, 1};
  std::vector<SourceKey> position_;
  int line = 0;
};

struct ModelSource {
  std::array<float, 3> ambient{};
  int32_t segmentStart = 0;
  int32_t segmentEnd = 100;
  std::vector<SourceObject> objects;  // in the order of the source; a parent comes before its children
  std::vector<SourceCamera> cameras;
  std::vector<SourceLight> lights;
};

struct ModelMessages {
  std::vector<std::string> errors;    // "SOURCE:LINE: text"
  std::vector<std::string> warnings;
};

// Reads the text, builds every mesh (welded where the source asks) and
// checks names, parents and sizes. False when there is an error.
bool parseModelSource(const std::string& text, const std::string& sourceName, ModelSource& out,
                      ModelMessages& messages);

// Merges vertices closer than `epsilon` in every coordinate; with
// `keepMapping` only those whose mapping is that close too. Faces left with
// two equal corners are dropped.
void weldMesh(BuiltMesh& mesh, float epsilon, bool keepMapping);

}  // namespace glorbe::tools
