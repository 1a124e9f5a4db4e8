// The timeline file reader against files written byte by byte: where each
// field lands, the conversions, the key-list stop, and damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "archive_fixtures.h"
#include "sequencer/sequence_script.h"

namespace glorbe {
namespace {

using testing::FreshArchiveState;
using testing::ScratchDir;
using testing::WorkingDir;

// Little-endian fields of a timeline file.
struct Bytes {
  std::string data;
  Bytes& line(const std::string& s) {
    data += s + "\r\n";
    return *this;
  }
  Bytes& f64(double v) {
    char raw[8];
    std::memcpy(raw, &v, 8);
    data.append(raw, 8);
    return *this;
  }
  Bytes& i32(int32_t v) {
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
    return *this;
  }
  Bytes& u8(int v) {
    data.push_back(static_cast<char>(v));
    return *this;
  }
};

void header(Bytes& b, double start, double end, const std::string& name) {
  b.line("first").line("second").f64(start).line("third").f64(-1).f64(end).f64(-2).line(name);
}

// A parameter with every double distinct, so a field read from the wrong
// place shows.
void param(Bytes& b, const std::string& name, int mode, double constant, const std::string& text,
           std::initializer_list<std::pair<double, double>> keys = {}, int announced = -1) {
  b.line(name).u8(mode).f64(constant).f64(0.5).f64(2.25).f64(-1.5).f64(90);
  b.u8(announced >= 0 ? announced : static_cast<int>(keys.size()));
  for (const auto& [p, v] : keys) b.f64(p).f64(v);
  b.f64(-10).f64(20).line(text);
}

// Two markers; track 0 on layer 3 with one item of two parameters; track 1
// on layer 200 with two items, one of them empty.
std::string sampleFile() {
  Bytes b;
  header(b, 1.5, 100, "My show");
  b.i32(2).f64(0.5).f64(1000);
  b.i32(2);
  b.line("track one").i32(77).f64(2).f64(0.25).f64(3).u8(3).u8(9).u8(9).f64(1.5);
  b.u8(1).line("gl").line("fullScreenPoly").u8(2);
  param(b, "r", 2, 0.75, "", {{0, 1}, {0.5, 2}, {1, 3}});
  param(b, "name", 0, 0, "ball");
  b.line("track two").i32(0).f64(10).f64(-1).f64(0.5).u8(200).u8(0).u8(0).f64(-2);
  b.u8(2).line("SPRITE").line("RENDER").u8(0).line("X").line("Y").u8(1);
  param(b, "Z", 1, 4, "txt", {{0, 5}, {1, 6}}, 6);  // the file holds the pairs up to the stop
  return b.data;
}

class SequenceFileTest : public ::testing::Test {
 protected:
  FreshArchiveState state;
  ScratchDir dir;
  WorkingDir cwd{dir.path()};
  SequenceScript script;

