// The timeline's text form: what it compiles to, as the player loads it,
// and the messages for sources it cannot or will not compile faithfully.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "archive_fixtures.h"
#include "sequencer/sequence_script.h"
#include "timeline/timeline_source.h"

namespace glorbe {
namespace {

using testing::FreshArchiveState;
using testing::ScratchDir;
using testing::WorkingDir;
using tools::SourceMessages;
using tools::TimelineSource;

const char* kSource = R"(# every field of the form
name "Round trip"
start 1.25
end 30
marker 0.5 2   # two on one line
marker 600     # cut to what a marker holds

track "first"
  start 2
  length 3
  offset -0.5
  layer 7
  speed 2.5
  item gl Fullscreenpoly
    R = 0.25 min 0 max 1
    G = linear 0:1 0.5:2 1:3
    B = sine frequency 2 amplitude 0.5 offset 0.25 phase 45
    A = smooth keys 0:0 0.25:4
  item SPRITE RENDER
    NAME = "ball"  # texts are read upper case
    STYLE = mode 7 constant 2 text "x" keys 0.1:5
track
  length 0.5
)";

class TimelineSourceTest : public ::testing::Test {
 protected:
  FreshArchiveState state;
  ScratchDir dir;
  WorkingDir cwd{dir.path()};

  SequenceScript compileAndLoad(const std::string& text, SourceMessages& messages) {
    TimelineSource source;
    EXPECT_TRUE(tools::parseTimelineSource(text, "t.timeline", source, messages));
    for (const std::string& e : messages.errors) ADD_FAILURE() << e;
    dir.write("t.sqp", tools::encodeTimeline(source));
    SequenceScript script;
    EXPECT_TRUE(loadSequenceScript("t.sqp", script));
    return script;
  }

  std::vector<std::string> errorsOf(const std::string& text) {
    TimelineSource source;
    SourceMessages messages;
    const bool ok = tools::parseTimelineSource(text, "bad.timeline", source, messages);
    EXPECT_EQ(ok, messages.errors.empty());
    return messages.errors;
  }
};

TEST_F(TimelineSourceTest, EveryFieldReachesThePlayer) {
  SourceMessages messages;
  const SequenceScript s = compileAndLoad(kSource, messages);
  EXPECT_EQ(s.startTick, 75);
  EXPECT_EQ(s.endTick, 1800);
  EXPECT_EQ(s.name, "ROUND TRIP");
  EXPECT_EQ(s.markers, (std::vector<int16_t>{30, 120, 32767}));
  ASSERT_EQ(s.trackCount, 2);

  const SequenceTrack& t = s.tracks[0];
  EXPECT_EQ(t.start, 120);
  EXPECT_EQ(t.length, 180);
  EXPECT_EQ(t.offset, -30);
  EXPECT_EQ(t.layer, 7);
  EXPECT_FLOAT_EQ(t.speed, 2.5f);
  ASSERT_EQ(t.itemCount, 2);
  EXPECT_EQ(t.items[0].category, "GL");
  EXPECT_EQ(t.items[0].command, "FULLSCREENPOLY");
  const auto& p = t.items[0].params;
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[0].mode, kModeConstant);
  EXPECT_FLOAT_EQ(p[0].constant, 0.25f);
  EXPECT_FLOAT_EQ(p[0].minimum, 0);
  EXPECT_FLOAT_EQ(p[0].maximum, 1);
  EXPECT_FLOAT_EQ(p[1].minimum, static_cast<float>(tools::kNoMinimum));
  EXPECT_EQ(p[1].mode, kModeLinear);
  ASSERT_EQ(p[1].curve.count, 3);
  EXPECT_EQ(p[1].curve.keys[1].tick, 90);  // round(181 x 0.5) to even
  EXPECT_EQ(p[1].curve.keys[2].tick, 181);
  EXPECT_FLOAT_EQ(p[1].curve.keys[1].tangent.x, 1);
  EXPECT_EQ(p[2].mode, kModeSine);
  EXPECT_FLOAT_EQ(p[2].frequency, 2);
  EXPECT_FLOAT_EQ(p[2].amplitude, 0.5f);
  EXPECT_FLOAT_EQ(p[2].offset, 0.25f);
  EXPECT_FLOAT_EQ(p[2].phase, kPi / 4);
  EXPECT_EQ(p[3].mode, kModeSmooth);
  EXPECT_EQ(p[3].curve.count, 2);

  const SequenceParam& style = t.items[1].params[1];
  EXPECT_EQ(t.items[1].params[0].text, "BALL");
  EXPECT_EQ(style.mode, 7);
  EXPECT_FLOAT_EQ(style.constant, 2);
  EXPECT_EQ(style.text, "X");
  EXPECT_EQ(style.curve.count, 1);
  EXPECT_EQ(style.curve.keys[0].tick, 18);  // round(181 x 0.1)

