// glorbe-tool show dump: runs the player's loading phase in the current
// folder (a show folder: velk.dat, or the content files on disk) inside a
// window of its own, since textures need a GL context, and prints every
// process-wide table as one JSON document.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/core.h"
#include "display/display.h"
#include "display/display_state.h"
#include "glorbe_tool/commands.h"
#include "glorbe_tool/show_json.h"
#include "glorbe_tool/show_rules.h"
#include "platform/message_box.h"
#include "scripts/number_conversion.h"

namespace glorbe::tools {

namespace {

void noDisplay() {}

bool parseSize(const std::string& text, int& width, int& height) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  const auto w = parseInteger(text.substr(0, x));
  const auto h = parseInteger(text.substr(x + 1));
  if (!w || !h || *w < 16 || *h < 16 || *w > 8192 || *h > 8192) return false;
  width = *w;
  height = *h;
  return true;
}

int dumpShow(int width, int height) {
  namespace fs = std::filesystem;
  if (!fs::exists(kArchiveFile) && !fs::is_directory("scripts")) {
    std::fprintf(stderr, "glorbe-tool: no %s and no scripts folder here; run show dump in a show folder\n",
                 kArchiveFile);
    return 1;
  }
  const char* xDisplay = std::getenv("DISPLAY");
  if (xDisplay == nullptr || *xDisplay == '\0') {
    std::fprintf(stderr, "glorbe-tool: show dump makes textures and needs an X display (try xvfb-run -a)\n");
    return 1;
  }
  static char program[] = "glorbe-tool";
  char* argv[] = {program, nullptr};
  initProcessState(1, argv);
  setMessageBoxUnattended(true);  // a script error is one line on standard error
  display.settings.width = width;
  display.settings.height = height;
  display.settings.bits = 32;
  display.settings.fullscreen = false;
  setupDisplay(width, height, 32, false, kStencilDisplayMode);
  glutDisplayFunc(noDisplay);
  for (int i = 0; i < 10; ++i) glutMainLoopEvent();  // the window's first reshape
  prepareDrawing();
  onReshape(width, height);
  runLoadingPhase();
  // The content rules the engine imposes: warnings only, the show still plays.
  for (const std::string& warning : showRuleWarnings()) {
    std::fprintf(stderr, "glorbe-tool: warning: %s\n", warning.c_str());
  }
  const std::string json = showTablesJson();
  std::fwrite(json.data(), 1, json.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

std::vector<Command> showCommands() {
  return {{"show dump", "", 0, 0, {{"size", "WxH", "the window the loading phase runs in (default 800x600)"}},
           "In a show folder: every table after the player's loading phase, one JSON document.\n"
           "Materials, sprites, move lists, scenes and terrains. Needs an X display.\n"
           "Content rules the show breaks are warnings on standard error (docs/authoring.md).",
           [](const Invocation& call) {
             int width = 800, height = 600;
             if (const auto size = call.value("size"); size && !parseSize(*size, width, height)) {
               return cli::usageError(call, "--size takes WIDTHxHEIGHT, each 16 to 8192, not \"" + *size + "\"");
             }
             return dumpShow(width, height);
           }}};
}

}  // namespace glorbe::tools
