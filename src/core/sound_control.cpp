// Starting and stopping the music stream; every failure is fatal.
#include "core/core.h"
#include "core/demo_clock.h"
#include "display/display_state.h"
#include "platform/exit_procedures.h"
#include "platform/message_box.h"
#include "platform/sound.h"

namespace glorbe {

void initSound() {
  // The launcher's sound list orders the outputs as the sound layer does.
  if (display.settings.soundDriver != SoundOutputDefault) soundSetOutput(display.settings.soundDriver);
  if (!soundInit(44100, 4)) {
    showMessageBox(kSoundCaption, kSoundInitText);
    endProgram(0);
  }
  core.music = soundOpenStream(kMusicFile);
  if (core.music == nullptr) {
    showMessageBox(kSoundCaption, kMusicLoadText);
    soundClose();
    endProgram(0);
  }
  core.clock.streamLengthMs = soundGetLengthMs(core.music);
}

void startMusic() {
  core.musicChannel = soundPlayStream(-1, core.music);
  if (core.musicChannel < 0) {
    showMessageBox(kSoundCaption, kMusicPlayText);
    soundClose();
    endProgram(0);
  }
  soundSetPan(core.musicChannel, -1);
}

void shutdownSound() {
  soundCloseStream(core.music);
  core.music = nullptr;
  soundClose();
}

}  // namespace glorbe
