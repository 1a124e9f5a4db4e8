// glorbe-render: the show rendered offline, frame by frame.
#include "capture/offline_render.h"

int main(int argc, char** argv) { return glorbe::tools::runOfflineRender(argc, argv); }
