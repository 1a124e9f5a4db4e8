// A small writer of 3D Studio chunks, for files made by hand: tests, the
// benchmark and the fuzzer's seeds. begin() opens a chunk, end() closes the
// innermost one and fills in its length.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace glorbe::tools {

struct ChunkWriter {
  std::string bytes;
  std::vector<size_t> open;

  void u8(uint8_t v) { bytes.push_back(static_cast<char>(v)); }
  void u16(uint32_t v) {
    u8(static_cast<uint8_t>(v));
    u8(static_cast<uint8_t>(v >> 8));
  }
  void u32(uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  void f32(float v) { u32(std::bit_cast<uint32_t>(v)); }
  void vec(float x, float y, float z) {
    f32(x);
    f32(y);
    f32(z);
  }
  // The characters and a terminating zero.
  void name(const std::string& s) {
    bytes += s;
    u8(0);
  }

  void begin(uint16_t id) {
    open.push_back(bytes.size());
    u16(id);
    u32(0);
  }
  void end() {
    const size_t start = open.back();
    open.pop_back();
    const auto length = static_cast<uint32_t>(bytes.size() - start);
    for (int i = 0; i < 4; ++i) bytes[start + 2 + static_cast<size_t>(i)] = static_cast<char>(length >> (8 * i));
  }
  // A chunk with a length written as given, whatever follows.
  void rawHeader(uint16_t id, uint32_t length) {
    u16(id);
    u32(length);
  }

  // A named object holding a closed unit cube mesh (8 corners, 12 outward
  // faces), moved by x along the x axis.
  void cubeObject(const std::string& objectName, float x = 0) {
    begin(0x4000);
    name(objectName);
    begin(0x4100);
    begin(0x4110);
    u16(8);
    for (int i = 0; i < 8; ++i) vec(x + float(i >> 2 & 1), float(i >> 1 & 1), float(i & 1));
    end();
    begin(0x4120);
    const int quads[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 6, 7, 5}};
    u16(12);
    for (const auto& q : quads) {
      for (const int third : {1, 2}) {
        u16(uint32_t(q[0]));
        u16(uint32_t(q[third]));
        u16(uint32_t(q[third + 1]));
        u16(0);
      }
    }
    end();
    end();
    end();
  }

  const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(bytes.data()); }
  size_t size() const { return bytes.size(); }
};

}  // namespace glorbe::tools
