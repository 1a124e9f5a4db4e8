// The MATERIALS section: generated, window-fitted and image textures with
// their formats, filters, wraps, alpha and translucency, as OpenGL holds them.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "display/display_state.h"
#include "gl_context.h"
#include "image_codec/hwl_encoder.h"
#include "scratch_folder_fixture.h"
#include "scripts/material_table.h"
#include "scripts/materials_section.h"
#include "texprog/tex_text.h"
#include "textures/image_decoder.h"
#include "textures/texture_generator.h"

namespace glorbe {
namespace {

class MaterialsTest : public testing::ScratchFolderTest {
 protected:
  MaterialsTest() : ScratchFolderTest("materials") {}
  void SetUp() override {
    ScratchFolderTest::SetUp();
    resetMaterialTable();
    resetTexGenerator();
    display.caps.plainFilter = GL_LINEAR;
    display.caps.mipMinFilter = GL_LINEAR_MIPMAP_NEAREST;
  }
  void TearDown() override {
    for (const Material& m : materialTable.materials) glDeleteTextures(1, &m.texture);
    resetMaterialTable();
    ScratchFolderTest::TearDown();
  }

  static void write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path p(name);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }
  // Script lines end in carriage return and line feed.
  static void writeScript(const std::string& name, std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* l : lines) text += std::string(l) + "\r\n";
    write(name, text);
  }
  static std::string program(const std::string& source) {
    TexProgram p;
    std::string error;
    EXPECT_TRUE(tools::assembleTexProgram(source, "test", p, error)) << error;
    const auto bytes = encodeTexProgram(p);
    return std::string(bytes.begin(), bytes.end());
  }

};

const Material& material(size_t i) { return materialTable.materials.at(i); }

// Binds the material's texture and gives a level-0 property of it.
GLint level(const Material& m, GLenum which) {
  glBindTexture(GL_TEXTURE_2D, m.texture);
  GLint v = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, which, &v);
  return v;
}
GLint parameter(const Material& m, GLenum which) {
  glBindTexture(GL_TEXTURE_2D, m.texture);
  GLint v = -1;
  glGetTexParameteriv(GL_TEXTURE_2D, which, &v);
  return v;
}
std::vector<uint8_t> texels(const Material& m) {
  const GLint w = level(m, GL_TEXTURE_WIDTH), h = level(m, GL_TEXTURE_HEIGHT);
  std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  return out;
}

