// The background MP3 decoder of the sound layer; see music_decoder.h.
#include "platform/music_decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>

namespace glorbe {

namespace {

bool mpg123Ready() {
  static const bool ready = mpg123_init() == MPG123_OK;
  return ready;
}

// Decodes frames [first, first + count) into the buffer; what cannot be
// decoded is left silent, so a damaged stretch never stalls playback.
void decodeChunk(MusicDecoder& music, int64_t first, int64_t count, int64_t& position) {
  int16_t* out = music.pcm.get() + first * 2;
  size_t wanted = static_cast<size_t>(count) * 4;
  size_t filled = 0;
  if (position != first) {
    position = mpg123_seek(music.handle, static_cast<off_t>(first), SEEK_SET) == first ? first : -1;
  }
  if (position == first) {
    while (filled < wanted) {
      size_t done = 0;
      const int r = mpg123_read(music.handle, reinterpret_cast<unsigned char*>(out) + filled, wanted - filled, &done);
      filled += done;
      if (r != MPG123_OK && r != MPG123_NEW_FORMAT) break;
    }
  }
  filled -= filled % 4;
  if (filled < wanted) std::memset(reinterpret_cast<unsigned char*>(out) + filled, 0, wanted - filled);
  position = filled == wanted ? first + count : -1;
}

void decoderThread(MusicDecoder* music) {
  int64_t position = 0;  // the next frame mpg123 delivers; -1 when unknown
  while (!music->stop.load(std::memory_order_relaxed)) {
    const int64_t from = std::clamp<int64_t>(music->wantedFrame.load(std::memory_order_relaxed) / kMusicChunkFrames,
                                             0, music->chunkCount - 1);
    int64_t chunk = -1;
    for (int64_t i = 0; i < music->chunkCount; ++i) {
      const int64_t c = (from + i) % music->chunkCount;
      if (music->chunkReady[c].load(std::memory_order_relaxed) == 0) {
        chunk = c;
        break;
      }
    }
    if (chunk < 0) break;  // everything is decoded
    const int64_t first = chunk * kMusicChunkFrames;
    decodeChunk(*music, first, std::min(kMusicChunkFrames, music->lengthFrames - first), position);
    music->chunkReady[chunk].store(1, std::memory_order_release);
  }
  mpg123_close(music->handle);
  mpg123_delete(music->handle);
  music->handle = nullptr;
}

}  // namespace

bool openMusic(MusicDecoder& music, const std::string& path, int rate, bool decode) {
  if (!mpg123Ready()) return false;
  int err = MPG123_OK;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (mh == nullptr) return false;
  mpg123_param(mh, MPG123_FLAGS, MPG123_FORCE_STEREO | MPG123_GAPLESS | MPG123_QUIET, 0);
  mpg123_format_none(mh);
  long fileRate = 0;
  int channels = 0, encoding = 0;
  off_t length = 0;
  const bool ok = mpg123_format(mh, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK &&
                  mpg123_open(mh, path.c_str()) == MPG123_OK && mpg123_scan(mh) == MPG123_OK &&
                  mpg123_getformat(mh, &fileRate, &channels, &encoding) == MPG123_OK && fileRate > 0 &&
                  channels == 2 && (length = mpg123_length(mh)) > 0;
  if (!ok) {
    mpg123_close(mh);
    mpg123_delete(mh);
    return false;
  }
  music.rate = static_cast<int>(fileRate);
  music.lengthFrames = static_cast<int64_t>(length);
  if (!decode) {
    mpg123_close(mh);
    mpg123_delete(mh);
    return true;
  }
  // Not zero-filled: the decoder writes every frame before its chunk is
  // published, and pages are only touched as the music is decoded.
  music.pcm.reset(new int16_t[static_cast<size_t>(music.lengthFrames) * 2]);
  music.chunkCount = (music.lengthFrames + kMusicChunkFrames - 1) / kMusicChunkFrames;
  music.chunkReady.reset(new std::atomic<uint8_t>[static_cast<size_t>(music.chunkCount)]);
  for (int64_t c = 0; c < music.chunkCount; ++c) music.chunkReady[c].store(0, std::memory_order_relaxed);
  music.handle = mh;
  music.thread = std::thread(decoderThread, &music);
  return true;
}

void closeMusic(MusicDecoder& music) {
  music.stop.store(true);
  if (music.thread.joinable()) music.thread.join();
  if (music.handle != nullptr) {
    mpg123_close(music.handle);
    mpg123_delete(music.handle);
    music.handle = nullptr;
  }
  music.pcm.reset();
  music.chunkReady.reset();
  music.chunkCount = 0;
}

void wantMusicFrom(MusicDecoder& music, int64_t frame) { music.wantedFrame.store(frame, std::memory_order_relaxed); }

int64_t readableMusicFrames(const MusicDecoder& music, int64_t frame, int64_t count) {
  if (music.pcm == nullptr || frame < 0) return 0;
  const int64_t end = std::min(frame + count, music.lengthFrames);
  int64_t at = frame;
  while (at < end) {
    if (music.chunkReady[at / kMusicChunkFrames].load(std::memory_order_acquire) == 0) break;
    at = (at / kMusicChunkFrames + 1) * kMusicChunkFrames;
  }
  return std::max<int64_t>(0, std::min(at, end) - frame);
}

}  // namespace glorbe
