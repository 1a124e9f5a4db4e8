// PulseAudio and ALSA playback devices; see sound_devices.h.
#include "platform/sound_devices.h"

#include <alsa/asoundlib.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <cerrno>

namespace glorbe {

struct PushDevice {
  pa_simple* pulse = nullptr;
  snd_pcm_t* alsa = nullptr;
  int rate = 44100;
};

PushDevice* openPulseDevice(int rate, int bufferMs) {
  pa_sample_spec spec{};
  spec.format = PA_SAMPLE_S16LE;
  spec.rate = static_cast<uint32_t>(rate);
  spec.channels = 2;
  // The server keeps about bufferMs queued and asks for more every tenth of
  // it: enough that a busy machine does not starve the stream.
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(bufferMs) * 1000, &spec));
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(bufferMs) * 100, &spec));
  attr.fragsize = static_cast<uint32_t>(-1);
  int error = 0;
  pa_simple* pulse =
      pa_simple_new(nullptr, "glORBE", PA_STREAM_PLAYBACK, nullptr, "music", &spec, nullptr, &attr, &error);
  if (pulse == nullptr) return nullptr;
  auto* device = new PushDevice;
  device->pulse = pulse;
  device->rate = rate;
  return device;
}

PushDevice* openAlsaDevice(int rate, int bufferMs) {
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return nullptr;
  if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2, static_cast<unsigned>(rate), 1,
                         static_cast<unsigned>(bufferMs) * 1000) < 0) {
    snd_pcm_close(pcm);
    return nullptr;
  }
  auto* device = new PushDevice;
  device->alsa = pcm;
  device->rate = rate;
  return device;
}

bool writePushDevice(PushDevice* device, const int16_t* samples, int frames) {
  if (device->pulse != nullptr) {
    int error = 0;
    return pa_simple_write(device->pulse, samples, static_cast<size_t>(frames) * 4, &error) >= 0;
  }
  int failures = 0;
  while (frames > 0) {
    const snd_pcm_sframes_t n = snd_pcm_writei(device->alsa, samples, static_cast<snd_pcm_uframes_t>(frames));
    if (n > 0) {
      samples += n * 2;
      frames -= static_cast<int>(n);
      continue;
    }
    if (n == -EAGAIN) continue;
    // An underrun or a suspend is recovered from (quietly); anything else,
    // or a device that keeps failing, is gone.
    if (n == 0 || ++failures > 4 || snd_pcm_recover(device->alsa, static_cast<int>(n), 1) < 0) return false;
  }
  return true;
}

double pushDeviceDelay(PushDevice* device) {
  if (device->pulse != nullptr) {
    int error = 0;
    const pa_usec_t latency = pa_simple_get_latency(device->pulse, &error);
    if (latency == static_cast<pa_usec_t>(-1)) return -1;
    return static_cast<double>(latency) * device->rate / 1e6;
  }
  snd_pcm_sframes_t delay = 0;
  if (snd_pcm_delay(device->alsa, &delay) < 0) return -1;
  return static_cast<double>(delay);
}

void flushPushDevice(PushDevice* device) {
  if (device->pulse != nullptr) {
    int error = 0;
    pa_simple_flush(device->pulse, &error);
    return;
  }
  snd_pcm_drop(device->alsa);
  snd_pcm_prepare(device->alsa);
}

void closePushDevice(PushDevice* device) {
  if (device == nullptr) return;
  if (device->pulse != nullptr) pa_simple_free(device->pulse);
  if (device->alsa != nullptr) snd_pcm_close(device->alsa);
  delete device;
}

}  // namespace glorbe