  const SequenceTrack& second = s.tracks[1];
  EXPECT_EQ(second.length, 30);
  EXPECT_EQ(second.layer, 0);
  EXPECT_FLOAT_EQ(second.speed, 1);
  EXPECT_EQ(second.itemCount, 0);

  // What the player will cut or ignore is said.
  ASSERT_EQ(messages.warnings.size(), 3u);
  EXPECT_NE(messages.warnings[0].find("t.timeline:6: warning: marker 600 s"), std::string::npos);
  EXPECT_NE(messages.warnings[1].find("STYLE: mode 7 is none the player knows"), std::string::npos);
  EXPECT_NE(messages.warnings[2].find("STYLE: keys are read only by linear and smooth"), std::string::npos);
}

TEST_F(TimelineSourceTest, ErrorsNameTheLineAndTheFault) {
  const auto first = [&](const std::string& text) {
    const auto errors = errorsOf(text);
    return errors.empty() ? std::string("(none)") : errors.front();
  };
  const std::string head = "end 10\n";
  EXPECT_EQ(first("start 1\n"), "bad.timeline: error: the timeline has no \"end\" (its end in seconds)");
  EXPECT_EQ(first(head + "end 3\n"), "bad.timeline:2: error: \"end\" is given twice");
  EXPECT_EQ(first(head + "track\n"), "bad.timeline:2: error: the track has no \"length\" (in seconds)");
  EXPECT_EQ(first(head + "bogus 1\n"), "bad.timeline:2: error: unknown keyword \"bogus\"");
  EXPECT_EQ(first(head + "speed 1\n"), "bad.timeline:2: error: \"speed\" belongs to a track; start one with \"track\"");
  EXPECT_EQ(first(head + "item GL STATE\n"), "bad.timeline:2: error: an item belongs to a track; start one with \"track\"");
  EXPECT_EQ(first(head + "track\nlength 1\nX = 1\n"),
            "bad.timeline:4: error: a parameter belongs to an item; start one with \"item CATEGORY COMMAND\"");
  EXPECT_EQ(first(head + "track\nlength 1\nitem GL STATE\nlayer 2\n"),
            "bad.timeline:5: error: \"layer\": a track's fields come before its items");
  EXPECT_EQ(first(head + "track\nlength 1\nlayer 256\n"), "bad.timeline:4: error: a layer is a whole number from 0 to 255");
  EXPECT_EQ(first(head + "track\nlength 1\nlayer 1.5\n"), "bad.timeline:4: error: a layer is a whole number from 0 to 255");
  EXPECT_EQ(first(head + "start 1e9\n"), "bad.timeline:2: error: start 1e+09 s lies beyond the ticks a timeline can hold");
  EXPECT_EQ(first(head + "start nan\n"), "bad.timeline:2: error: \"nan\" is not a number (start)");
  EXPECT_EQ(first(head + "name \"open\n"), "bad.timeline:2: error: the text has no closing \"");
  // The compiled file ends its texts with a carriage return: one inside a
  // track's name lost the track's items (found by fuzzing).
  EXPECT_EQ(first(head + "track \"a\rb\"\nlength 1\n"), "bad.timeline:2: error: a text may not hold a carriage return");
  // A NUL byte (a picture given as the source) is refused, not looped over.
  EXPECT_EQ(first(head + std::string("name x\0y\n", 9)),
            "bad.timeline:2: error: the line holds a NUL byte: the source is not a text file");
  const auto png = errorsOf(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + "\n" + head);
  EXPECT_NE(std::find(png.begin(), png.end(),
                      "bad.timeline:3: error: the line holds a NUL byte: the source is not a text file"),
            png.end());
  EXPECT_EQ(first(head + "name \"" + std::string(256, 'a') + "\"\n"),
            "bad.timeline:2: error: name is longer than 255 characters");

  const std::string item = head + "track\nlength 1\nitem GL FULLSCREENPOLY\n";
  EXPECT_EQ(first(item + "R =\n"), "bad.timeline:5: error: R has no value");
  EXPECT_EQ(first(item + "R = 1 2\n"), "bad.timeline:5: error: R has two constants");
  EXPECT_EQ(first(item + "R = sine linear\n"), "bad.timeline:5: error: R has two modes");
  EXPECT_EQ(first(item + "R = 1 wobble 2\n"), "bad.timeline:5: error: unexpected \"wobble\" in R");
  EXPECT_EQ(first(item + "R = min 0 min 1\n"), "bad.timeline:5: error: \"min\" is given twice");
  EXPECT_EQ(first(item + "R = linear 0:1 x:2\n"), "bad.timeline:5: error: \"x:2\" is not a key POSITION:VALUE");
  EXPECT_EQ(first(item + "R = linear 0.5:1 0.25:2\n"), "bad.timeline:5: error: R: key positions must not decrease");
  EXPECT_EQ(first(item + "R = linear 0:1 1:2 1:3\n"),
            "bad.timeline:5: error: R: a key past position 0.999 ends the key list; the keys after it would be lost");
  EXPECT_EQ(first(item + "R = mode 300\n"), "bad.timeline:5: error: a mode is a whole number from 0 to 255");

  std::string many = item;
  for (int i = 0; i < 256; ++i) many += "R = 1\n";
  EXPECT_EQ(first(many), "bad.timeline:260: error: an item has at most 255 parameters");
  std::string keys = item + "R = linear";
  for (int i = 0; i < 256; ++i) keys += " 0:1";
  EXPECT_EQ(first(keys + "\n"), "bad.timeline:5: error: R has 256 keys; at most 255");
  std::string items = head + "track\nlength 1\n";
  for (int i = 0; i < 256; ++i) items += "item GL STATE\n";
  EXPECT_EQ(first(items), "bad.timeline:2: error: the track has 256 items; at most 255");
}

