// The content rules the engine imposes on a show, checked by `show dump`
// after the loading phase: each broken rule is one warning line (the show
// still plays; docs/authoring.md lists the rules). Some rules are read from
// the loaded tables and the timeline, others from the scripts' own lines,
// since the tables no longer show them (a model file's size, a "?" colour,
// a refused terrain side).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "geometry/scene_records.h"
#include "sequencer/sequence_script.h"

namespace glorbe::tools {

// A scene script as the player reads it: its name and its bytes.
struct ScriptSource {
  std::string name;
  std::string text;
};

// What the script rules need of the content files: a file's size in bytes
// (-1 when it is found nowhere), and the vertex counts of a model's meshes
// in file order (dummies left out).
struct ContentFiles {
  std::function<int64_t(const std::string&)> size;
  std::function<std::vector<int32_t>(const std::string&)> meshVertexCounts;
};

std::vector<std::string> scriptRuleWarnings(const std::vector<ScriptSource>& scripts, const std::vector<Scene>& scenes,
                                            const ContentFiles& files);

std::vector<std::string> tableRuleWarnings(const std::vector<Scene>& scenes, const std::vector<LodTerrain>& terrains,
                                           const SequenceScript& timeline);

// Both, on the process-wide tables after the loading phase, with the scripts
// and models found as the player finds them.
std::vector<std::string> showRuleWarnings();

}  // namespace glorbe::tools
