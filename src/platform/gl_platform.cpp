// Entry points through GLUT, software renderers by their vendor and renderer strings.
#include "platform/gl_platform.h"

#include <GL/freeglut.h>

namespace glorbe {

GlProc glProcAddress(const char* name) { return reinterpret_cast<GlProc>(glutGetProcAddress(name)); }

bool isSoftwareRenderer(const std::string& vendor, const std::string& renderer) {
  if (vendor == "Microsoft Corporation") return true;
  for (const char* soft : {"llvmpipe", "softpipe", "swrast"}) {
    if (renderer.find(soft) != std::string::npos) return true;
  }
  return false;
}

}  // namespace glorbe