  bool load(const std::string& bytes) {
    dir.write("scripts/greetz.sqp", bytes);
    return loadSequenceScript(kTimelineFile, script);
  }
};

TEST_F(SequenceFileTest, EveryFieldLandsWhereTheLayoutSays) {
  ASSERT_TRUE(load(sampleFile()));
  EXPECT_EQ(script.startTick, 90);
  EXPECT_EQ(script.endTick, 6000);
  EXPECT_EQ(script.name, "MY SHOW");
  ASSERT_EQ(script.markerCount, 2);
  EXPECT_EQ(script.markers[0], 30);
  EXPECT_EQ(script.markers[1], 32767);  // 60000 ticks do not fit 16 bits
  ASSERT_EQ(script.trackCount, 2);
  ASSERT_EQ(script.tracks.size(), 2u);

  const SequenceTrack& t0 = script.tracks[0];
  EXPECT_EQ(t0.start, 120);
  EXPECT_EQ(t0.offset, 15);  // offset comes before length in the file
  EXPECT_EQ(t0.length, 180);
  EXPECT_EQ(t0.layer, 3);
  EXPECT_FLOAT_EQ(t0.speed, 1.5f);
  ASSERT_EQ(t0.itemCount, 1);
  const SequenceItem& item = t0.items[0];
  EXPECT_EQ(item.category, "GL");
  EXPECT_EQ(item.command, "FULLSCREENPOLY");
  ASSERT_EQ(item.paramCount, 2);

  const SequenceParam& r = item.params[0];
  EXPECT_EQ(r.name, "R");
  EXPECT_EQ(r.mode, 2);
  EXPECT_FLOAT_EQ(r.constant, 0.75f);
  EXPECT_FLOAT_EQ(r.frequency, 0.5f);
  EXPECT_FLOAT_EQ(r.amplitude, 2.25f);
  EXPECT_FLOAT_EQ(r.offset, -1.5f);
  EXPECT_FLOAT_EQ(r.phase, static_cast<float>(90.0 * static_cast<double>(kPi) / 180.0));
  EXPECT_FLOAT_EQ(r.minimum, -10);
  EXPECT_FLOAT_EQ(r.maximum, 20);
  EXPECT_EQ(r.text, "");
  ASSERT_EQ(r.curve.count, 3);
  EXPECT_EQ(r.curve.capacity, 3u);
  EXPECT_EQ(r.curve.keys[0].tick, 0);
  EXPECT_EQ(r.curve.keys[1].tick, 90);  // round(181 x 0.5) = 90.5 to even
  EXPECT_EQ(r.curve.keys[2].tick, 181);
  EXPECT_FLOAT_EQ(r.curve.keys[1].tension, 0.5f);
  EXPECT_FLOAT_EQ(r.curve.keys[1].value.x, 2);
  EXPECT_FLOAT_EQ(r.curve.keys[1].value.y, 0);
  EXPECT_FLOAT_EQ(r.curve.keys[1].tangent.x, 1);  // (3 - 1) x 0.5
  EXPECT_FLOAT_EQ(r.curve.keys[2].tangent.x, 0);
  EXPECT_EQ(item.params[1].name, "NAME");
  EXPECT_EQ(item.params[1].text, "BALL");
  EXPECT_EQ(item.params[1].curve.capacity, 0u);

  const SequenceTrack& t1 = script.tracks[1];
  EXPECT_EQ(t1.start, 600);
  EXPECT_EQ(t1.offset, -60);
  EXPECT_EQ(t1.length, 30);
  EXPECT_EQ(t1.layer, 200);
  EXPECT_FLOAT_EQ(t1.speed, -2);
  ASSERT_EQ(t1.itemCount, 2);
  EXPECT_EQ(t1.items[0].paramCount, 0);
  EXPECT_TRUE(t1.items[0].params.empty());
  ASSERT_EQ(t1.items[1].paramCount, 1);
  // Six keys announced; the list stops after the pair at 1.0 (> 0.999).
  const SequenceParam& z = t1.items[1].params[0];
  EXPECT_EQ(z.curve.capacity, 6u);
  ASSERT_EQ(z.curve.count, 2);
  EXPECT_EQ(z.curve.keys[1].tick, 31);
  EXPECT_FLOAT_EQ(z.curve.keys[1].value.x, 6);
  EXPECT_FLOAT_EQ(z.minimum, -10);  // read right after the stop
  EXPECT_EQ(z.text, "TXT");
}

TEST_F(SequenceFileTest, MissingFileIsAnEmptyScriptAndReplacesTheOldOne) {
  ASSERT_TRUE(load(sampleFile()));
  std::filesystem::remove(dir.file("scripts/greetz.sqp"));
  EXPECT_FALSE(loadSequenceScript(kTimelineFile, script));
  EXPECT_EQ(script.endTick, 0);
  EXPECT_EQ(script.trackCount, 0);
  EXPECT_TRUE(script.tracks.empty());
  // The load buffer's slot is free again.
  EXPECT_FALSE(loadBuffer.slotAInUse);
}

void expectSameParam(const SequenceParam& a, const SequenceParam& b) {
  EXPECT_EQ(a.name, b.name);
  EXPECT_EQ(a.mode, b.mode);
  EXPECT_EQ(a.text, b.text);
  EXPECT_EQ(a.minimum, b.minimum);
  EXPECT_EQ(a.maximum, b.maximum);
  EXPECT_EQ(a.curve.count, b.curve.count);
}

// Every prefix of a good file: nothing is read past it, the counts say what
// is there, and what is there is what the whole file has.
TEST_F(SequenceFileTest, EveryTruncationKeepsAConsistentPrefix) {
  const std::string whole = sampleFile();
  SequenceScript full;
  ASSERT_TRUE(load(whole));
  full = script;
  size_t lastTracks = 0;
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    load(whole.substr(0, cut));
    ASSERT_EQ(script.markerCount, static_cast<int32_t>(script.markers.size()));
    ASSERT_EQ(script.trackCount, static_cast<int32_t>(script.tracks.size()));
    ASSERT_LE(script.tracks.size(), full.tracks.size());
    EXPECT_GE(script.tracks.size(), lastTracks);
    lastTracks = script.tracks.size();
    if (script.endTick != 0) {
      EXPECT_EQ(script.endTick, full.endTick);
    }
    for (size_t m = 0; m < script.markers.size(); ++m) EXPECT_EQ(script.markers[m], full.markers[m]);
    for (size_t t = 0; t < script.tracks.size(); ++t) {
      const SequenceTrack& got = script.tracks[t];
      const SequenceTrack& want = full.tracks[t];
      EXPECT_EQ(got.start, want.start);
      EXPECT_EQ(got.layer, want.layer);
      EXPECT_EQ(got.speed, want.speed);
      ASSERT_EQ(got.itemCount, static_cast<int32_t>(got.items.size()));
      ASSERT_LE(got.items.size(), want.items.size());
      for (size_t i = 0; i < got.items.size(); ++i) {
        ASSERT_EQ(got.items[i].paramCount, static_cast<int32_t>(got.items[i].params.size()));
        // An item is kept only whole.
        ASSERT_EQ(got.items[i].params.size(), want.items[i].params.size());
        for (size_t p = 0; p < got.items[i].params.size(); ++p)
          expectSameParam(got.items[i].params[p], want.items[i].params[p]);
      }
    }
  }
  // Cut inside the last parameter: both tracks stay, the second with its
  // empty item only.
  load(whole.substr(0, whole.size() - 3));
  ASSERT_EQ(script.trackCount, 2);
  EXPECT_EQ(script.tracks[1].itemCount, 1);
  EXPECT_EQ(script.tracks[0].items[0].paramCount, 2);
}

TEST_F(SequenceFileTest, CountsBeyondTheDataStopAtTheEnd) {
  Bytes b;
  header(b, 0, 10, "counts");
  b.i32(std::numeric_limits<int32_t>::max()).f64(1).f64(2);  // two markers of two billion
  load(b.data);
  EXPECT_EQ(script.markerCount, 2);
  EXPECT_EQ(script.trackCount, 0);
  EXPECT_EQ(script.endTick, 600);

  Bytes t;
  header(t, 0, 10, "tracks");
  t.i32(0).i32(1000000);
  t.line("only").i32(0).f64(0).f64(0).f64(1).u8(0).u8(0).u8(0).f64(1);
  t.u8(255).line("GL").line("STATE").u8(255);
  param(t, "NAME", 0, 0, "CLEAR");
  load(t.data);
  ASSERT_EQ(script.trackCount, 1);
  // 255 items announced, the first cut after its one parameter: dropped.
  EXPECT_EQ(script.tracks[0].itemCount, 0);

  Bytes n;
  header(n, 0, 10, "negative");
  n.i32(-5).i32(-1);
  load(n.data);
  EXPECT_EQ(script.markerCount, 0);
  EXPECT_EQ(script.trackCount, 0);
}

TEST_F(SequenceFileTest, NanAndHugeNumbersBecomeDefinedValues) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Bytes b;
  header(b, nan, 1e300, "numbers");
  b.i32(2).f64(-1e300).f64(nan);
  b.i32(1);
  b.line("wild").i32(0).f64(-1e300).f64(nan).f64(1e300).u8(255).u8(255).u8(255).f64(1e300);
  b.u8(1).line("GL").line("FULLSCREENPOLY").u8(1);
  b.line("R").u8(250).f64(1e300).f64(nan).f64(-1e300).f64(0).f64(1e300);
  b.u8(3).f64(nan).f64(1e300).f64(1e300).f64(1);
  b.f64(nan).f64(nan).line("");
  ASSERT_TRUE(load(b.data));
  EXPECT_EQ(script.startTick, 0);
  EXPECT_EQ(script.endTick, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(script.markers[0], -32768);
  EXPECT_EQ(script.markers[1], 0);
  ASSERT_EQ(script.trackCount, 1);
  const SequenceTrack& t = script.tracks[0];
  EXPECT_EQ(t.start, std::numeric_limits<int32_t>::min());
  EXPECT_EQ(t.offset, 0);
  EXPECT_EQ(t.length, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(t.layer, 255);
  EXPECT_EQ(t.speed, std::numeric_limits<float>::max());
  const SequenceParam& p = t.items[0].params[0];
  EXPECT_EQ(p.mode, 250);
  EXPECT_EQ(p.constant, std::numeric_limits<float>::max());
  EXPECT_TRUE(std::isnan(p.frequency));
  EXPECT_EQ(p.phase, std::numeric_limits<float>::max());
  // Key ticks from (length + 1) x position, clamped: NaN at 0, the second
  // position (> 0.999) ends the list.
  ASSERT_EQ(p.curve.count, 2);
  EXPECT_EQ(p.curve.keys[0].tick, 0);
  EXPECT_EQ(p.curve.keys[1].tick, std::numeric_limits<int32_t>::max());
  EXPECT_TRUE(std::isnan(p.minimum));
  // Everything evaluates without undefined conversions.
  EXPECT_EQ(localTrackTick(t, 0), std::numeric_limits<int32_t>::max());
  (void)evaluateParam(p, 5, t.length);
}

TEST_F(SequenceFileTest, LongLinesAreCutAndAMissingLineFeedAtTheEndIsHarmless) {
  Bytes b;
  header(b, 0, 1, std::string(300, 'n'));
  b.i32(0).i32(1);
  b.line("t").i32(0).f64(0).f64(0).f64(1).u8(0).u8(0).u8(0).f64(1);
  b.u8(1).line("GL").line("STATE").u8(1);
  param(b, "NAME", 0, 0, "BLEND");
  b.data.pop_back();  // the last line ends with its carriage return only
  ASSERT_TRUE(load(b.data));
  EXPECT_EQ(script.name, std::string(255, 'N'));
  ASSERT_EQ(script.trackCount, 1);
  ASSERT_EQ(script.tracks[0].items[0].paramCount, 1);
  EXPECT_EQ(script.tracks[0].items[0].params[0].text, "BLEND");
}

}  // namespace
}  // namespace glorbe
