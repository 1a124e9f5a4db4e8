#include "image_io/png_file.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace glorbe::tools {

namespace {
struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;
}  // namespace

bool writePng(const std::string& path, const PngImage& image, std::string& error) {
  const int colourType = image.channels == 1   ? PNG_COLOR_TYPE_GRAY
                         : image.channels == 3 ? PNG_COLOR_TYPE_RGB
                         : image.channels == 4 ? PNG_COLOR_TYPE_RGBA
                                               : -1;
  if (colourType < 0 || image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<size_t>(image.width) * image.height * image.channels) {
    error = "cannot write " + path + ": the picture is malformed";
    return false;
  }
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    error = "cannot write " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    error = "out of memory writing " + path;
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = "cannot write " + path;
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(image.width) * image.channels;
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, const_cast<png_bytep>(image.pixels.data() + stride * y));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fflush(file.get()) != 0) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

bool readPng(const std::string& path, PngImage& image, std::string& error) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "cannot read " + path;
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    error = "out of memory reading " + path;
    return false;
  }
  PngImage result;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = path + " is not a readable PNG file";
    return false;
  }
  png_init_io(png, file.get());
  png_read_info(png, info);
  png_set_strip_16(png);
  png_set_packing(png);
  png_set_palette_to_rgb(png);
  png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (png_get_color_type(png, info) == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_read_update_info(png, info);
  result.width = static_cast<int>(png_get_image_width(png, info));
  result.height = static_cast<int>(png_get_image_height(png, info));
  result.channels = png_get_channels(png, info);
  const size_t stride = png_get_rowbytes(png, info);
  if (result.channels < 1 || result.channels > 4 || result.channels == 2 ||
      stride != static_cast<size_t>(result.width) * result.channels) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = path + ": unsupported PNG layout";
    return false;
  }
  result.pixels.resize(stride * result.height);
  for (int y = 0; y < result.height; ++y) png_read_row(png, result.pixels.data() + stride * y, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  image = std::move(result);
  return true;
}

}  // namespace glorbe::tools
