// Display set-up: opens game mode or a window from the launcher's choices,
// probes the GL implementation into DisplayCaps, fixes the GL state and the
// reshape and idle callbacks.
#pragma once

#include <string>

#include "display/display_caps.h"

namespace glorbe {

inline constexpr unsigned kDisplayModeBase = 0x12;  // GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH

inline constexpr const char* kGameModeImpossibleText =
    "This fullscreen mode is not supported by your video card.\rPlease choose another mode in the Settings Screen.";
inline constexpr const char* kGameModeFailedText = "This fullscreen mode couldn't be initialized.";
inline constexpr const char* kSoftwareRendererText =
    "This mode is not 3d-hardware-accelerated by your video card.\rPlease choose another mode in the Settings Screen.";
inline constexpr const char* kCompressionUnsupportedText =
    "Texture Compression is not supported by your video card.\rPlease disable it in the Settings Screen.";

// The process's argument count and vector, handed to glutInit.
void setDisplayArguments(int* argc, char** argv);

// "WxH:BITS@60".
std::string gameModeString(int width, int height, int bits);

// Opens the display; ends the program (code 0) when game mode is impossible.
void setupDisplay(int width, int height, int bits, bool fullscreen, unsigned extraDisplayMode);

void checkCapabilities();
void initGlState();
void onReshape(int width, int height);
void onIdle();

// Exit procedures.
void leaveGameMode();
void restoreScreenSaver();

}  // namespace glorbe
