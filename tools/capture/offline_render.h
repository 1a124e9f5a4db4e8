// glorbe-render: the show rendered frame by frame with a fixed clock, to
// PNG pictures, a single picture, or a video through ffmpeg.
#pragma once

namespace glorbe::tools {

// The whole program; returns its exit code (2 for bad options).
int runOfflineRender(int argc, char** argv);

}  // namespace glorbe::tools
