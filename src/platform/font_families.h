// Installed font families, looked up through fontconfig.
#pragma once

#include <string>
#include <vector>

namespace glorbe {

// The first of the families that is installed (compared without regard to
// case, as fontconfig does), or "" when none is.
std::string firstInstalledFontFamily(const std::vector<std::string>& families);

}  // namespace glorbe
