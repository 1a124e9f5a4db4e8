// Reading the binary timeline file into a SequenceScript.
//
// The file is little-endian and read front to back: text lines ending in a
// carriage return and a line feed, 64-bit doubles, 32-bit integers and
// single bytes. Times are stored in seconds and held in ticks; the sine
// phase is stored in degrees and held in radians.
//
// A damaged file never makes the reader leave it: a count larger than what
// follows ends the reading at the end of the file, and only elements read
// whole (markers, tracks, items, parameters) are kept.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "archive/load_buffer.h"
#include "common/byte_order.h"
#include "scripts/script_reader.h"
#include "sequencer/sequence_script.h"
#include "sequencer/sequencer_state.h"
#include "sequencer/timeline_numbers.h"

namespace glorbe {

namespace {

// Key positions along the track past this end a key list early.
constexpr double kLastKeyPosition = 0.999;
constexpr float kKeyTension = 0.5f;

// Sequential reads that remember whether every one of them lay wholly inside
// the file; once one did not, the rest of the file is not trusted.
struct TimelineReader {
  LoadedFile& file;
  bool complete = true;

  int64_t remaining() const { return int64_t{file.end} - file.pos; }

  void need(int64_t bytes) {
    if (remaining() < bytes) complete = false;
  }

  uint64_t readLittleEndian(int32_t bytes) {
    need(bytes);
    uint8_t raw[8] = {};
    readBytes(file, raw, bytes);
    return glorbe::readLittleEndian(raw, static_cast<size_t>(bytes));
  }

  double readDouble() {
    const uint64_t bits = readLittleEndian(8);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }

  int32_t readInt32() { return static_cast<int32_t>(static_cast<uint32_t>(readLittleEndian(4))); }

  int32_t readByte() { return static_cast<int32_t>(readLittleEndian(1)); }

  // A line counts as read when its carriage return lies inside the file.
  std::string readLine() {
    const uint8_t* data = loadBufferData();
    bool terminated = false;
    if (data != nullptr && file.pos >= 0 && file.end <= kLoadBufferSize) {
      terminated = std::memchr(data + file.pos, 13, static_cast<size_t>(std::max<int64_t>(remaining(), 0))) != nullptr;
    }
    if (!terminated) complete = false;
    return readRawLine(file);
  }
};

// One parameter; false when the file ended inside it.
bool readParam(TimelineReader& in, int32_t trackLength, SequenceParam& p) {
  p.name = in.readLine();
  p.mode = in.readByte();
  p.constant = narrowToFloat(in.readDouble());
  p.frequency = narrowToFloat(in.readDouble());
  p.amplitude = narrowToFloat(in.readDouble());
  p.offset = narrowToFloat(in.readDouble());
  p.phase = narrowToFloat(in.readDouble() * static_cast<double>(kPi) / 180.0);
  const int32_t keyCount = in.readByte();
  if (keyCount > 0) {
    initTrack(p.curve, static_cast<uint32_t>(keyCount));
    for (int32_t k = 0; k < keyCount && in.complete; ++k) {
      const double position = in.readDouble();
      const double value = in.readDouble();
      const int32_t tick = roundToInt32((static_cast<double>(trackLength) + 1.0) * position);
      addKey(p.curve, tick, kKeyTension, narrowToFloat(value), 0, 0);
      if (position > kLastKeyPosition) break;
    }
    computeTangents(p.curve);
  }
  p.minimum = narrowToFloat(in.readDouble());
  p.maximum = narrowToFloat(in.readDouble());
  p.text = in.readLine();
  return in.complete;
}

// One item; the parameters read whole are kept. False when the file ended
// inside the item.
bool readItem(TimelineReader& in, int32_t trackLength, SequenceItem& item) {
  item.category = in.readLine();
  item.command = in.readLine();
  const int32_t paramCount = in.readByte();
  if (!in.complete) return false;
  for (int32_t i = 0; i < paramCount; ++i) {
    SequenceParam p;
    if (!readParam(in, trackLength, p)) break;
    item.params.push_back(std::move(p));
  }
  item.paramCount = static_cast<int32_t>(item.params.size());
  return in.complete;
}

// One track's fields up to its item count; false when the file ended first.
bool readTrackHeader(TimelineReader& in, SequenceTrack& track, int32_t& itemCount) {
  track.label = in.readLine();  // shown only by the live mode's overlay
  in.readInt32();               // unused
  track.start = ticksFromSeconds(in.readDouble());
  track.offset = ticksFromSeconds(in.readDouble());
  track.length = ticksFromSeconds(in.readDouble());
  track.layer = in.readByte();
  in.readByte();  // unused
  in.readByte();  // unused
  track.speed = narrowToFloat(in.readDouble());
  itemCount = in.readByte();
  return in.complete;
}

void readScript(TimelineReader& in, SequenceScript& script) {
  in.readLine();
  in.readLine();
  const int32_t startTick = ticksFromSeconds(in.readDouble());
  if (!in.complete) return;
  script.startTick = startTick;
  in.readLine();
  const double tempo = in.readDouble();
  const int32_t endTick = ticksFromSeconds(in.readDouble());
  const double beatsPerBar = in.readDouble();
  if (!in.complete) return;
  script.endTick = endTick;
  // A tempo is taken only when both reals make sense together.
  if (std::isfinite(tempo) && tempo > 0 && tempo <= 1000 && std::isfinite(beatsPerBar) && beatsPerBar >= 1 &&
      beatsPerBar <= 64) {
    script.tempo = tempo;
    script.beatsPerBar = beatsPerBar;
  }
  script.name = in.readLine();
  if (!in.complete) {
    script.name.clear();
    return;
  }

  const int32_t markerCount = in.readInt32();
  if (!in.complete) return;
  for (int32_t i = 0; i < markerCount; ++i) {
    const int32_t tick = ticksFromSeconds(in.readDouble());
    if (!in.complete) break;
    script.markers.push_back(static_cast<int16_t>(std::clamp(tick, -32768, 32767)));
  }
  script.markerCount = static_cast<int32_t>(script.markers.size());
  if (!in.complete) return;

  const int32_t trackCount = in.readInt32();
  for (int32_t i = 0; i < trackCount && in.complete; ++i) {
    SequenceTrack track;
    int32_t itemCount = 0;
    if (!readTrackHeader(in, track, itemCount)) break;
    for (int32_t j = 0; j < itemCount; ++j) {
      SequenceItem item;
      const bool whole = readItem(in, track.length, item);
      // An item cut short is dropped with everything after it; the track
      // keeps the items before it.
      if (!whole) break;
      track.items.push_back(std::move(item));
    }
    track.itemCount = static_cast<int32_t>(track.items.size());
    script.tracks.push_back(std::move(track));
  }
  script.trackCount = static_cast<int32_t>(script.tracks.size());
}

}  // namespace

SequencerState sequencer;

void resetSequencerState() { sequencer = SequencerState{}; }

bool loadSequenceScript(const std::string& fileName, SequenceScript& script) {
  script = SequenceScript{};
  LoadedFile file;
  loadFile(file, fileName);
  const bool found = file.end > file.pos;
  if (found) {
    TimelineReader in{file};
    readScript(in, script);
  }
  releaseFile(file);
  return found;
}

}  // namespace glorbe
