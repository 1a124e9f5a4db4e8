// glorbe-render's command line and its frame clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace glorbe::tools {

enum class CaptureOutput { Frames, Video, FrameAt };

struct CaptureOptions {
  int width = 800;
  int height = 600;
  int fps = 60;
  std::optional<double> from;  // seconds; the timeline's start when absent
  std::optional<double> to;    // seconds; the timeline's end when absent
  CaptureOutput output = CaptureOutput::Frames;
  std::string path;        // DIR, FILE or OUT.png
  double frameAt = 0.0;    // seconds, for FrameAt
  // --frame-at draws only the frames whose pixels can reach the kept one:
  // those that grab the screen and the last warmUp seconds. --exact draws
  // every frame.
  bool exact = false;
};

// Seconds before a --frame-at picture that are drawn in full.
inline constexpr double kFrameAtWarmUpSeconds = 3.0;

// glorbe-render's one command: its options and help.
const cli::Command& captureCommand();

// The options of a parsed command line. False with error set for a bad or
// missing one.
bool captureOptionsFrom(const cli::Invocation& call, CaptureOptions& options, std::string& error);

// Parses the arguments after the program name. False with error set for a
// bad or missing option.
bool parseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options, std::string& error);

// The tick frame n shows: start + round(n * 60 / fps), ties to even.
int32_t captureTick(int32_t startTick, int64_t frame, int fps);

// The number of frames whose tick lies within start..lastTick (inclusive).
int64_t captureFrameCount(int32_t startTick, int32_t lastTick, int fps);

// The first frame whose tick is at or after `tick` (tick >= startTick).
int64_t captureFrameAtTick(int32_t startTick, int32_t tick, int fps);

// Seconds to ticks as the timeline counts them (× 60, rounded), saturating.
int32_t secondsToTick(double seconds);

}  // namespace glorbe::tools
