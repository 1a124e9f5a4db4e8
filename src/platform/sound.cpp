// Sound layer: libmpg123 decoding (music_decoder) and three kinds of output:
// PulseAudio and ALSA written from a thread of our own (sound_devices), any
// other SDL2 audio driver through SDL's callback, and no device at all.
//
// The mixer hands the device blocks of frames and notes where each stream's
// frames went in the device's sequence. After each block the device says how
// many frames wait in it, which gives the stream frame being heard at that
// moment; the clock the engine reads is that frame, interpolated at
// real-time speed from the monotonic clock between blocks, never past what
// was handed to the device, never backwards, and eased onto each new
// measurement so it stays smooth. A stream that was just started or sought
// begins once enough of it is decoded and holds its position until its first
// frame is heard. When the device stops answering (it failed, or was
// unplugged) the clock goes on from the monotonic clock alone, so the show
// never freezes.
#include "platform/sound.h"

#include <SDL.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/alsa_messages.h"
#include "platform/monotonic_clock.h"
#include "platform/music_decoder.h"
#include "platform/sound_devices.h"

namespace glorbe {

namespace {

// About this much sound is queued in a PulseAudio or ALSA device: a loaded
// two-core machine can leave the writer thread waiting this long without a
// gap. The latency is measured, so its size does not move the clock.
constexpr int kDeviceBufferMs = 200;
constexpr int kBlockFrames = 441;  // 10 ms at 44.1 kHz, one write
// A device that has not taken sound for this long has stopped; the clock
// then runs on the monotonic clock.
constexpr double kStaleMs = 500.0;
// Differences between the clock and the measured position up to this are
// eased away; larger ones are jumped forward or waited out.
constexpr double kEaseLimitMs = 20.0;
// The clock may run ahead of the sound heard by this much before it waits.
constexpr double kLeadLimitMs = 2.0;
// A play or seek starts once this much music from its position is decoded:
// a device queue is filled at once when the music starts, and the decoder,
// which may just have been sent to a new place, must not fall behind it (the
// music would stop for a moment right after it began).
constexpr int kStartLeadMs = 2 * kDeviceBufferMs;

}  // namespace

struct SoundStream {
  MusicDecoder music;
  int rate = 44100;
  int64_t lengthFrames = 0;

  // Changed by the main thread under the mix lock; read by the mixer.
  std::atomic<int64_t> cursor{0};  // the next frame handed to the device
  std::atomic<bool> playing{false};
  std::atomic<int> pan{-1};
  std::atomic<int64_t> startFrame{0};  // where the last play or seek began
  int channel = -1;

  // The mixer's record of where the current run of frames went: stream frame
  // anchorFrame is device frame anchorDevice. Mixer side, under the lock.
  bool placed = false;
  int64_t anchorFrame = 0, anchorDevice = 0;

  // The frame heard at heardAtMs, published by the mixer side under a
  // sequence counter so the main thread reads a consistent pair without the
  // lock. live is false until the first frame of a play or seek was placed.
  std::atomic<uint32_t> timingSequence{0};
  std::atomic<double> heardFrame{0.0};
  std::atomic<double> heardAtMs{0.0};
  std::atomic<bool> live{false};

  // Main thread only: the reported clock.
  double reported = 0.0;
  double reportedAtMs = 0.0;
};

namespace {

enum class DeviceKind { none, push, sdl };

struct SoundSystem {
  int output = SoundOutputDefault;
  bool initialised = false;
  int mixRate = 44100;
  DeviceKind kind = DeviceKind::none;
  std::vector<SoundStream*> channels;
  std::vector<SoundStream*> streams;

  std::mutex mixLock;           // the mixer against play, seek, pan and close
  int64_t deviceFrames = 0;     // frames handed to the device so far (mixer side)
  bool flushPending = false;    // drop what the device holds before the next block
  std::vector<int32_t> mixBuffer;

