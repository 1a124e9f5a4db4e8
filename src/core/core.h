// The runtime core: start-up order, sound start and stop, the frame driver
// and the loading phase.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/demo_clock.h"

namespace glorbe {

struct SoundStream;

inline constexpr const char* kMusicFile = "quendar.mp3";
inline constexpr const char* kArchiveFile = "velk.dat";
inline constexpr const char* kSoundCaption = "FMOD Error";
inline constexpr const char* kSoundInitText = "Couldn't init FMOD!";
inline constexpr const char* kMusicLoadText = "Couldn't load quendar.mp3!";
inline constexpr const char* kMusicPlayText = "Couldn't play quendar.mp3!";
inline constexpr const char* kMusicSyncText = "Couldn't get time synced with Muzik!";
inline constexpr unsigned kStencilDisplayMode = 32;  // GLUT_STENCIL

// The core's process-wide state: the command line, the overlay switch, the
// loading screens, the music stream and the demo clock.
struct CoreState {
  std::vector<std::string> commandLine;  // arguments after the program name
  bool overlayEnabled = false;
  std::array<GLuint, 5> loaderTextures{};
  int32_t loadingStep = 0;  // loading screens shown so far
  int32_t timelineStartTick = 0;  // the timeline's own start, before a start position replaced it
  SoundStream* music = nullptr;
  int musicChannel = -1;
  DemoClock clock;
};

extern CoreState core;

// Everything back to its start values (tests).
void resetCoreState();

// The player: start-up, then the GLUT main loop. Returns only if the loop does.
int runPlayer(int argc, char** argv);

// Start-up steps shared by the player and the offline renderer: the
// process-wide initial values, and (once the display is open) the fixed GL
// state, the base GL state, the archive and the loading-screen images.
void initProcessState(int argc, char** argv);
void prepareDrawing();
// Loads "loader\0.hwl" to "loader\4.hwl" into core.loaderTextures (0 for a
// picture that is missing).
void loadLoaderTextures();

void initSound();
void startMusic();
void shutdownSound();
void setBaseGlState();

void onKeyboard(unsigned char key, int x, int y);
void onDisplay();

// Loads every scene script (materials, then sprites and move lists, then
// scenes) and the timeline, showing the five loading screens on the way;
// frees the load buffer and the loading-screen pictures at the end.
//
// Without screens (a live reload) nothing is drawn, the loading-screen
// pictures are left alone and the load buffer is freed all the same.
void runLoadingPhase(bool withScreens = true);

// The first display callback's work: the loading phase, the start position,
// the music started and waited for.
void startShow();
// One loading screen: the picture of this step large and tinted, the title,
// and a row of the pictures shown so far; then the step count grows and the
// buffers are swapped. drawLoadingFrame draws the same without either.
void drawLoadingScreen();
void drawLoadingFrame();

}  // namespace glorbe
