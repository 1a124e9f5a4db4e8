// glorbe-tool hwl: pictures to and from the engine's wavelet image files, and
// a look inside one.
#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "common/byte_order.h"
#include "glorbe_tool/commands.h"
#include "image_io/png_file.h"
#include "image_codec/hwl_encoder.h"
#include "scripts/number_conversion.h"
#include "textures/image_decoder.h"

namespace glorbe::tools {

namespace {

using Args = std::vector<std::string>;  // the command word, then its arguments

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

int failed(const std::string& error) {
  std::fprintf(stderr, "glorbe-tool: %s\n", error.c_str());
  return 1;
}

int encode(const Invocation& call) {
  HwlEncodeOptions options;
  if (const auto text = call.value("levels")) {
    const auto v = parseInteger(*text);
    if (!v || *v < 0 || *v > kMaxImageLevels) {
      return cli::usageError(call, "--levels takes a whole number from 0 to 16, not \"" + *text + "\"");
    }
    options.levels = *v;
  }
  if (const auto text = call.value("quality")) {
    const auto v = parseInteger(*text);
    if (!v || *v < 1 || *v > 100) {
      return cli::usageError(call, "--quality takes a whole number from 1 to 100, not \"" + *text + "\"");
    }
    options.quality = *v;
  }
  const Args args{"encode", call.argument(0), call.argument(1)};
  PngImage picture;
  std::string error;
  if (!readPng(args[1], picture, error)) return failed(error);
  if (picture.channels == 4) std::fprintf(stderr, "glorbe-tool: %s: the alpha channel is left out\n", args[1].c_str());
  std::vector<uint8_t> file;
  if (!encodeHwl(picture, options, file, error)) return failed(args[1] + ": " + error);
  if (!makeOutputFolder(args[2], error) || !writeWholeFile(args[2], file, error)) return failed(error);

  // What the engine will show, against the picture given.
  PngImage decoded;
  if (!decodeHwl(file, decoded, error)) return failed(args[2] + ": " + error);
  PngImage reference = picture;
  if (picture.channels == 4) {
    reference.channels = 3;
    reference.pixels.clear();
    for (size_t i = 0; i < picture.pixels.size(); i += 4)
      reference.pixels.insert(reference.pixels.end(), picture.pixels.begin() + i, picture.pixels.begin() + i + 3);
  }
  ImageHeader header;
  readImageHeader(file.data(), file.size(), header);
  const double snr = pictureSnr(reference, decoded);
  std::printf("%s: %d x %d %s, %d levels, quality %d: %zu bytes (%.2f bits per pixel), PSNR %s dB\n",
              args[2].c_str(), picture.width, picture.height, header.bitsPerPixel == 8 ? "grey" : "colour",
              header.levels, options.quality, file.size(), 8.0 * file.size() / (double(picture.width) * picture.height),
              std::isinf(snr) ? "inf" : std::to_string(std::round(snr * 100) / 100).substr(0, 5).c_str());
  if ((picture.width & (picture.width - 1)) != 0 || (picture.height & (picture.height - 1)) != 0)
    std::fprintf(stderr, "glorbe-tool: note: %d x %d is not a power of two on both sides, which textures need\n",
                 picture.width, picture.height);
  return 0;
}

int decode(const Invocation& call) {
  const std::string& in = call.argument(0);
  const std::string& out = call.argument(1);
  std::vector<uint8_t> file;
  PngImage picture;
  std::string error;
  if (!readWholeFile(in, file, error)) return failed(error);
  // A file cut short still decodes (the rest of its streams reads as 0),
  // but that is no picture to hand on: it is refused with the reason.
  ImageHeader header;
  if (readImageHeader(file.data(), file.size(), header) && imageChannelCount(header) != 0 &&
      imageFileSize(header) > file.size()) {
    return failed(in + ": the file ends " + std::to_string(imageFileSize(header) - file.size()) +
                  " bytes before its streams do; no picture written (glorbe-tool hwl info shows more)");
  }
  if (!decodeHwl(file, picture, error)) return failed(in + ": no picture: " + error);
  if (!makeOutputFolder(out, error) || !writePng(out, picture, error)) return failed(error);
  return 0;
}

int info(const Invocation& call) {
  const Args args{"info", call.argument(0)};
  std::vector<uint8_t> file;
  std::string error;
  if (!readWholeFile(args[1], file, error)) return failed(error);
  ImageHeader header;
  const bool whole = readImageHeader(file.data(), file.size(), header);
  std::printf("file: %s, %zu bytes\n", args[1].c_str(), file.size());
  if (!whole) {
    std::printf("no picture: %s\n", imageStatusText(ImageStatus::shortFile));
    return 1;
  }
  const int channels = imageChannelCount(header);
  std::printf("size: %u x %u\n", header.width, header.height);
  std::printf("bits per pixel: %u (%s)\n", header.bitsPerPixel,
              channels == 1 ? "grey" : channels == 3 ? "colour, Y U V" : "not a picture");
  std::printf("levels: %u (%u transform steps)\n", header.levels, header.levels + 1u);
  static const char* const kChannelNames[] = {"Y", "U", "V"};
  uint64_t offset = kImageHeaderSize;
  for (int c = 0; c < channels; ++c) {
    std::printf("channel %d%s%s: %" PRIu32 " symbols, %" PRIu32 " magnitudes of %u bits\n", c,
                channels == 3 ? " " : "", channels == 3 ? kChannelNames[c] : "", header.symbolCount[c],
                header.valueCount[c], header.valueBits[c]);
    if (header.levels > kMaxImageLevels) continue;
    std::printf("  steps (fine to coarse, then the approximation):");
    for (int i = 0; i < header.levels + 2; ++i, offset += 8) {
      if (offset + 8 > file.size()) {
        std::printf(" (missing)");
        break;
      }
      const double entry = std::bit_cast<double>(readLittle64(&file[offset]));
      if (entry == 0) std::printf(" zeroed");
      else std::printf(" %.4g", 1.0 / entry);
    }
    std::printf("\n");
  }
  const uint64_t expected = imageFileSize(header);
  if (channels != 0) {
    if (expected > file.size())
      std::printf("the streams need %" PRIu64 " bytes, %" PRIu64 " are missing: the picture ends early\n", expected,
                  expected - file.size());
    else if (expected < file.size())
      std::printf("%" PRIu64 " bytes after the streams are not read\n", file.size() - expected);
  }
  std::vector<uint8_t> pixels;
  const ImageStatus status = decodeImage(pixels, header, file.data(), file.size());
  if (status != ImageStatus::decoded) {
    std::printf("no picture: %s\n", imageStatusText(status));
    return 1;
  }
  return 0;
}

}  // namespace

std::vector<Command> hwlCommands() {
  return {
      {"hwl encode", "IN.png OUT.hwl", 2, 2,
       {{"levels", "L", "transform levels, 0 to 16 (default 4, fewer for small pictures)"},
        {"quality", "Q", "1 to 100 (default 75)"}},
       "A grey or colour picture to a wavelet image (docs/hwl.md); prints its size and PSNR.", encode},
      {"hwl decode", "IN.hwl OUT.png", 2, 2, {},
       "The decoder's pixels as a picture. A file that is damaged or cut short gives none (exit code 1).", decode},
      {"hwl info", "FILE", 1, 1, {},
       "Header, streams and steps of a wavelet image, and whether it decodes (exit code 1 when not).", info},
  };
}

}  // namespace glorbe::tools
