// The launcher's choices, read by the display set-up, the texture code and
// the sound start-up. All zero until the launcher fills them (the record
// lives in the display's state, display_state.h).
#pragma once

#include <cstdint>

namespace glorbe {

struct EngineSettings {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 0;
  bool fullscreen = false;
  bool compression = false;
  bool trilinear = false;
  int32_t textureDepth = 0;  // 0 default, 1 16-bit, 2 32-bit textures
  int32_t soundDriver = 0;   // 0 default, 1 no sound, 2 PulseAudio, 3 ALSA
};

}  // namespace glorbe
