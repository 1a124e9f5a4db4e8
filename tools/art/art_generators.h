// Pictures drawn from code for the show: loading screens, sprite pictures,
// alpha masks, brushes and text banners. Every kind is deterministic.
#pragma once

#include <string>
#include <vector>

#include "image_io/png_file.h"

namespace glorbe::tools {

struct ArtKind {
  const char* name;
  int channels;  // 1 grey, 3 colour
  const char* description;
};

const std::vector<ArtKind>& artKinds();

// Draws picture `kind` at width x height; `text` is the banner text of the
// "text" kind. False with error set for an unknown kind or a bad size.
bool makeArt(const std::string& kind, int width, int height, const std::string& text, PngImage& image,
             std::string& error);

}  // namespace glorbe::tools
