#include "audio/mp3_writer.h"

#include <lame/lame.h>

#include <cstdio>
#include <memory>

namespace glorbe::tools {

bool writeMp3(const std::string& path, const std::vector<int16_t>& stereo, int rate, int kbps, std::string& error) {
  lame_t lame = lame_init();
  if (lame == nullptr) {
    error = "cannot start the MP3 encoder";
    return false;
  }
  std::unique_ptr<lame_global_flags, int (*)(lame_t)> owner(lame, lame_close);
  lame_set_in_samplerate(lame, rate);
  lame_set_out_samplerate(lame, rate);
  lame_set_num_channels(lame, 2);
  lame_set_brate(lame, kbps);
  lame_set_VBR(lame, vbr_off);
  lame_set_quality(lame, 2);
  lame_set_bWriteVbrTag(lame, 1);  // the Info tag lets decoders drop the padding exactly
  if (lame_init_params(lame) < 0) {
    error = "the MP3 encoder refused its settings";
    return false;
  }
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    error = "cannot write " + path;
    return false;
  }
  const int frames = static_cast<int>(stereo.size() / 2);
  std::vector<unsigned char> buffer(static_cast<size_t>(1.25 * 8192 + 7200) * 2);
  bool ok = true;
  for (int at = 0; at < frames && ok; at += 8192) {
    const int n = std::min(8192, frames - at);
    const int bytes = lame_encode_buffer_interleaved(lame, const_cast<short*>(stereo.data() + 2 * at), n,
                                                     buffer.data(), static_cast<int>(buffer.size()));
    ok = bytes >= 0 && std::fwrite(buffer.data(), 1, static_cast<size_t>(bytes), out) == static_cast<size_t>(bytes);
  }
  if (ok) {
    const int bytes = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    ok = bytes >= 0 && std::fwrite(buffer.data(), 1, static_cast<size_t>(bytes), out) == static_cast<size_t>(bytes);
  }
  if (ok) {
    // Rewrite the first frame with the finished Info tag (gapless length).
    const size_t tagSize = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
    if (tagSize > 0 && tagSize <= buffer.size()) {
      ok = std::fseek(out, 0, SEEK_SET) == 0 && std::fwrite(buffer.data(), 1, tagSize, out) == tagSize;
    }
  }
  if (std::fclose(out) != 0) ok = false;
  if (!ok) error = "cannot write " + path;
  return ok;
}

}  // namespace glorbe::tools
