// Probing the GL implementation into DisplayCaps.
#include <GL/freeglut.h>

#include "display/display_state.h"
#include "display/display.h"
#include "platform/gl_platform.h"
#include "platform/message_box.h"

namespace glorbe {

std::vector<CapabilityWarning> computeCapabilityFlags(const CapabilityInputs& in,
                                                      const std::function<bool(const char*)>& extensionSupported,
                                                      DisplayCaps& caps) {
  std::vector<CapabilityWarning> warnings;
  caps.hardwareAccelerated = !isSoftwareRenderer(in.vendor, in.renderer);
  if (!caps.hardwareAccelerated) warnings.push_back({"Warning", kSoftwareRendererText});

  if (caps.hardwareAccelerated) {
    caps.mipMinFilter = in.trilinear ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST;
    caps.plainFilter = GL_LINEAR;
  } else {
    caps.mipMinFilter = GL_NEAREST;
    caps.plainFilter = GL_NEAREST;
  }

  // The entry points alone do not tell: GLX hands out an address for any
  // name, so the extension must be advertised too (checkCapabilities adds
  // the entry-point half of these two).
  caps.hasLockArrays = extensionSupported("GL_EXT_compiled_vertex_array");
  caps.hasMultitexture = extensionSupported("GL_ARB_multitexture");
  caps.hasTexEnvCombine = extensionSupported("GL_EXT_texture_env_combine");
  caps.hasTexEnvAdd = extensionSupported("GL_EXT_texture_env_add") || extensionSupported("GL_ARB_texture_env_add");
  const bool compressionAvailable = extensionSupported("GL_ARB_texture_compression");
  if (in.compression && !compressionAvailable) warnings.push_back({"Warning", kCompressionUnsupportedText});
  caps.useCompression = in.compression && compressionAvailable;
  return warnings;
}

namespace {
const char* glString(GLenum name) {
  const GLubyte* s = glGetString(name);
  return s != nullptr ? reinterpret_cast<const char*>(s) : "";
}
}  // namespace

void checkCapabilities() {
  CapabilityInputs in;
  in.vendor = glString(GL_VENDOR);
  in.renderer = glString(GL_RENDERER);
  in.trilinear = display.settings.trilinear;
  in.compression = display.settings.compression;

  DisplayCaps caps;
  const auto warnings = computeCapabilityFlags(
      in, [](const char* ext) { return glutExtensionSupported(ext) != 0; }, caps);

  // The software-renderer warning comes first, before the entry points are
  // looked up; the compression warning after the extension queries.
  size_t shown = 0;
  if (!caps.hardwareAccelerated) showMessageBox(warnings[shown].caption, warnings[shown].text), ++shown;

  caps.lockArraysFn = reinterpret_cast<PFNGLLOCKARRAYSEXTPROC>(glProcAddress("glLockArraysEXT"));
  caps.unlockArraysFn = reinterpret_cast<PFNGLUNLOCKARRAYSEXTPROC>(glProcAddress("glUnlockArraysEXT"));
  caps.hasLockArrays = caps.hasLockArrays && glProcAddress("glLockArraysEXT") != nullptr &&
                       glProcAddress("glUnlockArraysEXT") != nullptr;
  caps.clientActiveTextureFn =
      reinterpret_cast<PFNGLCLIENTACTIVETEXTUREARBPROC>(glProcAddress("glClientActiveTextureARB"));
  caps.activeTextureFn = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(glProcAddress("glActiveTextureARB"));
  caps.hasMultitexture =
      caps.hasMultitexture && caps.clientActiveTextureFn != nullptr && caps.activeTextureFn != nullptr;

  for (; shown < warnings.size(); ++shown) showMessageBox(warnings[shown].caption, warnings[shown].text);

  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  caps.maxTextureSize = maxSize;
  display.caps = caps;
}

}  // namespace glorbe
