// The procedural texture generator: small programs of image operations
// (noise, plasma, blends, colour changes, blur, emboss, distortions) run over
// six RGB working images, the layers, at load time. Layer 4 becomes the
// texture. Layer 5 is the scratch image of the operations that copy their
// source first and the octave image of the fractal noise.
//
// A ".TEX" file holds a `TexProgram`: five step lists of 4,404 bytes each,
// 22,020 bytes little-endian. Every step is an opcode and ten float
// parameters; programs come from files, so every value is taken as it comes
// and nothing a step says can make the generator leave its layers.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace glorbe {

inline constexpr int kTexLayerCount = 6;
inline constexpr int kTexScratchLayer = 5;
inline constexpr int kTexOutputLayer = 4;
inline constexpr int kTexStepListCount = 5;
inline constexpr int kTexMaxSteps = 100;
inline constexpr int kTexParamCount = 10;
inline constexpr size_t kTexStepListBytes = 4 + kTexMaxSteps * 4 + kTexMaxSteps * kTexParamCount * 4;  // 4404
inline constexpr size_t kTexProgramBytes = kTexStepListCount * kTexStepListBytes;                      // 22020

// Sizes outside 1..4096 are brought into it; sizes that are not powers of two
// are taken down to the power of two below, because every coordinate wraps
// with a mask.
inline constexpr int32_t kTexMaxSize = 4096;

using TexParams = std::array<float, kTexParamCount>;

// The twenty operations.
enum TexOpcode : int32_t {
  kTexNoise = 0,
  kTexPlasma = 1,
  kTexFractalNoise = 2,
  kTexRadialGradient = 3,
  kTexFill = 4,
  kTexBlend = 10,
  kTexMultiply = 11,
  kTexColourScale = 20,
  kTexHsvScale = 21,
  kTexAdd = 22,
  kTexHsvShift = 23,
  kTexSineMap = 24,
  kTexInvert = 30,
  kTexEmboss = 31,
  kTexBitRotate = 32,
  kTexBlur = 33,
  kTexSineDistortion = 40,
  kTexTwirl = 41,
  kTexDisplace = 42,
  kTexTile = 43,
};

struct TexStepList {
  int32_t stepCount = 0;  // as stored; only 0..100 steps are run
  std::array<int32_t, kTexMaxSteps> opcodes{};
  std::array<TexParams, kTexMaxSteps> params{};
};

struct TexProgram {
  std::array<TexStepList, kTexStepListCount> lists{};
};

// The generator's state, one per process, reused for every generated texture.
struct TexGenerator {
  int32_t width = 0;
  int32_t height = 0;
  int32_t widthMask = 0;
  int32_t heightMask = 0;
  int32_t widthShift = 0;  // log2(width): pixel (x, y) starts at ((y << widthShift) + x) * 3
  std::array<std::vector<uint8_t>, kTexLayerCount> layers;  // width * height * 3 bytes each when set up
  uint32_t seed = 0;  // kept between textures
  TexProgram program;
  // Working buffers of the operations, kept so that a step allocates nothing
  // once the first texture of a size has been made.
  std::vector<uint8_t> spare;  // result of an operation whose destination is layer 5
  std::vector<float> table;    // per-row, per-column or per-cell values
};

extern TexGenerator texGenerator;

// Releases everything and sets the seed back to 0 (tests).
void resetTexGenerator();

// The generator size for a requested side: 1..4096, a power of two.
int32_t texGeneratorSide(int32_t requested);

// (Re)allocates the six layers for the size (each side through
// texGeneratorSide), clears layers 0 to 4 to black, clears the five step
// counts and sets the size and masks. The seed is kept.
void beginGeneratedTexture(int32_t width, int32_t height);

// Frees the layers; width and height become 0 and steps do nothing.
void releaseGeneratedTexture();

// Runs one step. An unknown opcode, or a step that names a layer outside
// 0..5, does nothing.
void runTexStep(int32_t opcode, const TexParams& params);

// Runs the program's five lists in order, each from step 0 to its step count
// (a count below 0 runs nothing, above 100 runs the 100 steps there are).
void runTexProgram();

// seed = seed * 22695477 modulo 2^32; gives seed >> 16.
uint16_t nextRandom();

// Byte layer (0..5) of the current workspace, or null when it does not exist.
uint8_t* texLayer(int layer);

// The program in its file form and back. Bytes past `size` read as zero, so a
// short file gives empty steps rather than whatever lies behind it.
void decodeTexProgram(const uint8_t* bytes, size_t size, TexProgram& program);
std::vector<uint8_t> encodeTexProgram(const TexProgram& program);

// The random height-field recipe of terrains, in generator steps, on a
// workspace already set up for the terrain's size: noise in layers 0 and 1,
// layer 0 displaced by layer 1 into layer 3 (both scales `displacement`),
// fractal noise in layer 2, blurred, and layer 3 minus 0.3 x layer 2 in
// layer 4. The three seeds come from the general random source, in that
// order. Layers 2 and 3 are left as the colouring recipe below expects them.
void paintRandomHeightLayers(float displacement);

// The colouring recipe of terrains, in generator steps, on the workspace the
// height-map step left: layers 2, 3 and 4 (and layer 1 when detail is not 0).
// Random seeds come from the general random source.
void paintTerrainLayers(float red, float green, float blue, float detail);

// A terrain's texture: paintTerrainLayers, then layer 4 uploaded mip-mapped
// and repeating with alpha round(alpha x 255), then the layers released. The
// workspace's own size is used; width and height only set it up when the
// height-map step left none.
GLuint makeTerrainTexture(int32_t width, int32_t height, float red, float green, float blue, float detail,
                          float alpha);

}  // namespace glorbe