TEST_F(TimelineSourceTest, TimesInBarsAndBeatsFollowTheTempo) {
  TimelineSource source;
  SourceMessages m;
  // 120 beats a minute in 3/4: a beat is 0.5 s, a bar 1.5 s.
  ASSERT_TRUE(tools::parseTimelineSource("tempo 120 3\nstart beat 1\nend bars 10\n"
                                         "track\nstart bar 2 beat 1\nlength beats 3\noffset 1.25\n",
                                         "t", source, m));
  EXPECT_DOUBLE_EQ(source.start, 0.5);
  EXPECT_DOUBLE_EQ(source.end, 15.0);
  ASSERT_EQ(source.tracks.size(), 1u);
  EXPECT_DOUBLE_EQ(source.tracks[0].start, 3.5);
  EXPECT_DOUBLE_EQ(source.tracks[0].length, 1.5);
  EXPECT_DOUBLE_EQ(source.tracks[0].offset, 1.25) << "plain seconds still work";

  const auto first = [&](const std::string& text) {
    const auto errors = errorsOf(text);
    return errors.empty() ? std::string("(none)") : errors.front();
  };
  EXPECT_EQ(first("end bar 4\n"), "bad.timeline:1: error: end: bars and beats need the timeline's \"tempo\" first");
  EXPECT_EQ(first("tempo 0\nend 1\n"),
            "bad.timeline:1: error: the tempo must lie above 0 and up to 1000 beats per minute");
  EXPECT_EQ(first("tempo 124\nend bar 2 beat\n"),
            "bad.timeline:2: error: end takes seconds, or units and numbers such as \"bar 8 beat 2\"");
  EXPECT_EQ(first("tempo 124\nend week 2\n"),
            "bad.timeline:2: error: end: \"week\" is not a unit (bar, bars, beat, beats)");
}

TEST_F(TimelineSourceTest, TheTempoAndTrackNamesReachTheLiveMode) {
  SourceMessages messages;
  SequenceScript s = compileAndLoad("tempo 124 3\nend 4\ntrack \"intro: the sky\"\nlength 1\n", messages);
  EXPECT_DOUBLE_EQ(s.tempo, 124.0);
  EXPECT_DOUBLE_EQ(s.beatsPerBar, 3.0);
  ASSERT_EQ(s.tracks.size(), 1u);
  EXPECT_EQ(s.tracks[0].label, "INTRO: THE SKY");
  EXPECT_EQ(playingTrack(s, 0, 30), &s.tracks[0]);
  EXPECT_EQ(playingTrack(s, 0, 61), nullptr);
  EXPECT_EQ(playingTrack(s, 1, 30), nullptr);
  // Without a tempo both reals are 0 and the script has none.
  s = compileAndLoad("end 4\n", messages);
  EXPECT_EQ(s.tempo, 0.0);
  EXPECT_EQ(s.beatsPerBar, 0.0);
  EXPECT_EQ(s.endTick, 240) << "the end between them is read as before";
}

TEST_F(TimelineSourceTest, WarningsForWhatThePlayerIgnores) {
  TimelineSource source;
  SourceMessages m;
  ASSERT_TRUE(tools::parseTimelineSource("end 1\ntrack\nlength 1\nlayer 20\nitem GL NOPE\nitem GL GRAB\n"
                                         "NAME = 3\nX = 1 min 2 max 1\nY = linear\nTIMEPOS = \"soon\"\n",
                                         "w", source, m));
  const std::vector<std::string> want = {
      "w:4: warning: layer 20 is drawn only by a GRAB whose layer range covers it",
      "w:5: warning: GL NOPE is no command the player knows; it does nothing",
      "w:7: warning: NAME is a text, and none is given",
      "w:8: warning: X: the minimum is above the maximum; every value becomes one of them",
      "w:9: warning: Y: a curve without keys gives 0",
      "w:10: warning: TIMEPOS is a number; its text is not read",
  };
  EXPECT_EQ(m.warnings, want);
}

}  // namespace
}  // namespace glorbe
