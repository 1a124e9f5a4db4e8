// Disk look-up for content names written the Windows way: "\" (or "/")
// separates folders and every path component matches case-insensitively.
#pragma once

#include <optional>
#include <string>

namespace glorbe {

// The real path of the regular file the name denotes, relative to the working
// directory unless the name starts with a separator; nothing when there is none.
std::optional<std::string> findDiskFile(const std::string& name);

}  // namespace glorbe
