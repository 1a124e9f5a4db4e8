// What the OpenGL implementation can do, probed once when the display opens,
// and the fixed projection settings; both live in the display's state record
// (display_state.h).
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace glorbe {

struct DisplayCaps {
  bool hardwareAccelerated = false;
  GLenum mipMinFilter = GL_NEAREST;
  GLenum plainFilter = GL_NEAREST;
  PFNGLLOCKARRAYSEXTPROC lockArraysFn = nullptr;
  PFNGLUNLOCKARRAYSEXTPROC unlockArraysFn = nullptr;
  bool hasLockArrays = false;
  PFNGLCLIENTACTIVETEXTUREARBPROC clientActiveTextureFn = nullptr;
  PFNGLACTIVETEXTUREARBPROC activeTextureFn = nullptr;
  bool hasMultitexture = false;
  bool hasTexEnvCombine = false;
  bool hasTexEnvAdd = false;
  bool useCompression = false;
  int32_t maxTextureSize = 0;
};

struct ProjectionSettings {
  float farPlane = 50.0f;
};

inline constexpr double kProjectionAspect = 1.3333;  // whatever the window's shape

// What decides the capability flags besides the entry points.
struct CapabilityInputs {
  std::string vendor;
  std::string renderer;
  bool trilinear = false;    // the launcher's trilinear box
  bool compression = false;  // the launcher's compression box
};

struct CapabilityWarning {
  std::string caption;
  std::string text;
};

// Fills the filter, extension and compression fields of caps from the inputs
// and the extension query; entry points and the texture size are left alone.
// hasLockArrays and hasMultitexture get their extension half here; the
// entry points must also resolve (checkCapabilities).
// Returns the warnings to show, in the order they are shown.
std::vector<CapabilityWarning> computeCapabilityFlags(const CapabilityInputs& in,
                                                      const std::function<bool(const char*)>& extensionSupported,
                                                      DisplayCaps& caps);

}  // namespace glorbe
