// Music playback: one or more MP3 streams decoded with libmpg123 and played
// through SDL2 audio, or, on the no-sound output, timed by the monotonic clock.
//
// The calls mirror what the frame driver needs from a sound library: choose an
// output, initialise, open a stream (never looping, sample-accurate seeking),
// play it on a free channel, pan, poll play state and position, seek, close.
// The position grows smoothly between audio callbacks and never steps back.
#pragma once

#include <string>

namespace glorbe {

// Output indices as the launcher's sound list orders them.
enum SoundOutput : int {
  SoundOutputDefault = 0,  // SDL's default driver
  SoundOutputNone = 1,     // no device; time runs from the monotonic clock
  SoundOutputPulse = 2,    // PulseAudio
  SoundOutputAlsa = 3,     // ALSA
};

struct SoundStream;  // owned by the sound layer, freed by soundCloseStream

// Chooses the output used by the next soundInit. False for an unknown index
// or once the library is initialised.
bool soundSetOutput(int output);

// Opens the chosen output with the given mixing rate and channel count.
// False when the output cannot be opened.
bool soundInit(int mixRate, int maxChannels);

// Opens an MP3 file as a stream. The whole file is scanned (and, on a real
// output, decoded) here, so the length is exact and seeking sample-accurate.
// Null when the library is not initialised or the file cannot be decoded.
SoundStream* soundOpenStream(const std::string& path);

// Starts the stream on the given channel, or on any free one for -1.
// Returns the channel, or -1 when none is free or the stream is invalid.
int soundPlayStream(int channel, SoundStream* stream);

// Pan 0 (left) .. 255 (right); -1 is stereo pan (full volume both sides).
bool soundSetPan(int channel, int pan);

// True while the channel plays a stream that has not reached its end.
bool soundIsPlaying(int channel);

// Stops a playing stream where it is heard now; soundPlayStream on its
// channel plays it on from there. While paused the position stands still,
// and soundSetTimeMs moves it. False for a stream that was not playing.
bool soundPauseStream(SoundStream* stream);

// Stream position and length in milliseconds.
int soundGetTimeMs(SoundStream* stream);
bool soundSetTimeMs(SoundStream* stream, int ms);
int soundGetLengthMs(SoundStream* stream);

bool soundCloseStream(SoundStream* stream);
void soundClose();

// The output currently chosen (for tests and diagnostics).
int soundCurrentOutput();

}  // namespace glorbe
