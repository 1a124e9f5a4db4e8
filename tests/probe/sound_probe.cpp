// glorbe-sound-probe: hears what the sound layer plays. The end-to-end sound
// tests record a PulseAudio null sink's monitor with parec and hand the
// recording to this program, which finds the music in it and compares it with
// the position the player (or its own playback through the sound layer)
// reported at the same moments.
//
//   record TIMES OUT.raw < parec-output
//       copies raw 16-bit stereo from standard input to OUT.raw and notes, for
//       each read, the monotonic time and the frames received so far, so that
//       the moment each sample was heard can be worked out.
//   play MUSIC.mp3 TRACE --output N [--start-ms S] [--seconds D] [--seek-at MS --seek-to MS]
//       plays MUSIC through the sound layer, seeks as asked, and writes the
//       position about every 2 ms as "frame TIME POSITION_MS" lines.
//   analyze MUSIC.mp3 OUT.raw TIMES TRACE [--starts MS,MS..] [--max-offset MS]
//       finds each stretch of the recording that is a stretch of the music,
//       checks that it is bit-exact, without gaps or drift, begins at the
//       given positions, and that the reported positions agree with what was
//       heard within --max-offset ms. Prints its findings; exit 1 on failure.
#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

#include "platform/monotonic_clock.h"
#include "platform/sound.h"

