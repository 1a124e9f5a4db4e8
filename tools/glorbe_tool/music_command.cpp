// glorbe-tool music: the show's music from its score.
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "audio/mp3_writer.h"
#include "glorbe_tool/commands.h"
#include "synth/score.h"
#include "synth/synthesizer.h"

namespace glorbe::tools {

namespace {

// Bytes a terminal should not be given are shown as \xNN.
std::string printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

bool readScore(const std::string& path, Score& score) {
  std::string bytes;
  if (!readSourceFile(path, bytes)) return false;
  // A score is text: an MP3 or a picture given by mistake is said to be none.
  if (bytes.find('\0') != std::string::npos) {
    std::fprintf(stderr, "glorbe-tool: %s is not a score: it is no text file (docs/music.md)\n", path.c_str());
    return false;
  }
  std::string error;
  if (!parseScore(bytes, score, error)) {
    std::fprintf(stderr, "glorbe-tool: %s:%s\n", path.c_str(), printable(error).c_str());
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

namespace {

int info(const Invocation& call) {
  Score score;
  if (!readScore(call.argument(0), score)) return 1;
  std::printf("tempo\t%g\nbars\t%d\nseconds\t%.3f\n", score.tempo, score.totalBars(), score.lengthSeconds());
  int bar = 0;
  for (const Section& s : score.sections) {
    std::printf("section\t%s\tbar %d\t%.3f s\n", s.name.c_str(), bar, bar * score.stepsPerBar() * score.secondsPerStep());
    bar += s.bars;
  }
  return 0;
}

int render(const Invocation& call) {
  const std::string& scorePath = call.argument(0);
  const std::string& out = call.argument(1);
  const std::string wav = call.value("wav").value_or("");
  Score score;
  if (!readScore(scorePath, score)) return 1;
  std::string error;
  if (!makeOutputFolder(out, error) || (!wav.empty() && !makeOutputFolder(wav, error))) return cli::failure(call, error);
  const int rate = 44100;
  // Progress on a terminal; one line when the output goes to a log.
  const bool terminal = isatty(fileno(stderr)) != 0;
  int shown = -1;
  const auto pcm = renderScore(score, rate, [&](double done) {
    const int percent = static_cast<int>(done * 100);
    if (terminal && percent / 10 != shown / 10) std::fprintf(stderr, "\rrendering %s: %3d%%", scorePath.c_str(), percent);
    shown = percent;
  });
  std::fprintf(stderr, "%srendered %s: %.1f s of music\n", terminal ? "\r" : "", scorePath.c_str(),
               pcm.size() / 2.0 / rate);
  if (!wav.empty() && !writeWav(wav, pcm, rate)) return cli::failure(call, "cannot write " + wav);
  if (!writeMp3(out, pcm, rate, 192, error)) return cli::failure(call, error);
  return 0;
}

}  // namespace

std::vector<Command> musicCommands() {
  return {
      {"music render", "SCORE OUT.mp3", 2, 2, {{"wav", "OUT.wav", "the same music as a WAV file too"}},
       "The synthesizer: a score (docs/music.md) to 44.1 kHz stereo, 192 kbit/s.", render},
      {"music info", "SCORE", 1, 1, {}, "Tempo, bars, length and section start times of a score.", info},
  };
}

}  // namespace glorbe::tools
