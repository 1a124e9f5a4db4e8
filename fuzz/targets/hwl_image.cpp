// Wavelet images (".hwl"): the header checks, the stream expansion, the
// inverse transform and the colour conversion, then the texture loader's
// conversion of the pixels. Pictures of more than 16,384 pixels are left out
// of the run (their code is that of small ones, their time is not).
#include "fuzz_support.h"
#include "textures/image_decoder.h"
#include "textures/texture_upload.h"

using namespace glorbe;

namespace {

constexpr uint64_t kLargestPicture = 1 << 14;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::initialise();
  ImageHeader header;
  readImageHeader(data, size, header);
  const uint64_t pixelCount = uint64_t{header.width} * header.height;
  if (pixelCount > kLargestPicture && pixelCount <= kMaxImagePixels) return -1;
  std::vector<uint8_t> pixels;
  const ImageStatus status = decodeImage(pixels, header, data, size);
  if (status != ImageStatus::decoded) {
    if (!pixels.empty()) __builtin_trap();
    return 0;
  }
  const size_t expected = size_t{header.width} * header.height * (imageChannelCount(header) == 1 ? 1 : 4);
  if (pixels.size() != expected) __builtin_trap();
  TexturePixels rgba;
  if (!imagePixelsToRgba(pixels, header, rgba)) __builtin_trap();
  writeAlpha(rgba, 128);
  invertColours(rgba);
  return 0;
}
