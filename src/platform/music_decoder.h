// An MP3 file as 16-bit stereo at a fixed rate, decoded by libmpg123 on a
// thread of its own while the music plays.
//
// Opening scans the whole file (its exact length, and the seek index that
// makes every seek sample-accurate) but decodes nothing. The decoder then
// fills the whole-length buffer chunk by chunk, going on from the chunk the
// listener wants (where the music plays or was sought to) and coming round to
// the start at the end, so a seek decodes from its own position at once.
// Each chunk is published once it is complete; a chunk is never written again.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

typedef struct mpg123_handle_struct mpg123_handle;

namespace glorbe {

inline constexpr int64_t kMusicChunkFrames = 4096;

struct MusicDecoder {
  int rate = 44100;
  int64_t lengthFrames = 0;
  std::unique_ptr<int16_t[]> pcm;  // lengthFrames x 2, written by the decoder thread
  std::unique_ptr<std::atomic<uint8_t>[]> chunkReady;
  int64_t chunkCount = 0;
  std::atomic<int64_t> wantedFrame{0};
  std::atomic<bool> stop{false};
  mpg123_handle* handle = nullptr;  // the decoder thread's once it runs
  std::thread thread;
};

// Scans `path` for its length at `rate`; with `decode`, starts the decoder
// thread. False when the file is not an MP3 stream mpg123 can read.
bool openMusic(MusicDecoder& music, const std::string& path, int rate, bool decode);
// Stops the decoder thread and frees everything.
void closeMusic(MusicDecoder& music);
// The decoder goes on from this frame next.
void wantMusicFrom(MusicDecoder& music, int64_t frame);
// How many of the `count` frames from `frame` on are decoded (counted from
// `frame` up to the first chunk that is not).
int64_t readableMusicFrames(const MusicDecoder& music, int64_t frame, int64_t count);

}  // namespace glorbe
