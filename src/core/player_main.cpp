// glorbe: the show player.
#include "core/core.h"

int main(int argc, char** argv) { return glorbe::runPlayer(argc, argv); }