TEST_F(MaterialsTest, GeneratedTexturesAndKeptKeywords) {
  const std::string flat = program("fill layer=4 red=10 green=20 blue=30\nlist 1\ninvert from=4 to=4\n");
  write("tex/flat.tex", flat);
  write("tex/short.tex", flat.substr(0, 500));  // list 0 only
  writeScript("scripts/one.ini",
              {"[MATERIALS]", "PARAM = FLAT, TEX\\FLAT.TEX, 8, RGB, NEAREST, CLAMP, 1.0, 0, 0",
               "PARAM = GRAB, ?, 1024, RGBA, MIP, REPEAT, 0.998, 0, 0",
               "// unknown keywords keep the previous line's format, filter and wrap",
               "PARAM = SHORT, TEX\\SHORT.TEX, 300, RGBX, LINEAR, WRAP, 1, 1, 0",
               "PARAM = NOTHING, TEX\\MISSING.TEX, 4, RGBA, NORMAL, CLAMP, 1, 0, 0", "PARAM = FEW, ?, 16, RGB, MIP",
               "OTHER = X, ?, 16, RGB, NEAREST, CLAMP, 1, 0, 0", "[SPRITES]",
               "PARAM = IGNORED, ?, 16, RGB, NEAREST, CLAMP, 1, 0, 0"});
  parseMaterials("SCRIPTS\\ONE.INI");
  ASSERT_EQ(materialTable.materials.size(), 4u);

  const Material& flatOne = material(0);
  EXPECT_EQ(flatOne.name, "FLAT");
  EXPECT_FALSE(flatOne.translucent);
  EXPECT_EQ(level(flatOne, GL_TEXTURE_WIDTH), 8);
  EXPECT_EQ(level(flatOne, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
  EXPECT_EQ(parameter(flatOne, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(parameter(flatOne, GL_TEXTURE_WRAP_T), GL_CLAMP);
  const auto flatTexels = texels(flatOne);
  EXPECT_EQ(std::vector<uint8_t>(flatTexels.begin(), flatTexels.begin() + 3), (std::vector<uint8_t>{245, 235, 225}))
      << "both lists ran";

  // 1024 halved to fit the 320 x 240 test window: 512, 256, then 128.
  const Material& grab = material(1);
  EXPECT_TRUE(grab.translucent) << "round(0.998 x 255) = 254";
  EXPECT_EQ(level(grab, GL_TEXTURE_WIDTH), 128);
  EXPECT_EQ(level(grab, GL_TEXTURE_HEIGHT), 128);
  EXPECT_EQ(parameter(grab, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST) << "MIP is the display's mip filter";
  const auto grabTexels = texels(grab);
  EXPECT_EQ(grabTexels[0] + grabTexels[1] + grabTexels[2], 0) << "nothing ran: black";
  EXPECT_EQ(grabTexels[3], 254);

  // Size 300 becomes 256; the short file ran its first list, then was inverted by the flag.
  const Material& shortOne = material(2);
  EXPECT_EQ(shortOne.name, "SHORT");
  EXPECT_EQ(level(shortOne, GL_TEXTURE_WIDTH), 256);
  EXPECT_EQ(level(shortOne, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
  EXPECT_EQ(parameter(shortOne, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
  EXPECT_EQ(parameter(shortOne, GL_TEXTURE_WRAP_S), GL_REPEAT);
  const auto shortTexels = texels(shortOne);
  EXPECT_EQ(std::vector<uint8_t>(shortTexels.end() - 4, shortTexels.end()), (std::vector<uint8_t>{245, 235, 225, 255}));

  const auto nothing = texels(material(3));
  EXPECT_EQ(nothing.size(), 4u * 4 * 4);
  EXPECT_EQ(nothing[0] + nothing[1] + nothing[2], 0) << "a missing program is an empty one";
  EXPECT_EQ(texLayer(0), nullptr) << "the layers are released";
}

TEST_F(MaterialsTest, ImageFilesWithAndWithoutAlphaImages) {
  tools::PngImage colour{8, 8, 3, std::vector<uint8_t>(8 * 8 * 3, 0)};
  tools::PngImage mask{8, 8, 1, std::vector<uint8_t>(8 * 8, 0)};
  for (size_t i = 0; i < 64; ++i) {
    colour.pixels[i * 3] = 200;
    mask.pixels[i] = static_cast<uint8_t>(i * 4);
  }
  std::vector<uint8_t> file, maskBytes;
  std::string error;
  ASSERT_TRUE(tools::encodeHwl(colour, {}, file, error)) << error;
  write("pics/pic.hwl", std::string(file.begin(), file.end()));
  ASSERT_TRUE(tools::encodeHwl(mask, {}, file, error)) << error;
  write("pics/mask.hwl", std::string(file.begin(), file.end()));
  ImageHeader header;
  ASSERT_EQ(decodeImage(maskBytes, header, file.data(), file.size()), ImageStatus::decoded);

  const std::string longName(120, 'N');
  writeScript("s.ini", {"[MATERIALS]", "PARAM = OPAQUE, PICS\\PIC.HWL, ?, RGBA, NEAREST, REPEAT, 1, 0, 0",
                        "PARAM = HALF, PICS\\PIC.HWL, ?, RGBA, NEAREST, REPEAT, 0.5, 0, 0",
                        "PARAM = MASKED, PICS\\PIC.HWL, PICS\\MASK.HWL, RGBA, NEAREST, REPEAT, 1.0, 0, 0",
                        ("PARAM = " + longName + ", PICS\\PIC.HWL, ?, RGB, NEAREST, CLAMP, 1, 1, 0").c_str()});
  parseMaterials("s.ini");
  ASSERT_EQ(materialTable.materials.size(), 4u);
  EXPECT_FALSE(material(0).translucent);
  EXPECT_EQ(texels(material(0))[3], 255);
  EXPECT_TRUE(material(1).translucent);
  EXPECT_EQ(texels(material(1))[3], 128) << "round(127.5) is 128";
  EXPECT_TRUE(material(2).translucent) << "an alpha image makes it translucent whatever the alpha says";
  const auto masked = texels(material(2));
  for (size_t i = 0; i < 64; ++i) ASSERT_EQ(masked[i * 4 + 3], maskBytes[i]) << i;
  EXPECT_EQ(material(3).name, std::string(100, 'N'));
  EXPECT_LT(texels(material(3))[0], 100) << "inverted";
  EXPECT_EQ(findMaterial("MASKED"), &material(2));
}

}  // namespace
}  // namespace glorbe
