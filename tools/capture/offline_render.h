// glorbe-render: the show rendered frame by frame with a fixed clock, to
// PNG pictures, a single picture, or a video through ffmpeg.
#pragma once

#include <cstdint>
#include <string>

namespace glorbe::tools {

// The whole program; returns its exit code (2 for bad options).
int runOfflineRender(int argc, char** argv);

// Takes every pending GL error: their names, or empty when there was none.
std::string takeGlErrors();

// Takes every pending GL error. The first call that finds any gives the
// warning naming the second and the error; later ones only count frames.
struct GlErrorWatch {
  int64_t framesWithErrors = 0;
  // Empty when there was no error or the warning was given before.
  std::string check(double second);
};

}  // namespace glorbe::tools