namespace {

constexpr int kRate = 44100;
constexpr int kWindow = 2048;  // frames compared at a time

struct Pcm {
  std::vector<int16_t> samples;  // interleaved stereo
  size_t frames() const { return samples.size() / 2; }
};

// The whole MP3 decoded the way the sound layer decodes it.
bool decodeMp3(const std::string& path, Pcm& out) {
  mpg123_init();
  int err = 0;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (mh == nullptr) return false;
  mpg123_param(mh, MPG123_FLAGS, MPG123_FORCE_STEREO | MPG123_GAPLESS | MPG123_QUIET, 0);
  mpg123_format_none(mh);
  mpg123_format(mh, kRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  if (mpg123_open(mh, path.c_str()) != MPG123_OK || mpg123_scan(mh) != MPG123_OK) {
    mpg123_delete(mh);
    return false;
  }
  std::vector<unsigned char> block(65536);
  for (;;) {
    size_t done = 0;
    const int r = mpg123_read(mh, block.data(), block.size(), &done);
    const auto* s = reinterpret_cast<const int16_t*>(block.data());
    out.samples.insert(out.samples.end(), s, s + done / 2);
    if (r != MPG123_OK && r != MPG123_NEW_FORMAT) break;
  }
  mpg123_close(mh);
  mpg123_delete(mh);
  return out.frames() > 0;
}

bool readRaw(const std::string& path, Pcm& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  out.samples.resize(bytes.size() / 4 * 2);
  std::memcpy(out.samples.data(), bytes.data(), out.samples.size() * 2);
  return true;
}

int record(const std::string& timesPath, const std::string& rawPath) {
  std::FILE* times = std::fopen(timesPath.c_str(), "w");
  std::FILE* raw = std::fopen(rawPath.c_str(), "wb");
  if (times == nullptr || raw == nullptr) return 1;
  std::vector<char> buffer(4096);
  uint64_t bytes = 0;
  for (;;) {
    const ssize_t n = read(0, buffer.data(), buffer.size());
    if (n <= 0) break;
    const double now = glorbe::monotonicMs();
    std::fwrite(buffer.data(), 1, static_cast<size_t>(n), raw);
    bytes += static_cast<uint64_t>(n);
    std::fprintf(times, "%.3f %llu\n", now, static_cast<unsigned long long>(bytes / 4));
  }
  std::fclose(raw);
  std::fclose(times);
  return 0;
}

int play(int argc, char** argv) {
  const std::string music = argv[2], tracePath = argv[3];
  int output = 0, startMs = 0, seekAt = -1, seekTo = 0;
  double seconds = 3;
  for (int i = 4; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    if (key == "--output") output = std::atoi(argv[i + 1]);
    if (key == "--start-ms") startMs = std::atoi(argv[i + 1]);
    if (key == "--seconds") seconds = std::atof(argv[i + 1]);
    if (key == "--seek-at") seekAt = std::atoi(argv[i + 1]);
    if (key == "--seek-to") seekTo = std::atoi(argv[i + 1]);
  }
  if (!glorbe::soundSetOutput(output) || !glorbe::soundInit(44100, 4)) {
    std::fprintf(stderr, "cannot open sound output %d\n", output);
    return 1;
  }
  glorbe::SoundStream* stream = glorbe::soundOpenStream(music);
  if (stream == nullptr) {
    std::fprintf(stderr, "cannot open %s\n", music.c_str());
    return 1;
  }
  std::FILE* trace = std::fopen(tracePath.c_str(), "w");
  const int channel = glorbe::soundPlayStream(-1, stream);
  glorbe::soundSetTimeMs(stream, startMs);
  const double start = glorbe::monotonicMs();
  bool seeked = false;
  while (glorbe::soundIsPlaying(channel) && glorbe::monotonicMs() - start < seconds * 1000) {
    if (!seeked && seekAt >= 0 && glorbe::monotonicMs() - start >= seekAt) {
      glorbe::soundSetTimeMs(stream, seekTo);
      seeked = true;
    }
    // Only reads whose moment is certain (the thread was not taken away).
    const double asked = glorbe::monotonicMs();
    const int pos = glorbe::soundGetTimeMs(stream);
    const double answered = glorbe::monotonicMs();
    if (answered - asked <= 2.0) std::fprintf(trace, "frame %.3f %d\n", (asked + answered) / 2, pos);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::fclose(trace);
  glorbe::soundClose();
  return 0;
}

// ---- analysis -------------------------------------------------------------------------

std::vector<float> mono(const Pcm& pcm) {
  std::vector<float> m(pcm.frames());
  for (size_t i = 0; i < m.size(); ++i) m[i] = 0.5f * (pcm.samples[2 * i] + pcm.samples[2 * i + 1]);
  return m;
}

// Normalised cross-correlation of rec[k, k + W) with ref[k + lag, ...).
double correlation(const std::vector<float>& rec, const std::vector<float>& ref, size_t k, long lag) {
  const long at = static_cast<long>(k) + lag;
  if (at < 0 || static_cast<size_t>(at) + kWindow > ref.size()) return -1;
  double xy = 0, xx = 0, yy = 0;
  for (int i = 0; i < kWindow; ++i) {
    const double x = rec[k + i], y = ref[static_cast<size_t>(at) + i];
    xy += x * y;
    xx += x * x;
    yy += y * y;
  }
  if (xx == 0 || yy == 0) return xx == yy ? 1 : 0;
  return xy / std::sqrt(xx * yy);
}

bool exactAt(const Pcm& rec, const Pcm& ref, size_t k, long lag) {
  const long at = static_cast<long>(k) + lag;
  if (at < 0 || static_cast<size_t>(at) + kWindow > ref.frames()) return false;
  return std::memcmp(&rec.samples[2 * k], &ref.samples[2 * static_cast<size_t>(at)], kWindow * 4) == 0;
}

// The sounding part of a window matches exactly, and the silence is only
// before it or only after it.
bool edgeExactAt(const Pcm& rec, const Pcm& ref, size_t k, long lag) {
  auto sounding = [&](size_t i) { return rec.samples[2 * i] != 0 || rec.samples[2 * i + 1] != 0; };
  size_t first = k, last = k + kWindow;
  while (first < last && !sounding(first)) ++first;
  while (last > first && !sounding(last - 1)) --last;
  if (first == last || (first != k && last != k + kWindow)) return false;
  const long at = static_cast<long>(first) + lag;
  if (at < 0 || static_cast<size_t>(at) + (last - first) > ref.frames()) return false;
  return std::memcmp(&rec.samples[2 * first], &ref.samples[2 * static_cast<size_t>(at)], (last - first) * 4) == 0;
}

struct WindowMatch {
  bool silent = true;
  bool found = false;
  bool exact = false;
  long lag = 0;  // music frame - recording frame
  double score = 0;
};

struct Segment {
  size_t firstWindow = 0, windows = 0, exactWindows = 0;
  long lag = 0;
  long firstFrame = 0;  // first non-silent recording frame of the stretch
};

int analyze(int argc, char** argv) {
  const std::string musicPath = argv[2], rawPath = argv[3], timesPath = argv[4], tracePath = argv[5];
  std::vector<double> starts;
  double maxOffset = 20;
  for (int i = 6; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    if (key == "--max-offset") maxOffset = std::atof(argv[i + 1]);
    if (key == "--starts") {
      std::stringstream list(argv[i + 1]);
      std::string item;
      while (std::getline(list, item, ',')) starts.push_back(std::atof(item.c_str()));
    }
  }
  Pcm ref, rec;
  if (!decodeMp3(musicPath, ref)) return std::fprintf(stderr, "cannot decode %s\n", musicPath.c_str()), 1;
  if (!readRaw(rawPath, rec)) return std::fprintf(stderr, "cannot read %s\n", rawPath.c_str()), 1;
  const std::vector<float> refMono = mono(ref), recMono = mono(rec);

  // Each window of the recording is found in the music: at the lag of the
  // window before when it matches there, else by a search over every lag.
  std::vector<WindowMatch> matches(rec.frames() / kWindow);
  long lastLag = 0;
  bool haveLag = false;
  for (size_t w = 0; w < matches.size(); ++w) {
    const size_t k = w * kWindow;
    WindowMatch& m = matches[w];
    m.silent = std::all_of(&rec.samples[2 * k], &rec.samples[2 * (k + kWindow)], [](int16_t s) { return s == 0; });
    if (m.silent) continue;
    if (haveLag && exactAt(rec, ref, k, lastLag)) {
      m = {false, true, true, lastLag, 1.0};
      continue;
    }
    long best = 0;
    double bestScore = -2;
    for (long lag = -static_cast<long>(k); static_cast<long>(k) + lag + kWindow <= static_cast<long>(ref.frames()); ++lag) {
      const double c = correlation(recMono, refMono, k, lag);
      if (c > bestScore) bestScore = c, best = lag;
    }
    m.found = bestScore > 0.9;
    m.lag = best;
    m.score = bestScore;
    m.exact = exactAt(rec, ref, k, best);
    if (m.found) lastLag = best, haveLag = true;
  }

  // A window where a stretch begins or ends holds silence on one side: it
  // belongs to the stretch of its neighbour when its sound matches there.
  for (size_t w = 0; w < matches.size(); ++w) {
    WindowMatch& m = matches[w];
    if (m.silent || m.exact) continue;
    for (size_t n : {w - 1, w + 1}) {
      if (n >= matches.size() || !matches[n].found || !matches[n].exact) continue;
      if (edgeExactAt(rec, ref, w * kWindow, matches[n].lag)) {
        m = {false, true, true, matches[n].lag, 1.0};
        break;
      }
    }
  }

  // Stretches of windows at one lag. Silence inside a stretch is a gap.
  std::vector<Segment> segments;
  int gaps = 0, unmatched = 0;
  for (size_t w = 0; w < matches.size(); ++w) {
    const WindowMatch& m = matches[w];
    if (m.silent) continue;
    if (!m.found) {
      // A window across a jump of the music holds two stretches; elsewhere a
      // window that is not the music is a fault.
      const bool between = w == 0 || w + 1 == matches.size() || !matches[w - 1].found || !matches[w + 1].found ||
                           matches[w - 1].lag != matches[w + 1].lag;
      if (!between) ++unmatched;
      continue;
    }
    if (segments.empty() || segments.back().lag != m.lag) {
      Segment s;
      s.firstWindow = w;
      s.lag = m.lag;
      // Where the stretch really begins: back from the window while the
      // recording still matches the music at this lag.
      long k = static_cast<long>(w * kWindow);
      auto same = [&](long at) {
        const long music = at + m.lag;
        return at >= 0 && music >= 0 && static_cast<size_t>(music) < ref.frames() &&
               rec.samples[2 * at] == ref.samples[2 * music] && rec.samples[2 * at + 1] == ref.samples[2 * music + 1];
      };
      // A window across the jump matches only from the jump on.
      const long windowEnd = static_cast<long>((w + 1) * kWindow);
      if (!same(k)) {
        long from = windowEnd;
        while (from > k && same(from - 1)) --from;
        if (from < windowEnd) k = from;
      }
      while (same(k - 1)) --k;
      if (std::getenv("PROBE_DEBUG") != nullptr) {
        for (long i = k - 12; i < k + 3; ++i) {
          if (i < 0 || i + m.lag < 0) continue;
          std::printf("  rec %ld: %d %d  music %ld: %d %d\n", i, rec.samples[2 * i], rec.samples[2 * i + 1], i + m.lag,
                      ref.samples[2 * (i + m.lag)], ref.samples[2 * (i + m.lag) + 1]);
        }
      }
      // Music that begins in silence: its first sound.
      while (k < windowEnd && rec.samples[2 * k] == 0 && rec.samples[2 * k + 1] == 0) ++k;
      s.firstFrame = k;
      segments.push_back(s);
    } else {
      for (size_t g = segments.back().firstWindow + segments.back().windows; g < w; ++g) {
        // A silent window is a gap unless the music itself is silent there.
        const long at = static_cast<long>(g * kWindow) + m.lag;
        bool musicSilent = at >= 0 && static_cast<size_t>(at) + kWindow <= ref.frames() &&
                           std::all_of(&ref.samples[2 * at], &ref.samples[2 * (at + kWindow)],
                                       [](int16_t s) { return s == 0; });
        if (matches[g].silent && !musicSilent) ++gaps;
      }
    }
    Segment& s = segments.back();
    s.windows = w - s.firstWindow + 1;
    if (m.exact) ++s.exactWindows;
  }

  // When each recorded frame was heard: among the reads around a moment, the
  // one that came soonest after its frames were played bounds the delay from
  // below. Looked at locally, so that a pause of the recording does not
  // shift the whole timeline.
  std::vector<std::pair<double, double>> reads;  // time, time - frames received
  {
    std::ifstream in(timesPath);
    double t;
    unsigned long long frames;
    while (in >> t >> frames) reads.emplace_back(t, t - frames * 1000.0 / kRate);
  }
  auto recordingStart = [&](double t) {
    double t0 = 1e300;
    auto it = std::lower_bound(reads.begin(), reads.end(), std::make_pair(t - 250.0, -1e300));
    for (; it != reads.end() && it->first <= t + 250.0; ++it) t0 = std::min(t0, it->second);
    return t0;
  };

  // The reported positions against the music heard at the same moment, away
  // from the first and last windows of each stretch.
  std::vector<double> offsets;
  {
    std::ifstream in(tracePath);
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream f(line);
      std::string kind;
      double t, pos;
      if (!(f >> kind >> t >> pos) || kind != "frame") continue;
      const double t0 = recordingStart(t);
      if (t0 > 1e299) continue;
      const double k = (t - t0) * kRate / 1000.0;
      if (k < 0) continue;
      const size_t w = static_cast<size_t>(k) / kWindow;
      if (w >= matches.size() || !matches[w].found) continue;
      bool inner = false;
      for (const Segment& s : segments)
        if (w > s.firstWindow && w + 1 < s.firstWindow + s.windows && s.lag == matches[w].lag) inner = true;
      if (!inner) continue;
      offsets.push_back(pos - (k + matches[w].lag) * 1000.0 / kRate);
    }
  }

  bool ok = true;
  std::printf("recording %.0f ms, %zu stretches of music, %d gaps, %d windows not found\n",
              rec.frames() * 1000.0 / kRate, segments.size(), gaps, unmatched);
  for (size_t i = 0; i < segments.size(); ++i) {
    const Segment& s = segments[i];
    const double musicStart = (s.firstFrame + s.lag) * 1000.0 / kRate;
    std::printf("stretch %zu: heard at %.1f ms, music from %.2f ms, %zu windows, %zu bit-exact\n", i,
                s.firstFrame * 1000.0 / kRate, musicStart, s.windows, s.exactWindows);
    if (s.exactWindows + 1 < s.windows) ok = false;  // the last window may be cut by the end of the recording
  }
  if (gaps != 0 || unmatched != 0) ok = false;
  if (!starts.empty()) {
    if (segments.size() != starts.size()) ok = false;
    for (size_t i = 0; i < std::min(starts.size(), segments.size()); ++i) {
      const double musicStart = (segments[i].firstFrame + segments[i].lag) * 1000.0 / kRate;
      // To the sample (0.1 ms is less than 5 frames at 44.1 kHz).
      if (std::fabs(musicStart - starts[i]) > 0.1) ok = false;
    }
  }
  if (offsets.empty()) {
    std::printf("no position samples while music was heard\n");
    ok = false;
  } else {
    double sum = 0, lo = 1e9, hi = -1e9;
    for (double o : offsets) sum += o, lo = std::min(lo, o), hi = std::max(hi, o);
    std::sort(offsets.begin(), offsets.end());
    std::printf("position minus heard: mean %.1f ms, median %.1f ms, min %.1f ms, max %.1f ms over %zu samples\n",
                sum / offsets.size(), offsets[offsets.size() / 2], lo, hi, offsets.size());
    if (lo < -maxOffset || hi > maxOffset) ok = false;
  }
  std::printf("%s\n", ok ? "ok" : "FAILED");
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "record" && argc == 4) return record(argv[2], argv[3]);
  if (command == "play" && argc >= 4) return play(argc, argv);
  if (command == "analyze" && argc >= 6) return analyze(argc, argv);
  std::fprintf(stderr,
               "usage: glorbe-sound-probe record TIMES OUT.raw < raw\n"
               "       glorbe-sound-probe play MUSIC.mp3 TRACE --output N [--start-ms S] [--seconds D]"
               " [--seek-at MS --seek-to MS]\n"
               "       glorbe-sound-probe analyze MUSIC.mp3 OUT.raw TIMES TRACE [--starts MS,..] [--max-offset MS]\n");
  return 2;
}
