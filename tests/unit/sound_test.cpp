// The sound layer on the no-sound output, with a stream made at test time.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "audio/mp3_writer.h"
#include "audio/test_tune.h"
#include "platform/monotonic_clock.h"
#include "platform/music_decoder.h"
#include "platform/sound.h"
#include "test_files.h"

namespace glorbe {
namespace {

class NoSoundStream : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(tools::writeMp3(dir.file("tune.mp3"), tools::renderTestTune(2.0, 44100), 44100, 192, error)) << error;
    ASSERT_TRUE(soundSetOutput(SoundOutputNone));
    ASSERT_TRUE(soundInit(44100, 4));
    stream = soundOpenStream(dir.file("tune.mp3"));
    ASSERT_NE(stream, nullptr);
  }
  void TearDown() override { soundClose(); }

  testing::ScratchDir dir;
  SoundStream* stream = nullptr;
};

TEST_F(NoSoundStream, LengthIsExact) {
  // 2 s of samples; the encoder's padding is removed by the gapless info.
  EXPECT_EQ(soundGetLengthMs(stream), 2000);
}

TEST_F(NoSoundStream, PositionFollowsTheMonotonicClock) {
  const int channel = soundPlayStream(-1, stream);
  ASSERT_EQ(channel, 0);
  EXPECT_TRUE(soundIsPlaying(channel));
  const double start = monotonicMs();
  const int startPos = soundGetTimeMs(stream);
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  const int pos = soundGetTimeMs(stream);
  const double elapsed = monotonicMs() - start;
  EXPECT_NEAR(pos - startPos, elapsed, 5.0);
}

TEST_F(NoSoundStream, SeekAndEnd) {
  const int channel = soundPlayStream(-1, stream);
  ASSERT_TRUE(soundSetTimeMs(stream, 1900));
  const int pos = soundGetTimeMs(stream);
  EXPECT_GE(pos, 1900);
  EXPECT_LT(pos, 1950);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_FALSE(soundIsPlaying(channel));
  EXPECT_EQ(soundGetTimeMs(stream), 2000) << "the position stops at the length";
}

TEST_F(NoSoundStream, PauseHoldsThePositionAndPlayOnGoesOnFromIt) {
  EXPECT_FALSE(soundPauseStream(stream)) << "a stream that does not play cannot pause";
  const int channel = soundPlayStream(-1, stream);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_TRUE(soundPauseStream(stream));
  EXPECT_FALSE(soundIsPlaying(channel));
  const int held = soundGetTimeMs(stream);
  EXPECT_GE(held, 150);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(soundGetTimeMs(stream), held) << "paused, the position stands";
  // A seek while paused moves it and it stays there.
  ASSERT_TRUE(soundSetTimeMs(stream, 1000));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(soundGetTimeMs(stream), 1000);
  EXPECT_FALSE(soundIsPlaying(channel));
  ASSERT_EQ(soundPlayStream(channel, stream), channel);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const int after = soundGetTimeMs(stream);
  EXPECT_GE(after, 1150) << "played on from where it was held";
  EXPECT_LT(after, 1700);
}

TEST_F(NoSoundStream, NeverStepsBackWhilePlaying) {
  soundPlayStream(-1, stream);
  int last = 0;
  for (int i = 0; i < 20000; ++i) {
    const int now = soundGetTimeMs(stream);
    ASSERT_GE(now, last);
    last = now;
  }
}

TEST_F(NoSoundStream, ChannelsAndBadStreams) {
  EXPECT_EQ(soundPlayStream(-1, nullptr), -1);
  EXPECT_EQ(soundPlayStream(7, stream), -1) << "only four channels";
  EXPECT_EQ(soundOpenStream(dir.file("missing.mp3")), nullptr);
  dir.write("noise.mp3", std::string(5000, '\x55'));
  EXPECT_EQ(soundOpenStream(dir.file("noise.mp3")), nullptr);
  EXPECT_FALSE(soundIsPlaying(3));
  EXPECT_FALSE(soundIsPlaying(-1));
}

