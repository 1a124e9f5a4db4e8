// glorbe-tool terrain errors: what the terrain analysis makes of a height
// field, as one JSON document: the heights, the error map and every
// quadtree node with its error in the order the analysis visits them.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "geometry/terrain_analysis.h"
#include "glorbe_tool/commands.h"
#include "image_io/png_file.h"
#include "scripts/number_conversion.h"
#include "textures/texture_generator.h"

namespace glorbe::tools {

namespace {

int failed(const std::string& message) {
  std::fprintf(stderr, "glorbe-tool: %s\n", message.c_str());
  return 1;
}

bool endsWithTex(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::toupper(c); });
  return tail == ".TEX";
}

std::string sideError(int32_t width, int32_t height) {
  return "terrain sides are powers of two from " + std::to_string(kMinTerrainSide) + " to " +
         std::to_string(kMaxTerrainSide) + ", not " + std::to_string(width) + " x " + std::to_string(height);
}

// A picture's heights: (r + g + b) / 3 per pixel, integer division; grey
// pictures give their own values. Alpha is not looked at.
int heightsFromPicture(const std::string& path, std::vector<uint8_t>& heights, int32_t& width, int32_t& height) {
  PngImage image;
  std::string error;
  if (!readPng(path, image, error)) return failed(error);
  width = image.width;
  height = image.height;
  if (!isTerrainSize(width, height)) return failed(path + ": " + sideError(width, height));
  heights.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  const auto channels = static_cast<size_t>(image.channels);
  for (size_t i = 0; i < heights.size(); ++i) {
    const uint8_t* p = &image.pixels[i * channels];
    heights[i] = channels == 1 ? p[0] : static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
  }
  return 0;
}

// A texture program run at width x height on a fresh generator (seed 0),
// layer 4 made grey as the terrain loader does.
int heightsFromProgram(const std::string& path, int32_t width, int32_t height, std::vector<uint8_t>& heights) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return failed("cannot read " + path);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return failed("cannot read " + path);
  if (bytes.size() < kTexProgramBytes) {
    std::fprintf(stderr, "glorbe-tool: warning: %s is %zu bytes, not %zu; the rest reads as zero\n", path.c_str(),
                 bytes.size(), kTexProgramBytes);
  }
  resetTexGenerator();
  beginGeneratedTexture(width, height);
  decodeTexProgram(bytes.data(), bytes.size(), texGenerator.program);
  runTexProgram();
  heightsFromGeneratorLayer(heights);
  releaseGeneratedTexture();
  return 0;
}

void printBytes(const char* key, const std::vector<uint8_t>& values) {
  std::string text = std::string(",\"") + key + "\":[";
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += ',';
    text += std::to_string(values[i]);
  }
  text += ']';
  std::fputs(text.c_str(), stdout);
}

int printErrors(const std::vector<uint8_t>& heights, int32_t width, int32_t height) {
  std::vector<uint8_t> errors;
  std::vector<TerrainNode> nodes;
  computeTerrainErrors(heights, errors, width, height, nodes);
  std::printf("{\"width\":%d,\"height\":%d", width, height);
  printBytes("heights", heights);
  printBytes("errors", errors);
  std::string text = ",\"nodes\":[";
  for (size_t i = 0; i < nodes.size(); ++i) {
    const TerrainNode& n = nodes[i];
    if (i > 0) text += ',';
    text += '[' + std::to_string(n.cx) + ',' + std::to_string(n.cy) + ',' + std::to_string(n.hx) + ',' +
            std::to_string(n.hy) + ',' + std::to_string(n.error) + ']';
  }
  text += "]}\n";
  std::fputs(text.c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : failed("cannot write the result");
}

}  // namespace

namespace {

int terrainErrors(const Invocation& call) {
  const std::string& source = call.argument(0);
  std::vector<uint8_t> heights;
  int32_t width = 0, height = 0;
  if (endsWithTex(source)) {
    if (call.arguments.size() != 2) return cli::usageError(call, "a .TEX program needs the size WxH to run at");
    const std::string& size = call.argument(1);
    const size_t x = size.find('x');
    const auto w = x == std::string::npos ? std::nullopt : parseInteger(size.substr(0, x));
    const auto h = x == std::string::npos ? std::nullopt : parseInteger(size.substr(x + 1));
    if (!w || !h) return cli::usageError(call, "the size is WIDTHxHEIGHT, not \"" + size + "\"");
    width = *w;
    height = *h;
    if (!isTerrainSize(width, height)) return failed(sideError(width, height));
    if (const int status = heightsFromProgram(source, width, height, heights); status != 0) return status;
  } else {
    if (call.arguments.size() == 2) return cli::usageError(call, "WxH is for .TEX programs; a picture has its own size");
    if (const int status = heightsFromPicture(source, heights, width, height); status != 0) return status;
  }
  return printErrors(heights, width, height);
}

}  // namespace

std::vector<Command> terrainCommands() {
  return {{"terrain errors", "SOURCE [WxH]", 1, 2, {},
           "The terrain analysis of a height field as JSON: heights, error map and quadtree nodes.\n"
           "SOURCE is a grey or RGB PNG, or a .TEX program run at WxH (sides powers of two from 2 to 4096).",
           terrainErrors}};
}

}  // namespace glorbe::tools
