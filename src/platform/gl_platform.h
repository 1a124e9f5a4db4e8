// OpenGL platform glue: extension entry points and renderer identification.
#pragma once

#include <string>

namespace glorbe {

using GlProc = void (*)();

// Address of an OpenGL entry point by name, or null when it is not available.
GlProc glProcAddress(const char* name);

// True for a renderer without 3D hardware: the "Microsoft Corporation"
// software renderer, or Mesa's llvmpipe, softpipe and swrast.
bool isSoftwareRenderer(const std::string& vendor, const std::string& renderer);

}  // namespace glorbe
