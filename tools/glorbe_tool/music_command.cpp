// glorbe-tool music: the show's music from its score.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "audio/mp3_writer.h"
#include "glorbe_tool/commands.h"
#include "synth/score.h"
#include "synth/synthesizer.h"

namespace glorbe::tools {

namespace {

bool readScore(const std::string& path, Score& score) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "glorbe-tool: cannot read %s\n", path.c_str());
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::string error;
  if (!parseScore(text.str(), score, error)) {
    std::fprintf(stderr, "glorbe-tool: %s:%s\n", path.c_str(), error.c_str());
    return false;
  }
  return true;
}

bool writeWav(const std::string& path, const std::vector<int16_t>& stereo, int rate) {
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  const uint32_t bytes = static_cast<uint32_t>(stereo.size() * 2);
  out.write("RIFF", 4);
  u32(36 + bytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(2);
  u32(static_cast<uint32_t>(rate));
  u32(static_cast<uint32_t>(rate) * 4);
  u16(4);
  u16(16);
  out.write("data", 4);
  u32(bytes);
  out.write(reinterpret_cast<const char*>(stereo.data()), bytes);
  return static_cast<bool>(out);
}

}  // namespace

int runMusicCommand(const Args& args) {
  const ToolCommand& self = findToolCommand("music");
  if (args.size() == 2 && args[0] == "info") {
    Score score;
    if (!readScore(args[1], score)) return 1;
    std::printf("tempo\t%g\nbars\t%d\nseconds\t%.3f\n", score.tempo, score.totalBars(), score.lengthSeconds());
    int bar = 0;
    for (const Section& s : score.sections) {
      std::printf("section\t%s\tbar %d\t%.3f s\n", s.name.c_str(), bar,
                  bar * score.stepsPerBar() * score.secondsPerStep());
      bar += s.bars;
    }
    return 0;
  }
  if (args.size() < 3 || args[0] != "render") return usageError(self, "expected: render SCORE OUT.mp3 or info SCORE");
  std::string wav;
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--wav" && i + 1 < args.size()) wav = args[++i];
    else return usageError(self, "unknown option " + args[i]);
  }
  Score score;
  if (!readScore(args[1], score)) return 1;
  const int rate = 44100;
  // Progress on a terminal; one line when the output goes to a log.
  const bool terminal = isatty(fileno(stderr)) != 0;
  int shown = -1;
  const auto pcm = renderScore(score, rate, [&](double done) {
    const int percent = static_cast<int>(done * 100);
    if (terminal && percent / 10 != shown / 10) std::fprintf(stderr, "\rrendering %s: %3d%%", args[1].c_str(), percent);
    shown = percent;
  });
  std::fprintf(stderr, "%srendered %s: %.1f s of music\n", terminal ? "\r" : "", args[1].c_str(),
               pcm.size() / 2.0 / rate);
  std::string error;
  if (!wav.empty() && !writeWav(wav, pcm, rate)) {
    std::fprintf(stderr, "glorbe-tool: cannot write %s\n", wav.c_str());
    return 1;
  }
  if (!writeMp3(args[2], pcm, rate, 192, error)) {
    std::fprintf(stderr, "glorbe-tool: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace glorbe::tools
