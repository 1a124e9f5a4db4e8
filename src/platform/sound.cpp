// Sound layer on libmpg123 (decoding) and SDL2 audio (output).
//
// A stream is scanned completely when it is opened: on a real output it is
// decoded into memory as 16-bit stereo at the mixing rate, which makes the
// length exact and every seek sample-accurate; on the no-sound output only
// its length is taken and its position runs from the monotonic clock.
//
// The position reported for a playing stream is interpolated: the audio
// callback records which frame is being heard and when, and between callbacks
// the position advances from that pair at real-time speed, clamped so that it
// never passes what was handed to the device and never steps backwards.
#include "platform/sound.h"

#include <SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/monotonic_clock.h"

namespace glorbe {

// Fields the audio callback shares with the main thread are atomics. The
// callback writes its timing pair (baseFrame, baseTimeMs) under a sequence
// counter, so that the main thread reads a consistent pair without taking the
// device lock: polling the position in a tight loop must never starve the
// callback. Changes from the main thread (play, seek, pan) take the device
// lock, which the callback holds while it runs.
struct SoundStream {
  int rate = 44100;
  int64_t lengthFrames = 0;
  std::vector<int16_t> pcm;  // interleaved stereo; empty on the no-sound output

  std::atomic<int64_t> cursor{0};  // next frame handed to the device (or base on no sound)
  std::atomic<bool> playing{false};
  std::atomic<int> pan{-1};
  int channel = -1;

