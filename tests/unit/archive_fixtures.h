// Archives made by other programs (Python's zipfile, Info-ZIP zip) and
// loaded files made from text, for the archive and script reader tests.
#pragma once

#include <string>

#include "archive/load_buffer.h"
#include "test_files.h"

namespace glorbe::testing {

// Runs a Python 3 program with the working directory set to `dir`; true when it exits with 0.
bool runPython(const std::filesystem::path& dir, const std::string& program);

// Runs a shell command in `dir`; true when it exits with 0.
bool runShell(const std::filesystem::path& dir, const std::string& command);

std::string readWholeFile(const std::string& path);

// Fresh archive and load-buffer state, with the buffer allocated, for one test.
struct FreshArchiveState {
  FreshArchiveState();
  ~FreshArchiveState();
};

// Deterministic bytes that deflate moderately well: words from a small
// vocabulary with numbers, spread over lines.
std::string sampleText(size_t length, unsigned seed);

}  // namespace glorbe::testing
