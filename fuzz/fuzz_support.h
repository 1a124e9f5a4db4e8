// What every fuzz target shares: a private working folder holding the input
// as a file (the engine's loaders read names, disk first), fresh process-wide
// tables for every input, a way back from the engine's fatal errors, and a
// hidden GL window for the readers that make textures.
//
// A target is one file in fuzz/targets/ that defines LLVMFuzzerTestOneInput;
// see docs/fuzzing.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace glorbe::fuzz {

// Once per process, before the first input (every helper below calls it):
// a fresh temporary folder becomes the working folder, message boxes go to
// standard error, and the engine's fatal errors come back to runGuarded.
void initialise();

// Writes the bytes to `name` in the working folder (folders in the name are
// made) and gives the name back, for loaders that take a file name.
std::string writeInput(const std::string& name, const uint8_t* data, size_t size);
std::string writeInput(const std::string& name, const std::string& bytes);

// Small content files made by our own encoders, under names the show's
// scripts use: pictures/orb.hwl (16 x 16 colour), pictures/orbalpha.hwl
// (16 x 16 grey), sprites/glow.hwl (8 x 8 colour), brushes/star.hwl (4 x 4
// colour) and textures/clouds.tex (three steps). Written once.
void writeSampleContent();

// Clears the archives, the load buffer (allocated again, empty), the
// generator, the material, sprite, scene and timeline tables, and sets the
// general random source back to its seed.
void resetEngineState();

// Runs `body`; a fatal error of the engine (a script value that is no
// number: message, then the program would end) ends only the body. Gives
// false when the body ended that way.
template <typename Body>
bool runGuarded(Body&& body);

// A hidden 320 x 240 GLUT window as the current GL context, made once, with
// the display's capabilities read; for readers that make textures. Needs an
// X display (the fuzz command runs the targets under xvfb-run).
void openGlWindow();

// A property the target checks does not hold: says which on standard error
// ("fuzz check failed: WHAT", which the runner shows), then stops the run
// with the input as a finding.
[[noreturn]] void fail(const std::string& what);

// ---- details --------------------------------------------------------------

// Thrown by the engine's end-of-program handler while a body runs.
struct ProgramEnded {
  int code;
};

template <typename Body>
bool runGuarded(Body&& body) {
  initialise();
  try {
    body();
  } catch (const ProgramEnded&) {
    return false;
  }
  return true;
}

}  // namespace glorbe::fuzz