  std::atomic<uint32_t> timingSequence{0};  // odd while the pair below is written
  std::atomic<int64_t> baseFrame{0};        // frame heard at baseTimeMs
  std::atomic<double> baseTimeMs{0.0};
  int64_t lastReported = 0;  // main thread only: keeps the reported position monotonic
};

namespace {

struct SoundSystem {
  int output = SoundOutputDefault;
  bool initialised = false;
  int mixRate = 44100;
  std::vector<SoundStream*> channels;
  std::vector<SoundStream*> streams;
  SDL_AudioDeviceID device = 0;
  int deviceBufferFrames = 0;
  bool devicePaused = true;
  bool mpg123Ready = false;
  std::vector<int32_t> mixBuffer;  // audio thread only
};

SoundSystem sound;

bool hasDevice() { return sound.device != 0; }

void lock() {
  if (hasDevice()) SDL_LockAudioDevice(sound.device);
}
void unlock() {
  if (hasDevice()) SDL_UnlockAudioDevice(sound.device);
}

// Writers are serialised by the device lock (or are the only thread).
void setTiming(SoundStream& s, int64_t frame, double timeMs) {
  s.timingSequence.fetch_add(1, std::memory_order_acq_rel);
  s.baseFrame.store(frame, std::memory_order_relaxed);
  s.baseTimeMs.store(timeMs, std::memory_order_relaxed);
  s.timingSequence.fetch_add(1, std::memory_order_release);
}

void readTiming(const SoundStream& s, int64_t& frame, double& timeMs) {
  for (;;) {
    const uint32_t before = s.timingSequence.load(std::memory_order_acquire);
    frame = s.baseFrame.load(std::memory_order_relaxed);
    timeMs = s.baseTimeMs.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if ((before & 1) == 0 && s.timingSequence.load(std::memory_order_relaxed) == before) return;
  }
}

// Frame being heard now, without the monotonic clamp.
int64_t interpolatedFrame(const SoundStream& s) {
  const int64_t cursor = s.cursor.load(std::memory_order_acquire);
  if (!s.playing.load(std::memory_order_acquire)) return cursor;
  int64_t base = 0;
  double baseTime = 0.0;
  readTiming(s, base, baseTime);
  const double elapsedMs = monotonicMs() - baseTime;
  int64_t frame = base + static_cast<int64_t>(elapsedMs * s.rate / 1000.0);
  if (hasDevice()) frame = std::min(frame, cursor);
  return std::clamp<int64_t>(frame, 0, s.lengthFrames);
}

// Reported position (main thread); also notices the end of the stream.
int64_t currentFrame(SoundStream& s) {
  if (!s.playing.load(std::memory_order_acquire)) return s.cursor.load(std::memory_order_acquire);
  const int64_t frame = std::max(interpolatedFrame(s), s.lastReported);
  s.lastReported = frame;
  if (frame >= s.lengthFrames) {
    lock();
    s.playing.store(false, std::memory_order_release);
    s.cursor.store(s.lengthFrames, std::memory_order_release);  // a stopped stream rests at its end
    unlock();
  }
  return frame;
}

void panGains(int pan, int32_t& left, int32_t& right) {
  if (pan < 0) {
    left = right = 256;
    return;
  }
  pan = std::clamp(pan, 0, 255);
  left = (255 - pan) * 256 / 255;
  right = pan * 256 / 255;
}

void audioCallback(void*, Uint8* bytes, int len) {
  auto* out = reinterpret_cast<int16_t*>(bytes);
  const int frames = len / 4;
  std::vector<int32_t>& mix = sound.mixBuffer;
  mix.assign(static_cast<size_t>(frames) * 2, 0);  // keeps its capacity between callbacks
  const double now = monotonicMs();
  for (SoundStream* s : sound.channels) {
    if (s == nullptr || !s->playing.load(std::memory_order_acquire)) continue;
    int64_t cursor = s->cursor.load(std::memory_order_relaxed);
    // The frames handed over now are heard about one device buffer later.
    // Once everything is handed over, the last buffers play out on the clock.
    if (cursor < s->lengthFrames) setTiming(*s, std::max<int64_t>(0, cursor - sound.deviceBufferFrames), now);
    int32_t gl, gr;
    panGains(s->pan.load(std::memory_order_relaxed), gl, gr);
    for (int i = 0; i < frames && cursor < s->lengthFrames; ++i, ++cursor) {
      const size_t at = static_cast<size_t>(cursor) * 2;
      mix[2 * i] += s->pcm[at] * gl / 256;
      mix[2 * i + 1] += s->pcm[at + 1] * gr / 256;
    }
    s->cursor.store(cursor, std::memory_order_release);
  }
  for (int i = 0; i < frames * 2; ++i) out[i] = static_cast<int16_t>(std::clamp(mix[i], -32768, 32767));
}

bool openDevice(int mixRate) {
  const char* driver = nullptr;
  if (sound.output == SoundOutputPulse) driver = "pulseaudio";
  if (sound.output == SoundOutputAlsa) driver = "alsa";
  if (driver != nullptr) setenv("SDL_AUDIODRIVER", driver, 1);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{};
  SDL_AudioSpec have{};
  want.freq = mixRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = audioCallback;
  sound.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (sound.device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  sound.deviceBufferFrames = have.samples;
  sound.devicePaused = true;
  return true;
}

// Scans (and on a device output decodes) the MP3 file. False on any failure.
bool decodeStream(const std::string& path, SoundStream& s) {
  int err = MPG123_OK;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (mh == nullptr) return false;
  bool ok = false;
  mpg123_param(mh, MPG123_FLAGS, MPG123_FORCE_STEREO | MPG123_GAPLESS | MPG123_QUIET, 0);
  mpg123_format_none(mh);
  if (mpg123_format(mh, sound.mixRate, MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK &&
      mpg123_open(mh, path.c_str()) == MPG123_OK) {
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_scan(mh) == MPG123_OK && mpg123_getformat(mh, &rate, &channels, &encoding) == MPG123_OK &&
        rate > 0 && channels == 2) {
      s.rate = static_cast<int>(rate);
      const off_t length = mpg123_length(mh);
      if (!hasDevice()) {
        s.lengthFrames = length > 0 ? static_cast<int64_t>(length) : 0;
        ok = s.lengthFrames > 0;
      } else {
        if (length > 0) s.pcm.reserve(static_cast<size_t>(length) * 2);
        std::vector<unsigned char> block(65536);
        for (;;) {
          size_t done = 0;
          const int r = mpg123_read(mh, block.data(), block.size(), &done);
          const auto* samples = reinterpret_cast<const int16_t*>(block.data());
          s.pcm.insert(s.pcm.end(), samples, samples + done / 2);
          if (r == MPG123_DONE) break;
          if (r != MPG123_OK && r != MPG123_NEW_FORMAT) break;
        }
        s.lengthFrames = static_cast<int64_t>(s.pcm.size() / 2);
        ok = s.lengthFrames > 0;
      }
    }
    mpg123_close(mh);
  }
  mpg123_delete(mh);
  return ok;
}

}  // namespace

bool soundSetOutput(int output) {
  if (sound.initialised || output < SoundOutputDefault || output > SoundOutputAlsa) return false;
  sound.output = output;
  return true;
}

int soundCurrentOutput() { return sound.output; }

bool soundInit(int mixRate, int maxChannels) {
  if (sound.initialised || mixRate <= 0 || maxChannels <= 0) return false;
  if (!sound.mpg123Ready) {
    if (mpg123_init() != MPG123_OK) return false;
    sound.mpg123Ready = true;
  }
  sound.mixRate = mixRate;
  if (sound.output != SoundOutputNone && !openDevice(mixRate)) return false;
  sound.channels.assign(static_cast<size_t>(maxChannels), nullptr);
  sound.initialised = true;
  return true;
}

SoundStream* soundOpenStream(const std::string& path) {
  if (!sound.initialised) return nullptr;
  auto* s = new SoundStream;
  if (!decodeStream(path, *s)) {
    delete s;
    return nullptr;
  }
  sound.streams.push_back(s);
  return s;
}

int soundPlayStream(int channel, SoundStream* stream) {
  if (!sound.initialised || stream == nullptr) return -1;
  const int count = static_cast<int>(sound.channels.size());
  if (channel < 0) {
    channel = -1;
    for (int i = 0; i < count; ++i) {
      if (sound.channels[i] == nullptr || !sound.channels[i]->playing) {
        channel = i;
        break;
      }
    }
    if (channel < 0) return -1;
  } else if (channel >= count) {
    return -1;
  }
  lock();
  if (stream->channel >= 0 && stream->channel < count) sound.channels[stream->channel] = nullptr;
  if (stream->cursor.load() >= stream->lengthFrames) stream->cursor.store(0);
  sound.channels[channel] = stream;
  stream->channel = channel;
  setTiming(*stream, stream->cursor.load(), monotonicMs());
  stream->lastReported = stream->cursor.load();
  stream->playing.store(true, std::memory_order_release);
  unlock();
  if (hasDevice() && sound.devicePaused) {
    SDL_PauseAudioDevice(sound.device, 0);
    sound.devicePaused = false;
  }
  return channel;
}

bool soundSetPan(int channel, int pan) {
  if (channel < 0 || channel >= static_cast<int>(sound.channels.size()) || sound.channels[channel] == nullptr) {
    return false;
  }
  sound.channels[channel]->pan.store(pan, std::memory_order_relaxed);
  return true;
}

bool soundIsPlaying(int channel) {
  if (channel < 0 || channel >= static_cast<int>(sound.channels.size())) return false;
  SoundStream* s = sound.channels[channel];
  if (s == nullptr) return false;
  currentFrame(*s);
  return s->playing.load(std::memory_order_acquire);
}

int soundGetTimeMs(SoundStream* stream) {
  if (stream == nullptr) return 0;
  const int64_t frame = currentFrame(*stream);
  return static_cast<int>(frame * 1000 / stream->rate);
}

bool soundSetTimeMs(SoundStream* stream, int ms) {
  if (stream == nullptr || ms < 0) return false;
  const int64_t frame = std::min<int64_t>(static_cast<int64_t>(ms) * stream->rate / 1000, stream->lengthFrames);
  lock();
  stream->cursor.store(frame, std::memory_order_release);
  setTiming(*stream, frame, monotonicMs());
  stream->lastReported = frame;
  if (frame >= stream->lengthFrames) stream->playing.store(false, std::memory_order_release);
  unlock();
  return true;
}

int soundGetLengthMs(SoundStream* stream) {
  if (stream == nullptr) return 0;
  return static_cast<int>(stream->lengthFrames * 1000 / stream->rate);
}

bool soundCloseStream(SoundStream* stream) {
  auto it = std::find(sound.streams.begin(), sound.streams.end(), stream);
  if (it == sound.streams.end()) return false;
  lock();
  for (SoundStream*& c : sound.channels) {
    if (c == stream) c = nullptr;
  }
  unlock();
  sound.streams.erase(it);
  delete stream;
  return true;
}

void soundClose() {
  if (hasDevice()) {
    SDL_CloseAudioDevice(sound.device);
    sound.device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  for (SoundStream* s : sound.streams) delete s;
  sound.streams.clear();
  sound.channels.clear();
  sound.initialised = false;
}

}  // namespace glorbe
