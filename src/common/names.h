// Name matching shared by the timeline's commands and the tables they
// address (sprites, move lists, scenes, cameras, lights, objects).
#pragma once

#include <string>

namespace glorbe {

// A target whose name contains the text is addressed; an empty text
// addresses nothing.
inline bool nameContains(const std::string& targetName, const std::string& text) {
  return !text.empty() && targetName.find(text) != std::string::npos;
}

}  // namespace glorbe
