// glorbe-tool: authoring and inspection of the show's content.
#include <cstdio>
#include <cstring>

#include "glorbe_tool/commands.h"

namespace {

void printHelp(FILE* to) {
  std::fprintf(to,
               "glorbe-tool: authoring and inspection of glORBE content\n"
               "usage: glorbe-tool COMMAND ...\n\n");
  for (const auto& c : glorbe::tools::toolCommands()) std::fprintf(to, "%s\n", c.usage);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    printHelp(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const auto& command = glorbe::tools::findToolCommand(argv[1]);
  if (command.run == nullptr) {
    std::fprintf(stderr, "glorbe-tool: unknown command \"%s\"\n", argv[1]);
    printHelp(stderr);
    return 2;
  }
  return command.run(glorbe::tools::Args(argv + 2, argv + argc));
}
