// The sound layer on the no-sound output, with a stream made at test time.
#include <gtest/gtest.h>

#include <SDL.h>

#include <thread>

#include "audio/mp3_writer.h"
#include "audio/test_tune.h"
#include "platform/monotonic_clock.h"
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
