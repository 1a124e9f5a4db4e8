// The sound devices that the sound layer writes to from a thread of its own:
// PulseAudio (through its simple API) and ALSA. Both say how long a frame
// written now takes to be heard, which puts the music clock where the
// listener is.
#pragma once

#include <cstdint>

namespace glorbe {

struct PushDevice;  // owned by the caller, freed by closePushDevice

// A stereo 16-bit device at `rate` holding about `bufferMs` of sound. Null
// when no server or device answers.
PushDevice* openPulseDevice(int rate, int bufferMs);
PushDevice* openAlsaDevice(int rate, int bufferMs);

// Writes `frames` frames, waiting for room. An underrun is recovered from;
// false when the device has failed (the server went away, the card was
// unplugged).
bool writePushDevice(PushDevice* device, const int16_t* samples, int frames);
// Frames written and not yet heard: a frame written now is heard after
// this many frames' time. Negative when the device cannot say.
double pushDeviceDelay(PushDevice* device);
// Drops everything written that is not yet heard.
void flushPushDevice(PushDevice* device);
void closePushDevice(PushDevice* device);

}  // namespace glorbe