TEST(SoundLayer, OutputChoiceAndInitOrder) {
  EXPECT_FALSE(soundSetOutput(4));
  EXPECT_FALSE(soundSetOutput(-1));
  EXPECT_EQ(soundOpenStream("whatever.mp3"), nullptr) << "nothing opens before init";
  ASSERT_TRUE(soundSetOutput(SoundOutputNone));
  ASSERT_TRUE(soundInit(44100, 4));
  EXPECT_FALSE(soundSetOutput(SoundOutputAlsa)) << "the output is fixed once initialised";
  EXPECT_FALSE(soundInit(44100, 4));
  soundClose();
}

}  // namespace
}  // namespace glorbe

namespace glorbe {
namespace {

// SDL's dummy driver consumes samples at real-time speed without hardware, so
// the decoded-stream path and its interpolated position run as on a device.
TEST(DeviceStream, DecodedStreamPlaysThroughTheDummyDriver) {
  testing::ScratchDir dir;
  std::string error;
  ASSERT_TRUE(tools::writeMp3(dir.file("tune.mp3"), tools::renderTestTune(1.0, 44100), 44100, 192, error)) << error;
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_TRUE(soundSetOutput(SoundOutputDefault));
  ASSERT_TRUE(soundInit(44100, 4));
  SoundStream* stream = soundOpenStream(dir.file("tune.mp3"));
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(soundGetLengthMs(stream), 1000);
  const int channel = soundPlayStream(-1, stream);
  ASSERT_GE(channel, 0);
  int last = 0;
  const double start = monotonicMs();
  double readAt = start;
  while (readAt - start < 400) {
    const int now = soundGetTimeMs(stream);
    readAt = monotonicMs();
    ASSERT_GE(now, last) << "the position never steps back";
    ASSERT_LT(now, readAt - start + 50) << "the position never runs ahead of the time played";
    last = now;
  }
  EXPECT_GT(last, 50) << "the position advances while the device plays";
  // The dummy driver runs at about real-time speed; a loaded machine slows it.
  while (soundIsPlaying(channel) && monotonicMs() - start < 8000) {
    const int now = soundGetTimeMs(stream);
    ASSERT_GE(now, last);
    last = now;
  }
  EXPECT_FALSE(soundIsPlaying(channel)) << "the channel stops at the end";
  EXPECT_EQ(soundGetTimeMs(stream), 1000) << "and rests at the length";

  // Paused on a device, the position stands and the mixer leaves the stream alone.
  ASSERT_TRUE(soundSetTimeMs(stream, 200));
  ASSERT_EQ(soundPlayStream(channel, stream), channel);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(soundPauseStream(stream));
  const int held = soundGetTimeMs(stream);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(soundGetTimeMs(stream), held);
  EXPECT_FALSE(soundIsPlaying(channel));
  soundClose();
  unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
}  // namespace glorbe

namespace glorbe {
namespace {

// A device that disappears in the middle of the music (closed under the sound
// layer, as an unplugged card is): the position goes on at real-time speed
// from the monotonic clock, never back, and the stream still ends.
TEST(DeviceStream, PositionGoesOnWhenTheDeviceIsClosedUnderIt) {
  testing::ScratchDir dir;
  std::string error;
  ASSERT_TRUE(tools::writeMp3(dir.file("tune.mp3"), tools::renderTestTune(2.5, 44100), 44100, 192, error)) << error;
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_TRUE(soundSetOutput(SoundOutputDefault));
  ASSERT_TRUE(soundInit(44100, 4));
  SoundStream* stream = soundOpenStream(dir.file("tune.mp3"));
  ASSERT_NE(stream, nullptr);
  const int channel = soundPlayStream(-1, stream);
  ASSERT_GE(channel, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // SDL numbers opened devices from 2; the sound layer's is the only one.
  ASSERT_EQ(SDL_GetAudioDeviceStatus(2), SDL_AUDIO_PLAYING);
  SDL_CloseAudioDevice(2);
  const int atClose = soundGetTimeMs(stream);
  const double closedAt = monotonicMs();
  int last = atClose;
  double readAt = closedAt;
  while (readAt - closedAt < 1500) {
    const int now = soundGetTimeMs(stream);
    readAt = monotonicMs();
    ASSERT_GE(now, last) << "the position never steps back";
    ASSERT_LE(now - atClose, readAt - closedAt + 5) << "nor runs faster than real time";
    last = now;
  }
  // The clock waits at most the staleness limit (0.5 s) before it runs on alone.
  EXPECT_GT(last - atClose, readAt - closedAt - 600) << "the position went on after the device was closed";
  while (soundIsPlaying(channel) && monotonicMs() - closedAt < 8000) {
  }
  EXPECT_FALSE(soundIsPlaying(channel)) << "the stream still ends";
  EXPECT_EQ(soundGetTimeMs(stream), 2500);
  soundClose();
  unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
}  // namespace glorbe

namespace glorbe {
namespace {

// A play where nothing is decoded yet, on a device that takes sound as fast
// as it is given (SDL's disk driver with no delay, writing into a pipe): the
// device gets the music from the exact start frame, and at least 0.4 s of
// it without a gap, although the decoder starts far from that frame. Before,
// the music began as soon as its first chunk was decoded and the device
// could run past the decoder a moment later (a race, so several starts).
constexpr size_t kStartWanted = 17640;  // 0.4 s

// Plays `path` from `ms` on a fresh disk device; the first kStartWanted
// frames of sound the device got.
std::vector<int16_t> soundAfterStart(const std::string& path, int ms, const std::string& pipe) {
  std::vector<int16_t> heard;
  if (mkfifo(pipe.c_str(), 0600) != 0) return heard;
  std::atomic<bool> gathered{false};
  std::thread reader([&] {
    FILE* in = std::fopen(pipe.c_str(), "rb");  // waits for the device to open its end
    if (in == nullptr) return;
    std::vector<int16_t> block(2 * 16384);
    size_t frames = 0;
    while ((frames = std::fread(block.data(), 4, block.size() / 2, in)) > 0) {
      for (size_t i = 0; i < frames && heard.size() < 2 * kStartWanted; ++i) {
        if (heard.empty() && block[2 * i] == 0 && block[2 * i + 1] == 0) continue;
        heard.insert(heard.end(), &block[2 * i], &block[2 * i + 2]);
        if (heard.size() == 2 * kStartWanted) gathered = true;
      }
    }
    std::fclose(in);
  });
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", pipe.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  const bool opened = soundSetOutput(SoundOutputDefault) && soundInit(44100, 4);
  SoundStream* stream = opened ? soundOpenStream(path) : nullptr;
  if (stream != nullptr) {
    soundSetTimeMs(stream, ms);
    soundPlayStream(-1, stream);
    const double start = monotonicMs();
    while (!gathered && monotonicMs() - start < 10000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  soundClose();  // closes the device's end of the pipe, so the reader ends
  if (!opened) {
    if (FILE* out = std::fopen(pipe.c_str(), "wb")) std::fclose(out);  // the reader still waits for a writer
  }
  reader.join();
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");
  unsetenv("SDL_DISKAUDIODELAY");
  std::remove(pipe.c_str());
  return heard;
}

TEST(DeviceStream, MusicStartsWithoutAGapWhereNothingWasDecoded) {
  testing::ScratchDir dir;
  std::string error;
  const std::string tune = dir.file("tune.mp3");
  ASSERT_TRUE(tools::writeMp3(tune, tools::renderTestTune(4.0, 44100), 44100, 192, error)) << error;

  // The same music decoded on its own, from the start to the end.
  MusicDecoder music;
  ASSERT_TRUE(openMusic(music, tune, 44100, true));
  const double start = monotonicMs();
  while (readableMusicFrames(music, 0, music.lengthFrames) < music.lengthFrames && monotonicMs() - start < 10000)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(readableMusicFrames(music, 0, music.lengthFrames), music.lengthFrames);

  for (int ms : {3000, 2500, 1200, 3100, 2000, 1700}) {
    const std::vector<int16_t> heard = soundAfterStart(tune, ms, dir.file("device.raw"));
    ASSERT_EQ(heard.size(), 2 * kStartWanted) << "from " << ms << " ms the device got too little music";
    int64_t first = static_cast<int64_t>(ms) * 441 / 10;
    while (first < music.lengthFrames && music.pcm[2 * first] == 0 && music.pcm[2 * first + 1] == 0) ++first;
    ASSERT_LE(first + static_cast<int64_t>(kStartWanted), music.lengthFrames);
    size_t same = 0;
    while (same < kStartWanted && heard[2 * same] == music.pcm[2 * (first + same)] &&
           heard[2 * same + 1] == music.pcm[2 * (first + same) + 1])
      ++same;
    EXPECT_EQ(same, kStartWanted) << "from " << ms << " ms the music heard parts from the music at frame " << same;
  }
  closeMusic(music);
}

}  // namespace
}  // namespace glorbe
