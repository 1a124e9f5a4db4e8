// Our model reader side by side with lib3ds on the same file: every value
// both read (meshes, mapping, local axes with pivots, cameras, lights, the
// ambient colour, the segment, the node hierarchy and its tracks) must agree.
#pragma once

#include <string>
#include <vector>

namespace glorbe::tools {

// The differences found, one line each; empty when the two agree. A file
// lib3ds cannot read gives one line saying so.
std::vector<std::string> compareWithLib3ds(const std::string& path);

}  // namespace glorbe::tools