  PushDevice* push = nullptr;
  std::thread writer;
  std::atomic<int> writerGeneration{0};  // a writer whose generation is past ends
  std::shared_ptr<std::atomic<bool>> writerDone;  // set by the writer as it ends

  SDL_AudioDeviceID sdlDevice = 0;
  int sdlBufferFrames = 0;
  bool sdlPaused = true;
};

SoundSystem sound;

double framesPerMs(const SoundStream& s) { return s.rate / 1000.0; }

void publishHeard(SoundStream& s, double frame, double atMs) {
  s.timingSequence.fetch_add(1, std::memory_order_acq_rel);
  s.heardFrame.store(frame, std::memory_order_relaxed);
  s.heardAtMs.store(atMs, std::memory_order_relaxed);
  s.timingSequence.fetch_add(1, std::memory_order_release);
}

void readHeard(const SoundStream& s, double& frame, double& atMs) {
  for (;;) {
    const uint32_t before = s.timingSequence.load(std::memory_order_acquire);
    frame = s.heardFrame.load(std::memory_order_relaxed);
    atMs = s.heardAtMs.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if ((before & 1) == 0 && s.timingSequence.load(std::memory_order_relaxed) == before) return;
  }
}

// A play or a seek: the stream starts over at `frame`, not heard yet. Under
// the mix lock.
void restartStream(SoundStream& s, int64_t frame, double now) {
  s.cursor.store(frame, std::memory_order_release);
  s.startFrame.store(frame, std::memory_order_relaxed);
  s.placed = false;
  s.live.store(false, std::memory_order_relaxed);
  publishHeard(s, static_cast<double>(frame), now);
  s.reported = static_cast<double>(frame);
  s.reportedAtMs = now;
  wantMusicFrom(s.music, frame);
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

// Mixes the next block of the device into `out`. Returns true when the device
// should drop what it holds before this block is written (a play or seek
// came). Runs on the device's thread.
bool mixBlock(int16_t* out, int frames, double now) {
  std::lock_guard<std::mutex> hold(sound.mixLock);
  std::vector<int32_t>& mix = sound.mixBuffer;
  mix.assign(static_cast<size_t>(frames) * 2, 0);  // keeps its capacity between blocks
  const int64_t deviceStart = sound.deviceFrames;
  for (SoundStream* s : sound.channels) {
    if (s == nullptr || !s->playing.load(std::memory_order_acquire)) continue;
    int64_t cursor = s->cursor.load(std::memory_order_relaxed);
    // Back from a stall that the clock ran through: the sound skips ahead
    // by the time it missed, so that it meets the clock again. Once: a skip
    // waiting for its music to be decoded is not skipped on again.
    if (s->placed && s->live.load(std::memory_order_relaxed)) {
      double heard = 0, heardAt = 0;
      readHeard(*s, heard, heardAt);
      if (now - heardAt > kStaleMs) {
        cursor = std::min<int64_t>(s->lengthFrames, cursor + static_cast<int64_t>((now - heardAt) * framesPerMs(*s)));
        s->placed = false;
      }
    }
    if (!s->placed) {
      const int64_t lead =
          std::min<int64_t>(static_cast<int64_t>(kStartLeadMs * framesPerMs(*s)), s->lengthFrames - cursor);
      if (readableMusicFrames(s->music, cursor, lead) < lead) {
        s->cursor.store(cursor, std::memory_order_release);
        continue;  // silence until the decoder is far enough ahead
      }
    }
    const int64_t ready = readableMusicFrames(s->music, cursor, frames);
    if (ready > 0) {
      if (!s->placed || s->anchorDevice + (cursor - s->anchorFrame) != deviceStart) {
        s->anchorFrame = cursor;
        s->anchorDevice = deviceStart;
        s->placed = true;
      }
      int32_t gl, gr;
      panGains(s->pan.load(std::memory_order_relaxed), gl, gr);
      const int16_t* pcm = s->music.pcm.get() + cursor * 2;
      for (int64_t i = 0; i < ready; ++i) {
        mix[2 * i] += pcm[2 * i] * gl / 256;
        mix[2 * i + 1] += pcm[2 * i + 1] * gr / 256;
      }
    }
    s->cursor.store(cursor + ready, std::memory_order_release);
  }
  sound.deviceFrames += frames;
  for (int i = 0; i < frames * 2; ++i) out[i] = static_cast<int16_t>(std::clamp(mix[i], -32768, 32767));
  const bool flush = sound.flushPending;
  sound.flushPending = false;
  return flush;
}

// The device says that device frame `heardDevice` is heard at `now`.
void deviceHeard(double heardDevice, double now) {
  std::lock_guard<std::mutex> hold(sound.mixLock);
  for (SoundStream* s : sound.channels) {
    if (s == nullptr || !s->playing.load(std::memory_order_relaxed) || !s->placed) continue;
    publishHeard(*s, static_cast<double>(s->anchorFrame) + (heardDevice - static_cast<double>(s->anchorDevice)), now);
    s->live.store(true, std::memory_order_release);
  }
}

// ---- outputs -------------------------------------------------------------------------------

void writerLoop(PushDevice* device, int generation, std::shared_ptr<std::atomic<bool>> done) {
  // Where the system allows it (root, or a real-time limit), the writer runs
  // before ordinary work, as sound servers do; it sleeps in the device most
  // of the time. Elsewhere the buffer alone has to cover the waits.
  sched_param param{};
  param.sched_priority = 1;
  pthread_setschedparam(pthread_self(), SCHED_RR, &param);
  std::vector<int16_t> block(static_cast<size_t>(kBlockFrames) * 2);
  while (sound.writerGeneration.load() == generation) {
    if (mixBlock(block.data(), kBlockFrames, monotonicMs())) flushPushDevice(device);
    if (!writePushDevice(device, block.data(), kBlockFrames)) break;  // the device is gone
    const double delay = pushDeviceDelay(device);
    if (delay < 0) continue;
    const double now = monotonicMs();
    int64_t written = 0;
    {
      std::lock_guard<std::mutex> hold(sound.mixLock);
      written = sound.deviceFrames;
    }
    deviceHeard(static_cast<double>(written) - delay, now);
  }
  done->store(true);
}

void sdlCallback(void*, Uint8* bytes, int len) {
  const double now = monotonicMs();
  int64_t start = 0;
  {
    std::lock_guard<std::mutex> hold(sound.mixLock);
    start = sound.deviceFrames;
  }
  mixBlock(reinterpret_cast<int16_t*>(bytes), len / 4, now);
  // SDL asks for a block when the one before it starts playing: the frames
  // handed over now are heard about one device buffer later.
  deviceHeard(static_cast<double>(start - sound.sdlBufferFrames), now);
}

bool openSdl(int mixRate) {
  SDL_AudioSpec want{};
  SDL_AudioSpec have{};
  want.freq = mixRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = sdlCallback;
  sound.sdlDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (sound.sdlDevice == 0) return false;
  sound.sdlBufferFrames = have.samples;
  sound.sdlPaused = true;
  sound.kind = DeviceKind::sdl;
  return true;
}

bool openPush(PushDevice* device) {
  if (device == nullptr) return false;
  sound.push = device;
  sound.kind = DeviceKind::push;
  sound.writerDone = std::make_shared<std::atomic<bool>>(false);
  sound.writer = std::thread(writerLoop, device, sound.writerGeneration.load(), sound.writerDone);
  return true;
}

// SDL must not take SIGINT and SIGTERM from the program.
bool initSdlAudio(const char* driver) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (driver != nullptr) setenv("SDL_AUDIODRIVER", driver, 1);
  return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

bool openDevice(int mixRate) {
  silenceAlsaLibraryMessages();
  if (sound.output == SoundOutputPulse) return openPush(openPulseDevice(mixRate, kDeviceBufferMs));
  if (sound.output == SoundOutputAlsa) return openPush(openAlsaDevice(mixRate, kDeviceBufferMs));
  // The default output is the one SDL picks. When that is PulseAudio or ALSA
  // the music is written to it directly, where its latency can be asked.
  if (!initSdlAudio(nullptr)) return false;
  const char* driver = SDL_GetCurrentAudioDriver();
  const bool pulse = driver != nullptr && std::strcmp(driver, "pulseaudio") == 0;
  const bool alsa = driver != nullptr && std::strcmp(driver, "alsa") == 0;
  if (pulse || alsa) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (openPush(pulse ? openPulseDevice(mixRate, kDeviceBufferMs) : openAlsaDevice(mixRate, kDeviceBufferMs)))
      return true;
    if (!initSdlAudio(nullptr)) return false;
  }
  if (openSdl(mixRate)) return true;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  return false;
}

// False when a writer thread had to be left behind in a device that stopped
// answering: what it may still touch must then stay allocated.
bool closeDevice() {
  bool clean = true;
  if (sound.kind == DeviceKind::push) {
    sound.writerGeneration.fetch_add(1);
    // A writer stuck in a device that stopped answering is left behind
    // rather than holding up the end of the program.
    const double start = monotonicMs();
    bool ended = false;
    while (!(ended = sound.writerDone->load()) && monotonicMs() - start < 1000.0)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (ended) {
      sound.writer.join();
      closePushDevice(sound.push);
    } else {
      sound.writer.detach();
      clean = false;
    }
    sound.push = nullptr;
  } else if (sound.kind == DeviceKind::sdl) {
    SDL_CloseAudioDevice(sound.sdlDevice);
    sound.sdlDevice = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  sound.kind = DeviceKind::none;
  return clean;
}

// ---- the clock -------------------------------------------------------------------------------

// The reported frame (main thread); also notices the end of the stream.
int64_t currentFrame(SoundStream& s) {
  if (!s.playing.load(std::memory_order_acquire)) return s.cursor.load(std::memory_order_acquire);
  const double now = monotonicMs();
  const double perMs = framesPerMs(s);
  const double predicted = s.reported + (now - s.reportedAtMs) * perMs;
  double next = predicted;
  if (sound.kind != DeviceKind::none) {
    double heard = 0, heardAt = 0;
    readHeard(s, heard, heardAt);
    const bool stale = now - heardAt > kStaleMs;
    if (!stale) {
      const double start = static_cast<double>(s.startFrame.load(std::memory_order_relaxed));
      double measured = start;
      if (s.live.load(std::memory_order_acquire)) {
        measured = std::clamp(heard + (now - heardAt) * perMs, start,
                              static_cast<double>(s.cursor.load(std::memory_order_acquire)));
      }
      const double difference = measured - predicted;
      const double step = (now - s.reportedAtMs) * perMs;
      if (difference > kEaseLimitMs * perMs) {
        next = measured;
      } else {
        next = std::min(predicted + std::clamp(difference, -0.25 * step, 0.25 * step),
                        measured + kLeadLimitMs * perMs);
      }
    }
  }
  s.reported = std::min(std::max(s.reported, next), static_cast<double>(s.lengthFrames));
  s.reportedAtMs = now;
  const int64_t frame = static_cast<int64_t>(s.reported);
  if (frame >= s.lengthFrames) {
    std::lock_guard<std::mutex> hold(sound.mixLock);
    s.playing.store(false, std::memory_order_release);
    s.cursor.store(s.lengthFrames, std::memory_order_release);  // a stopped stream rests at its end
  }
  return frame;
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
  sound.mixRate = mixRate;
  sound.kind = DeviceKind::none;
  sound.deviceFrames = 0;
  sound.flushPending = false;
  if (sound.output != SoundOutputNone && !openDevice(mixRate)) return false;
  {
    std::lock_guard<std::mutex> hold(sound.mixLock);
    sound.channels.assign(static_cast<size_t>(maxChannels), nullptr);
  }
  sound.initialised = true;
  return true;
}

SoundStream* soundOpenStream(const std::string& path) {
  if (!sound.initialised) return nullptr;
  auto* s = new SoundStream;
  if (!openMusic(s->music, path, sound.mixRate, sound.kind != DeviceKind::none)) {
    delete s;
    return nullptr;
  }
  s->rate = s->music.rate;
  s->lengthFrames = s->music.lengthFrames;
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
  {
    std::lock_guard<std::mutex> hold(sound.mixLock);
    if (stream->channel >= 0 && stream->channel < count) sound.channels[stream->channel] = nullptr;
    sound.channels[channel] = stream;
    stream->channel = channel;
    const int64_t from = stream->cursor.load() >= stream->lengthFrames ? 0 : stream->cursor.load();
    restartStream(*stream, from, monotonicMs());
    // Silence queued while nothing played is dropped, so the music starts
    // as soon as it can (unless other streams are playing).
    bool othersPlaying = false;
    for (SoundStream* s : sound.channels) othersPlaying = othersPlaying || (s != nullptr && s != stream && s->playing);
    if (!othersPlaying) sound.flushPending = true;
    stream->playing.store(true, std::memory_order_release);
  }
  if (sound.kind == DeviceKind::sdl && sound.sdlPaused) {
    SDL_PauseAudioDevice(sound.sdlDevice, 0);
    sound.sdlPaused = false;
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

bool soundPauseStream(SoundStream* stream) {
  if (stream == nullptr || !stream->playing.load(std::memory_order_acquire)) return false;
  const int64_t frame = currentFrame(*stream);
  std::lock_guard<std::mutex> hold(sound.mixLock);
  if (!stream->playing.load(std::memory_order_relaxed)) return false;  // it reached its end just now
  stream->playing.store(false, std::memory_order_release);
  restartStream(*stream, frame, monotonicMs());
  sound.flushPending = true;  // what the device holds is not heard
  return true;
}

int soundGetTimeMs(SoundStream* stream) {
  if (stream == nullptr) return 0;
  const int64_t frame = currentFrame(*stream);
  return static_cast<int>(frame * 1000 / stream->rate);
}

bool soundSetTimeMs(SoundStream* stream, int ms) {
  if (stream == nullptr || ms < 0) return false;
  const int64_t frame = std::min<int64_t>(static_cast<int64_t>(ms) * stream->rate / 1000, stream->lengthFrames);
  std::lock_guard<std::mutex> hold(sound.mixLock);
  restartStream(*stream, frame, monotonicMs());
  if (stream->playing.load()) sound.flushPending = true;  // what the device holds is from before the seek
  if (frame >= stream->lengthFrames) stream->playing.store(false, std::memory_order_release);
  return true;
}

int soundGetLengthMs(SoundStream* stream) {
  if (stream == nullptr) return 0;
  return static_cast<int>(stream->lengthFrames * 1000 / stream->rate);
}

bool soundCloseStream(SoundStream* stream) {
  auto it = std::find(sound.streams.begin(), sound.streams.end(), stream);
  if (it == sound.streams.end()) return false;
  {
    std::lock_guard<std::mutex> hold(sound.mixLock);
    for (SoundStream*& c : sound.channels) {
      if (c == stream) c = nullptr;
    }
  }
  sound.streams.erase(it);
  closeMusic(stream->music);
  delete stream;
  return true;
}

void soundClose() {
  const bool clean = closeDevice();
  {
    std::lock_guard<std::mutex> hold(sound.mixLock);
    for (SoundStream*& c : sound.channels) c = nullptr;
  }
  // The channels are empty now, so even a writer left behind no longer
  // reaches the streams.
  (void)clean;
  for (SoundStream* s : sound.streams) {
    closeMusic(s->music);
    delete s;
  }
  sound.streams.clear();
  sound.initialised = false;
}

}  // namespace glorbe
