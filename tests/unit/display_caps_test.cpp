#include <gtest/gtest.h>

#include <set>

#include "display/display.h"

namespace glorbe {
namespace {

auto extensions(std::set<std::string> names) {
  return [names](const char* n) { return names.count(n) > 0; };
}

TEST(DisplayCaps, GameModeString) {
  EXPECT_EQ(gameModeString(800, 600, 32), "800x600:32@60");
  EXPECT_EQ(gameModeString(1024, 768, 16), "1024x768:16@60");
}

TEST(DisplayCaps, HardwareFilters) {
  DisplayCaps caps;
  auto w = computeCapabilityFlags({"NVIDIA Corporation", "GeForce", false, false}, extensions({}), caps);
  EXPECT_TRUE(w.empty());
  EXPECT_TRUE(caps.hardwareAccelerated);
  EXPECT_EQ(caps.mipMinFilter, static_cast<GLenum>(GL_LINEAR_MIPMAP_NEAREST));
  EXPECT_EQ(caps.plainFilter, static_cast<GLenum>(GL_LINEAR));
  computeCapabilityFlags({"NVIDIA Corporation", "GeForce", true, false}, extensions({}), caps);
  EXPECT_EQ(caps.mipMinFilter, static_cast<GLenum>(GL_LINEAR_MIPMAP_LINEAR));
}

TEST(DisplayCaps, SoftwareRenderersWarnAndFilterNearest) {
  for (auto [vendor, renderer] : std::initializer_list<std::pair<const char*, const char*>>{
           {"Microsoft Corporation", "GDI Generic"},
           {"Mesa", "llvmpipe (LLVM 15.0.6, 256 bits)"},
           {"Mesa/X.org", "softpipe"},
           {"Mesa Project", "Software Rasterizer (swrast)"}}) {
    DisplayCaps caps;
    auto w = computeCapabilityFlags({vendor, renderer, true, false}, extensions({}), caps);
    EXPECT_FALSE(caps.hardwareAccelerated) << renderer;
    EXPECT_EQ(caps.mipMinFilter, static_cast<GLenum>(GL_NEAREST)) << "trilinear has no effect";
    EXPECT_EQ(caps.plainFilter, static_cast<GLenum>(GL_NEAREST));
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].caption, "Warning");
    EXPECT_EQ(w[0].text, kSoftwareRendererText);
  }
  // Only the exact vendor string counts for the Windows software renderer.
  DisplayCaps caps;
  computeCapabilityFlags({"Microsoft Corporation Inc", "D3D12", false, false}, extensions({}), caps);
  EXPECT_TRUE(caps.hardwareAccelerated);
}

TEST(DisplayCaps, Extensions) {
  DisplayCaps caps;
  computeCapabilityFlags({"V", "R", false, false}, extensions({"GL_EXT_texture_env_combine", "GL_ARB_texture_env_add"}),
                         caps);
  EXPECT_TRUE(caps.hasTexEnvCombine);
  EXPECT_TRUE(caps.hasTexEnvAdd);
  computeCapabilityFlags({"V", "R", false, false}, extensions({"GL_EXT_texture_env_add"}), caps);
  EXPECT_FALSE(caps.hasTexEnvCombine);
  EXPECT_TRUE(caps.hasTexEnvAdd);
}

// GLX answers an address for any name, so the entry points alone cannot
// decide: the extensions must be advertised.
TEST(DisplayCaps, ArrayLockingAndMultitextureNeedTheirExtensions) {
  DisplayCaps caps;
  caps.hasLockArrays = caps.hasMultitexture = true;
  computeCapabilityFlags({"V", "R", false, false}, extensions({"GL_EXT_texture_env_add"}), caps);
  EXPECT_FALSE(caps.hasLockArrays);
  EXPECT_FALSE(caps.hasMultitexture);
  computeCapabilityFlags({"V", "R", false, false},
                         extensions({"GL_EXT_compiled_vertex_array", "GL_ARB_multitexture"}), caps);
  EXPECT_TRUE(caps.hasLockArrays);
  EXPECT_TRUE(caps.hasMultitexture);
}

TEST(DisplayCaps, CompressionNeedsTheBoxAndTheExtension) {
  DisplayCaps caps;
  auto w = computeCapabilityFlags({"V", "R", false, false}, extensions({"GL_ARB_texture_compression"}), caps);
  EXPECT_FALSE(caps.useCompression);
  EXPECT_TRUE(w.empty());
  w = computeCapabilityFlags({"V", "R", false, true}, extensions({"GL_ARB_texture_compression"}), caps);
  EXPECT_TRUE(caps.useCompression);
  EXPECT_TRUE(w.empty());
  w = computeCapabilityFlags({"V", "R", false, true}, extensions({}), caps);
  EXPECT_FALSE(caps.useCompression);
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0].text, kCompressionUnsupportedText);
  // Software renderer and missing compression: both warnings, software first.
  w = computeCapabilityFlags({"Microsoft Corporation", "R", false, true}, extensions({}), caps);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0].text, kSoftwareRendererText);
  EXPECT_EQ(w[1].text, kCompressionUnsupportedText);
}

TEST(DisplayCaps, MessageTextsUseOneCarriageReturn) {
  EXPECT_EQ(std::string(kGameModeImpossibleText),
            "This fullscreen mode is not supported by your video card.\rPlease choose another mode in the Settings "
            "Screen.");
}

}  // namespace
}  // namespace glorbe
