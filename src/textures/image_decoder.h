// The engine's wavelet image format (".hwl"): the 36-byte header, the
// constants shared with the encoder, and the decoder that turns a file into
// raw pixels for the texture loader and the sprite and brush loaders.
//
// Ownership: decodeImage fills a std::vector that the caller owns; its
// working planes are kept for the next picture until releaseImageWorkspace.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glorbe {

// The first 36 bytes of a file, little-endian, no padding.
struct ImageHeader {
  std::array<uint8_t, 3> reserved{};  // not read by the decoder
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t bitsPerPixel = 0;  // 8 grey, 24 colour (Y, U, V channels)
  uint8_t levels = 0;        // L: the transform has L + 1 levels
  std::array<uint32_t, 3> symbolCount{};
  std::array<uint32_t, 3> valueCount{};
  std::array<uint8_t, 3> valueBits{};  // bits per magnitude, 1 to 8
};

inline constexpr size_t kImageHeaderSize = 36;
// A quantisation table has room for 18 entries: L + 2 <= 18.
inline constexpr int kMaxImageLevels = 16;
// Largest picture the decoder accepts (4096 x 4096 pixels, in any shape): a
// header is not trusted to ask for gigabytes of planes.
inline constexpr uint64_t kMaxImagePixels = uint64_t{1} << 24;
// What a file may ask for by what it holds: a picture of more than
// kFreeImagePixels pixels needs at least one byte of file for every
// kPixelsPerFileByte pixels, so a few damaged bytes cannot ask for the work
// and the planes of a 4096 x 4096 picture. Our encoder's smallest files
// (flat pictures) hold several times that; it pads any that would not.
inline constexpr uint64_t kFreeImagePixels = uint64_t{1} << 20;
inline constexpr uint64_t kPixelsPerFileByte = 4096;
// The smallest file a picture of that many pixels may come in.
inline constexpr uint64_t minimumImageFileSize(uint64_t pixels) {
  return pixels <= kFreeImagePixels ? 0 : (pixels + kPixelsPerFileByte - 1) / kPixelsPerFileByte;
}
// Magnitudes of more bits than this cannot be stored.
inline constexpr int kMaxImageValueBits = 8;

// One step of the inverse (and forward) Haar transform scales by 1 / sqrt(2).
inline constexpr double kWaveletScale = 0.7071067811865476;

// The colour conversion of the decoder: R = Y + kRedFromV V,
// B = Y + kBlueFromU U, G = (Y - kLumaRed R - kLumaBlue B) kGreenFromRest.
inline constexpr double kRedFromV = 1.140251;
inline constexpr double kBlueFromU = 2.028398;
inline constexpr double kLumaRed = 0.3;
inline constexpr double kLumaBlue = 0.11;
inline constexpr double kGreenFromRest = 1.694915;

// What decoding gave. Only `decoded` delivers pixels; every other outcome
// leaves the pixel buffer empty.
enum class ImageStatus {
  decoded,
  shortFile,      // fewer than 36 bytes (a missing file reads as empty)
  badDepth,       // bits per pixel neither 8 nor 24
  noPixels,       // width or height 0
  tooLarge,       // more than kMaxImagePixels pixels
  tooLargeForFile,  // more pixels than a file of its size may ask for
  tooManyLevels,  // more levels than a quantisation table holds
  badValueBits,   // a channel with magnitudes of more than 8 bits
};

const char* imageStatusText(ImageStatus status);

int imageChannelCount(const ImageHeader& header);  // 1 for grey, 3 for colour, 0 otherwise

// Reads the header from the first bytes of data; bytes past `size` read as 0.
// True when all 36 bytes were there.
bool readImageHeader(const uint8_t* data, size_t size, ImageHeader& header);
void writeImageHeader(const ImageHeader& header, uint8_t* out);  // kImageHeaderSize bytes

// The size a complete file with this header has: header, tables and streams.
uint64_t imageFileSize(const ImageHeader& header);

// Decodes a whole file held in memory. On `decoded`, pixelsOut holds
// width x height grey bytes (8-bit image) or width x height x 4 bytes blue,
// green, red, 0 (24-bit image), the first row first. Streams that end before
// the plane is full (also because the file is shorter than its header says)
// leave the remaining coefficients 0.
ImageStatus decodeImage(std::vector<uint8_t>& pixelsOut, ImageHeader& header, const uint8_t* data, size_t size);

// The decoder keeps its working planes from one picture to the next; this
// gives them back (the loading phase calls it when all pictures are in).
void releaseImageWorkspace();

// Decodes the file `name` of the data archive (or the disk), read whole into
// the load buffer and released again.
ImageStatus decodeImage(std::vector<uint8_t>& pixelsOut, ImageHeader& header, const std::string& name);

// The decoder's stages, for the encoder and the tests.
// Expands one channel's symbol and magnitude streams (byte counts are what
// is really there; the counts from the header may ask for more) into
// coefficients, from the first on, until the plane is full or a stream ends;
// coefficients after that are not touched.
void expandImageStreams(const uint8_t* symbolBytes, size_t symbolByteCount, uint32_t symbolCount,
                        const uint8_t* valueBytes, size_t valueByteCount, uint32_t valueCount, int valueBits,
                        std::vector<int32_t>& coefficients);
// Multiplies each coefficient of a width x height plane by the reciprocal of
// its band's table entry (0 for an entry of 0), into `plane`: entries 0 to
// levels belong to the detail bands of each level, entry levels + 1 to the
// approximation. The table has levels + 2 entries.
void dequantiseImagePlane(const int32_t* coefficients, const double* table, int width, int height, int levels,
                          double* plane);
// Undoes levels + 1 transform steps of a width x height plane, the coarsest
// first, into `result` (of the same size). `plane` is used as working space.
void inverseImageTransform(double* plane, double* result, int width, int height, int levels);

}  // namespace glorbe
