// Shared by the inspection commands: JSON text, and finding a content file
// the way the player does (disk first, then the archive).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace glorbe::tools {

// A JSON string; bytes outside printable ASCII are written as \u00XX
// (Latin-1), so any content gives valid JSON.
std::string jsonString(const std::string& s);

// Where the inspection commands look for content: "--archive ARCHIVE", the
// one option they take after FILE, or velk.dat in the current folder.
struct ArchiveChoice {
  std::string path;
  bool named = false;  // given with --archive
};

// The --archive option as the commands list it, and what it chose.
extern const cli::Option kArchiveOption;
ArchiveChoice archiveChoice(const cli::Invocation& call);

// Registers the archive as the player does and checks that `name` is found
// and fits the load buffer, setting `length`. An archive that cannot be
// opened is an error only when it was named on the command line. Returns 0,
// or prints why to standard error and returns 1.
int findContentFile(const std::string& name, const std::string& archivePath, bool archiveNamed, int64_t& length);

}  // namespace glorbe::tools
