// Seek points for deflated entries: a deflate stream with block boundaries
// at chosen positions, the points found at those boundaries, and the
// archive-comment index that carries them ("OMZ", then per entry its name,
// a zero byte, its points and the byte 255).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive.h"

namespace glorbe::tools {

// Raw deflate of `data` with a window of 2^windowBits bytes (9 to 15), ending
// a block after every `spacing` input bytes (0: no forced boundaries).
std::vector<uint8_t> deflateRaw(const std::vector<uint8_t>& data, int windowBits, uint32_t spacing);

// The first block boundary at or after each multiple of `spacing` of decoded
// output (none at the start, none at the end), each with the last
// min(offset, windowLength) decoded bytes as its window. `data` is the decoded
// stream; false when `compressed` does not decode to it.
bool findSeekPoints(const std::vector<uint8_t>& compressed, const std::vector<uint8_t>& data, uint32_t spacing,
                    uint32_t windowLength, std::vector<SeekPoint>& points);

// Decodes from every point with the engine's decoder and compares with
// `data` for long enough that any use of the window shows; drops the points
// that do not reproduce it and gives how many were dropped.
size_t keepReproduciblePoints(const std::vector<uint8_t>& compressed, const std::vector<uint8_t>& data,
                              std::vector<SeekPoint>& points);

struct SeekIndexEntry {
  std::string name;
  std::vector<SeekPoint> points;
};

// The comment bytes: the signature, then per name its points and the end
// byte. `recordStarts`, when given, receives the offset of every point's
// record, in order.
std::vector<uint8_t> encodeSeekIndex(const std::vector<SeekIndexEntry>& entries,
                                     std::vector<size_t>* recordStarts = nullptr);

// Bytes the index takes for points of the given decoded offsets and window length.
size_t seekIndexCost(const std::string& name, const std::vector<uint32_t>& offsets, uint32_t windowLength);

}  // namespace glorbe::tools
