#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "synth/score.h"
#include "synth/synthesizer.h"

namespace glorbe::tools {
namespace {

TEST(Score, NoteNames) {
  EXPECT_EQ(noteNumber("A4"), 69);
  EXPECT_EQ(noteNumber("C4"), 60);
  EXPECT_EQ(noteNumber("C#3"), 49);
  EXPECT_EQ(noteNumber("Bb1"), 34);
  EXPECT_EQ(noteNumber("G#-1"), 8);
  for (const char* bad : {"", "H2", "A", "C#", "Cb", "A10", "A4x"}) EXPECT_EQ(noteNumber(bad), -1) << bad;
  EXPECT_NEAR(noteFrequency(69), 440.0, 1e-9);
  EXPECT_NEAR(noteFrequency(57), 220.0, 1e-9);
}

TEST(Score, PatternsHoldsChordsAndSections) {
  Score s;
  std::string error;
  ASSERT_TRUE(parseScore("tempo 120  # two beats a second\n"
                         "instrument k kick\n"
                         "instrument p pad cutoff=700\n"
                         "pattern a 8\n"
                         "  k x . X . o . . .\n"
                         "  p A3+C4 - - . F#3! -\n"
                         "  p . .\n"
                         "section one 2 a\n"
                         "sweep p cutoff 100 200\n",
                         s, error))
      << error;
  EXPECT_EQ(s.tempo, 120);
  EXPECT_DOUBLE_EQ(s.secondsPerStep(), 0.125);
  ASSERT_EQ(s.patterns.size(), 1u);
  const Pattern& a = s.patterns[0];
  ASSERT_EQ(a.tracks.size(), 2u);
  ASSERT_EQ(a.tracks[0].events.size(), 3u);
  EXPECT_EQ(a.tracks[0].events[1].step, 2);
  EXPECT_EQ(a.tracks[0].events[1].velocity, 1.0);
  const auto& pad = a.tracks[1].events;
  ASSERT_EQ(pad.size(), 2u);
  EXPECT_EQ(pad[0].length, 3);
  EXPECT_EQ(pad[0].notes, (std::vector<int>{57, 60}));
  EXPECT_EQ(pad[1].step, 4);
  EXPECT_EQ(pad[1].length, 2);
  EXPECT_EQ(pad[1].velocity, 1.0);
  EXPECT_EQ(s.findInstrument("p")->param("cutoff"), 700);
  ASSERT_EQ(s.sections.size(), 1u);
  EXPECT_EQ(s.sections[0].sweeps.size(), 1u);
  EXPECT_EQ(s.totalBars(), 2);
  EXPECT_DOUBLE_EQ(s.lengthSeconds(), 2 * 16 * 0.125 + 3.0);
}

TEST(Score, ErrorsNameTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"instrument k kazoo\n", "1: unknown instrument kind"},
      {"instrument k kick volume=3\n", "1: k: kick has no setting volume"},
      {"instrument k kick\npattern a 4\n  k x . . . x\n", "3: track k is longer"},
      {"instrument k kick\npattern a 4\n  k x .\nsection s 1 a\n", "pattern a: track k has 2 steps"},
      {"instrument p pad\npattern a 2\n  p - A3\n", "3: \"-\" holds nothing"},
      {"instrument p pad\npattern a 2\n  p H3 .\n", "3: not a note: H3"},
      {"section s 1 nothing\n", "1: unknown pattern nothing"},
      {"tempo 1000\n", "1: tempo must lie"},
      {"instrument p pad\npattern a 1\n p .\nsection s 1 a\nsweep p speed 1 2\n", "5: p has no setting speed"},
      {"", "the score has no section"},
  };
  for (auto [text, want] : cases) {
    Score s;
    std::string error;
    EXPECT_FALSE(parseScore(text, s, error)) << text;
    EXPECT_NE(error.find(want), std::string::npos) << "got: " << error;
  }
}

double lowEnergy(const std::vector<int16_t>& pcm, size_t from, size_t count) {
  double e = 0;
  for (size_t i = from; i < from + count && 2 * i < pcm.size(); ++i) e += std::pow(pcm[2 * i] / 32768.0, 2);
  return e;
}

TEST(Synthesizer, KicksLandOnTheBeatAndRendersRepeat) {
  Score s;
  std::string error;
  ASSERT_TRUE(parseScore("tempo 120\ntail 0.5\ninstrument k kick\npattern a 16\n k x . . . x . . . x . . . x . . .\n"
                         "section one 1 a\n",
                         s, error))
      << error;
  const int rate = 8000;
  const auto pcm = renderScore(s, rate);
  EXPECT_EQ(pcm.size(), static_cast<size_t>(std::ceil(s.lengthSeconds() * rate)) * 2);
  // Half a second a beat: each beat's first 50 ms hold far more energy than
  // the 50 ms before it.
  for (int beat = 1; beat < 4; ++beat) {
    const size_t at = static_cast<size_t>(beat * 0.5 * rate);
    EXPECT_GT(lowEnergy(pcm, at, 400), 10 * lowEnergy(pcm, at - 400, 400)) << beat;
  }
  EXPECT_EQ(renderScore(s, rate), pcm) << "the same score gives the same samples";
}

TEST(Synthesizer, TheShowsScore) {
  std::ifstream in(std::string(GLORBE_SOURCE_DIR) + "/content/music/quendar.score");
  ASSERT_TRUE(in) << "the score is part of the sources";
  std::stringstream text;
  text << in.rdbuf();
  Score s;
  std::string error;
  ASSERT_TRUE(parseScore(text.str(), s, error)) << error;
  EXPECT_GT(s.lengthSeconds(), 140);
  EXPECT_LT(s.lengthSeconds(), 165);
}

}  // namespace
}  // namespace glorbe::tools
